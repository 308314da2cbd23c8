#!/usr/bin/env python3
"""Captures the start of a node session as a seed for fuzz_arrivals.

Connects to a running node (for instance `build/nodesim --port 17555 --seed 3 --fast`), sends
"B" as the monitor does, and writes what arrives, one received chunk per arrival frame, in the
frame format fuzz_arrivals reads:

  tag < 0x80           an arrival of `tag` bytes
  0x80 <= tag < 0xC0   an arrival of ((tag & 0x3F) << 8 | next byte) bytes
  tag >= 0xC0          an operator command (not written here)

Usage: capture_session.py OUT [--port N] [--seconds S] [--max-bytes B] [--chunk C]
"""
import argparse
import socket
import time


def frame(data: bytes) -> bytes:
    n = len(data)
    if n < 0x80:
        return bytes([n]) + data
    assert n < 0x4000
    return bytes([0x80 | (n >> 8), n & 0xFF]) + data


def main() -> None:
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--host", default="127.0.0.1")
    ap.add_argument("--port", type=int, default=17555)
    ap.add_argument("--seconds", type=float, default=3.0)
    ap.add_argument("--max-bytes", type=int, default=60000)
    ap.add_argument("--chunk", type=int, default=8192, help="largest single read")
    args = ap.parse_args()

    s = socket.create_connection((args.host, args.port), timeout=5)
    time.sleep(0.3)
    s.sendall(b"B")
    out = bytearray()
    end = time.monotonic() + args.seconds
    s.settimeout(0.2)
    while time.monotonic() < end:
        try:
            data = s.recv(args.chunk)
        except socket.timeout:
            continue
        if not data:
            break
        f = frame(data)
        if len(out) + len(f) > args.max_bytes:
            room = args.max_bytes - len(out) - 2
            if room > 0:
                out += frame(data[:room])
            break
        out += f
    s.close()
    with open(args.out, "wb") as fh:
        fh.write(out)
    print(f"{args.out}: {len(out)} bytes")


if __name__ == "__main__":
    main()
