#include "alert_settings_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

#include "file_writer.h"
#include "latin1.h"

namespace dx::ui {

namespace {

// Far more than any list an operator keeps; a larger file is not one this program wrote.
constexpr qint64 kLargest = 16 << 20;

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A value as Qt's INI form writes a string: in double quotes when it holds what would part it or
// end it, with backslashes and double quotes escaped.
std::string iniValue(std::string_view text) {
    std::string out;
    bool quoted = !text.empty() && (text.front() == ' ' || text.back() == ' ' || text.front() == '@');
    for (const char c : text) {
        if (c == ',' || c == ';' || c == '=') quoted = true;
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return quoted ? '"' + out + '"' : out;
}

struct Line {
    std::string text;  // without its end
    std::string end;   // "\n", "\r\n" or none (the last line)
};

std::vector<Line> linesOf(std::string_view text) {
    std::vector<Line> lines;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        Line line;
        if (nl == std::string_view::npos) {
            line.text = std::string(text);
            text = {};
        } else {
            const bool cr = nl > 0 && text[nl - 1] == '\r';
            line.text = std::string(text.substr(0, cr ? nl - 1 : nl));
            line.end = cr ? "\r\n" : "\n";
            text.remove_prefix(nl + 1);
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// The section a line opens ("[Watch]" opens "Watch"), if it opens one.
std::optional<std::string_view> sectionOf(std::string_view line) {
    line = trimmed(line);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
    return line.substr(1, line.size() - 2);
}

std::optional<std::string_view> keyOf(std::string_view line) {
    const std::string_view t = trimmed(line);
    if (t.empty() || t.front() == ';' || t.front() == '#') return std::nullopt;
    const std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return trimmed(t.substr(0, eq));
}

// Whether a line's value goes on in the next line: it ends in an odd number of backslashes.
bool continues(std::string_view line) {
    std::size_t backslashes = 0;
    while (backslashes < line.size() && line[line.size() - 1 - backslashes] == '\\') ++backslashes;
    return backslashes % 2 == 1;
}

// Sets `key` in `section` to `value` among the lines: the first such key is replaced (with the
// lines its value continues on), any later one dropped.
void setKey(std::vector<Line>& lines, std::string_view section, std::string_view key,
            const std::string& value) {
    const std::string wanted = std::string(key) + "=" + value;
    std::optional<std::size_t> sectionEnd;  // where the section's last key ends, to add one after it
    bool inSection = false;
    bool set = false;
    for (std::size_t i = 0; i < lines.size();) {
        if (const auto opened = sectionOf(lines[i].text)) {
            inSection = *opened == section;
            if (inSection && !set) sectionEnd = i + 1;
            ++i;
            continue;
        }
        if (!inSection || keyOf(lines[i].text) != key) {
            if (inSection && !set && !trimmed(lines[i].text).empty()) sectionEnd = i + 1;
            ++i;
            continue;
        }
        std::size_t last = i;
        while (continues(lines[last].text) && last + 1 < lines.size()) ++last;
        if (!set) {
            lines[i].text = wanted;
            if (lines[i].end.empty()) lines[i].end = lines[last].end;
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                        lines.begin() + static_cast<std::ptrdiff_t>(last) + 1);
            set = true;
            ++i;
        } else {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i),
                        lines.begin() + static_cast<std::ptrdiff_t>(last) + 1);
        }
    }
    if (set) return;
    const std::string eol = !lines.empty() && lines.front().end == "\r\n" ? "\r\n" : "\n";
    if (sectionEnd) {
        if (lines[*sectionEnd - 1].end.empty()) lines[*sectionEnd - 1].end = eol;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*sectionEnd), Line{wanted, eol});
        return;
    }
    if (!lines.empty()) {
        if (lines.back().end.empty()) lines.back().end = eol;
        if (!trimmed(lines.back().text).empty()) lines.push_back(Line{{}, eol});
    }
    lines.push_back(Line{"[" + std::string(section) + "]", eol});
    lines.push_back(Line{wanted, eol});
}

}  // namespace

QString alertSettingsPathFor(const QString& configPath) {
    return QFileInfo(configPath).absoluteDir().filePath(QStringLiteral("dxmonitor.ini"));
}

std::optional<AlertSettings> readAlertSettingsFile(const QString& path) {
    // A FIFO or a device in its place would hold the start-up or never end.
    if (!QFileInfo(path).isFile()) return std::nullopt;
    const QSettings ini(path, QSettings::IniFormat);
    AlertSettings settings;
    // "calls=" (none) reads as one empty text.
    for (const QString& call : ini.value(QStringLiteral("Watch/calls")).toStringList())
        if (!call.isEmpty()) settings.watchedCalls.push_back(latin1Bytes(call));
    settings.desktopNotices = ini.value(QStringLiteral("Notifications/desktop"), true).toBool();
    return settings;
}

QByteArray withAlertSettings(QByteArrayView existing, const AlertSettings& settings) {
    std::vector<Line> lines =
        linesOf(std::string_view(existing.data(), static_cast<std::size_t>(existing.size())));
    // Sections in the order QSettings writes them.
    setKey(lines, "Notifications", "desktop", settings.desktopNotices ? "true" : "false");
    std::string calls;
    for (const std::string& call : settings.watchedCalls)
        calls += (calls.empty() ? "" : ", ") + iniValue(call);
    setKey(lines, "Watch", "calls", calls);
    QByteArray out;
    for (const Line& line : lines) {
        out.append(line.text.data(), static_cast<qsizetype>(line.text.size()));
        out.append(line.end.data(), static_cast<qsizetype>(line.end.size()));
    }
    return out;
}

std::optional<QString> saveAlertSettingsFile(const QString& path, const AlertSettings& settings) {
    // What is in the file now, another monitor's changes included, stays.
    QByteArray existing;
    const SaveTarget target = saveTargetOf(path);
    if (target.refusal) return target.refusal;
    if (QFileInfo::exists(target.path)) {
        QFile file(target.path);
        if (file.size() > kLargest)
            return QStringLiteral("%1 is larger than %2 MiB")
                .arg(QFileInfo(path).fileName())
                .arg(kLargest >> 20);
        if (!file.open(QIODevice::ReadOnly)) return file.errorString();
        existing = file.readAll();
        if (file.error() != QFileDevice::NoError) return file.errorString();
    }
    return saveWhole(path, withAlertSettings(existing, settings));
}

}  // namespace dx::ui
