#include "app/config_file.h"

#include <cmath>
#include <optional>
#include <string_view>
#include <utility>

#include "app/screens.h"
#include "app/window_loader.h"
#include "common/colour.h"
#include "common/fault.h"
#include "common/numeric.h"
#include "common/platform.h"
#include "views/connections_model.h"
#include "views/monitor_model.h"
#include "views/settings_model.h"

namespace dx {
namespace {
constexpr double kLargestVersion = 1e9;

// One line of the file as a record: its items are separated by commas, quotes around an item are
// removed (a comma inside them belongs to the item) and blanks around an unquoted item dropped.
// Nothing when the line is not exactly a key and a value.
std::optional<std::pair<std::string, std::string>> lineRecord(std::string_view line) {
    std::string items[2];
    std::size_t count = 0;
    std::size_t i = 0;
    for (;;) {
        if (count == 2) return std::nullopt;  // a third item
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        std::string& item = items[count++];
        if (i < line.size() && line[i] == '"') {
            const std::size_t close = line.find('"', i + 1);
            const std::size_t end = close == std::string_view::npos ? line.size() : close;
            item.assign(line.substr(i + 1, end - i - 1));
            // Whatever stands between the closing quote and the comma is passed over.
            i = line.find(',', end);
            if (i == std::string_view::npos) i = line.size();
        } else {
            const std::size_t start = i;
            i = line.find(',', start);
            if (i == std::string_view::npos) i = line.size();
            std::string_view v = line.substr(start, i - start);
            while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
            item.assign(v);
        }
        if (i >= line.size()) break;
        ++i;  // the comma
    }
    if (count != 2) return std::nullopt;
    return std::pair{std::move(items[0]), std::move(items[1])};
}

// A window geometry value: the whole item must be a number; a place this far off any screen is
// a value the window refuses.
Twips geometryValue(const std::string& value) {
    const auto single = static_cast<float>(strictNumber(value));
    if (!(std::fabs(single) <= static_cast<float>(kFarthestPlace))) throw Fault("refused");
    return toInt32(single);
}

// A width or height below zero is a size no window takes.
Twips sizeValue(const std::string& value) {
    const Twips v = geometryValue(value);
    if (v < 0) throw Fault("refused");
    return v;
}

void writeRecord(std::string& out, std::string_view key, std::string_view value, bool quoted) {
    out += '"';
    out += key;
    out += "\",";
    if (quoted) out += '"';
    out += value;
    if (quoted) out += '"';
    out += "\r\n";
}

}  // namespace

std::string ConfigFile::dotDecimal(std::string text) {
    for (char& c : text)
        if (c == ',') c = '.';
    return text;
}

void ConfigFile::applyRecord(const std::string& key, const std::string& value) {
    struct Geometry {
        const char* key;
        int window;  // 0 connections, 1 monitor, 2 settings
        int what;    // 0 top, 1 left, 2 height, 3 width
    };
    static constexpr Geometry kGeometry[] = {
        {"FormConnectsTop", 0, 0},   {"FormConnectsLeft", 0, 1},   {"FormConnectsHeight", 0, 2},
        {"FormConnectsWidth", 0, 3}, {"FormMonitorTop", 1, 0},     {"FormMonitorLeft", 1, 1},
        {"FormMonitorHeight", 1, 2}, {"FormMonitorWidth", 1, 3},   {"FormSettingsTop", 2, 0},
        {"FormSettingsLeft", 2, 1},  {"FormSettingsHeight", 2, 2}, {"FormSettingsWidth", 2, 3},
    };
    for (const Geometry& g : kGeometry) {
        if (key != g.key) continue;
        const Twips v = g.what >= 2 ? sizeValue(value) : geometryValue(value);
        Screens& screens = screens_;
        WindowModel* w = nullptr;
        if (g.window == 0) {
            loader_.ensureConnectionsLoaded();
            w = &connects_.window;
        } else if (g.window == 1) {
            w = &monitor_.window;
        } else {
            loader_.ensureSettingsLoaded();
            w = &settings_.window;
        }
        // A new size is a resize of that window, with what the window does on one.
        const auto resize = [&](Twips width, Twips height) {
            if (g.window == 0)
                screens.connectionsResized(width, height);
            else if (g.window == 1)
                screens.monitorResized(width, height);
            else
                screens.settingsResized(width, height);
        };
        switch (g.what) {
            case 0:
                Screens::moved(*w, w->left(), v);
                break;
            case 1:
                Screens::moved(*w, v, w->top());
                break;
            case 2:
                resize(w->width(), v);
                break;
            default:
                resize(v, w->height());
                break;
        }
        if (g.window == 0 && g.what == 3) {
            connectsWidth = v;
            connectsWidthRead = true;
        }
        return;
    }
    if (key == "KelLatestVersion") {
        // A file saved before any version was seen holds an empty version: that is no version,
        // not a fault that would lose the records after it. A comma is a decimal point here too.
        const std::string number = dotDecimal(value);
        if (number.find_first_not_of(" \t") == std::string::npos) {
            kelLatestVersion.clear();
            // The version box keeps what it says ("Version") until a version is known.
            loader_.ensureConnectionsLoaded();
            return;
        }
        const double x = strictNumber(number) - 0.0004;
        // No client version is that large; at such sizes the 0.0004 and the three decimals are
        // lost to the number's precision, so the value would not read back as saved.
        if (!(std::fabs(x) < kLargestVersion)) throw Fault("not a version");
        kelLatestVersion = dotDecimal(doubleText(roundHalfEvenTo(x, 3)));
        loader_.ensureConnectionsLoaded();
        connects_.latestVersion.setText(value);
    } else if (key == "RemoteHost") {
        loader_.ensureSettingsLoaded();
        remoteHost = value;
        settings_.hostBox.setText(value);
    } else if (key == "RemotePort") {
        const std::int32_t port = wholeNumber32(value);
        loader_.ensureSettingsLoaded();
        remotePort = port;
        settings_.portBox.setText(value);
    }
    // Any other key is passed over with its value.
}

void ConfigFile::loadConfig() {
    if (busy_) return;
    busy_ = true;
    remotePort = 99;
    remoteHost = "127.0.0.1";
    // The null device as the configuration keeps nothing: there is nothing to read either.
    const std::optional<std::string> content =
        platform_.configKept() ? platform_.readConfig() : std::optional<std::string>();
    fileRead = content.has_value();
    // No file: the defaults hold, and the reader stays shut for the rest of the run.
    if (!content) return;
    // One record a line, as saveConfig writes them (CR LF; a lone LF or CR ends a line too). A
    // line that is no record, or a value that does not convert or that its window refuses, is
    // passed over: its key keeps what it had, and the records after it are still read, so that
    // the next save does not write defaults over them.
    const std::string_view text = *content;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = text.size();
        if (const auto record = lineRecord(text.substr(at, end - at))) {
            try {
                applyRecord(record->first, record->second);
            } catch (const Fault&) {
                // This record only.
            }
        }
        at = end;
        if (at < text.size() && text[at] == '\r') ++at;
        if (at < text.size() && text[at] == '\n') ++at;
    }
    busy_ = false;
}

