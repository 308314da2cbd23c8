#!/usr/bin/env bash
# Builds the Debian package and checks what it holds and what it asks apt to bring.
set -euo pipefail
build=$1
command -v lintian >/dev/null || { echo "lintian missing: skipped"; exit 77; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/dxmonitor_*_*.deb)
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/dxmonitor ./usr/bin/nodesim ./usr/share/applications/dxmonitor.desktop \
         ./usr/share/icons/hicolor/scalable/apps/dxmonitor.svg ./usr/share/man/man1/dxmonitor.1.gz \
         ./usr/share/man/man1/nodesim.1.gz ./usr/share/doc/dxmonitor/copyright \
         ./usr/share/doc/dxmonitor/changelog.gz; do
  grep -q " $f\$" <<<"$contents" || { echo "missing from the package: $f"; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libqt6network6 libqt6gui6 libqt6core6 libqt6sql6-sqlite libqt6sql6-psql libqt6charts6 libqt6dbus6 qt6-qpa-plugins; do
  grep -q "$d" <<<"$depends" || { echo "not a dependency: $d"; exit 1; }
done
# Every shared library the program needs comes from a declared dependency or from libc/libstdc++.
root="$out/root"
dpkg-deb -x "$deb" "$root"
missing=$(ldd "$root/usr/bin/dxmonitor" | grep "not found" || true)
[ -z "$missing" ] || { echo "unresolved libraries: $missing"; exit 1; }
# The changelog's newest entry is the packaged version.
version=$(dpkg-deb -f "$deb" Version)
head=$(gzip -dc "$root/usr/share/doc/dxmonitor/changelog.gz" | sed -n 1p)
[[ $head == "dxmonitor ($version) "* ]] || { echo "changelog does not start at $version: $head"; exit 1; }
# Debian's own checks: no error and no warning (informational notes are allowed).
if ! report=$(lintian --fail-on error,warning "$deb" 2>&1); then
  echo "lintian found errors or warnings:"
  echo "$report"
  exit 1
fi
desktop-file-validate "$root/usr/share/applications/dxmonitor.desktop" 2>/dev/null || true
echo "package ok: $(basename "$deb")"