std::string ConfigFile::render() const {
    std::string out;
    const auto geometry = [&out](const char* prefix, const WindowModel& w) {
        const std::string p(prefix);
        writeRecord(out, p + "Top", std::to_string(w.top()), false);
        writeRecord(out, p + "Left", std::to_string(w.left()), false);
        writeRecord(out, p + "Height", std::to_string(w.height()), false);
        writeRecord(out, p + "Width", std::to_string(w.width()), false);
    };
    geometry("FormConnects", connects_.window);
    geometry("FormMonitor", monitor_.window);
    geometry("FormSettings", settings_.window);
    writeRecord(out, "KelLatestVersion", kelLatestVersion, true);
    writeRecord(out, "RemoteHost", remoteHost, true);
    writeRecord(out, "RemotePort", std::to_string(remotePort), false);
    return out;
}

bool ConfigFile::saveConfig() {
    // Reading the settings window's place brings it into being, as every save reads all three.
    loader_.ensureConnectionsLoaded();
    loader_.ensureSettingsLoaded();
    if (!platform_.configKept()) {
        // The operator asked for no settings to be kept; said once, so that a changed address
        // is not taken for one that will be there at the next start.
        if (!toldNotKept_)
            monitor_.pane.append("\r\n*** Settings are not kept: the configuration is the null device.",
                                 colours::kRed);
        toldNotKept_ = true;
        return true;
    }
    const std::optional<std::string> error = platform_.writeConfig(render());
    if (!error) return true;
    // The old file stays whole; without a word the operator would take the new address or version
    // as kept until the next start.
    monitor_.pane.append("\r\n*** " + platform_.configName() + " could not be saved: " + *error,
                         colours::kRed);
    return false;
}

}  // namespace dx
