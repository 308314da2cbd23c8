#include "config/config_file.h"

#include <cmath>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "app/core.h"
#include "common/fault.h"
#include "common/numeric.h"

namespace dx {
namespace {
constexpr double kLargestVersion = 1e9;

// Reads items the way the file's records were written: separated by commas or line ends, quotes
// around an item removed, blanks around an unquoted item dropped.
class ItemReader {
public:
    explicit ItemReader(std::string_view text) : t_(text) {}

    bool atEnd() {
        skipBlanksAndBreaks();
        return i_ >= t_.size();
    }

    // The next item; reading past the end is a fault.
    std::string next() {
        skipBlanks();
        if (i_ >= t_.size()) throw Fault("past end of file");
        std::string item;
        if (t_[i_] == '"') {
            const std::size_t close = t_.find('"', i_ + 1);
            const std::size_t end = close == std::string_view::npos ? t_.size() : close;
            item.assign(t_.substr(i_ + 1, end - i_ - 1));
            i_ = end == t_.size() ? end : end + 1;
            // Whatever stands between the closing quote and the separator is passed over.
            while (i_ < t_.size() && t_[i_] != ',' && t_[i_] != '\r' && t_[i_] != '\n') ++i_;
        } else {
            const std::size_t start = i_;
            while (i_ < t_.size() && t_[i_] != ',' && t_[i_] != '\r' && t_[i_] != '\n') ++i_;
            std::string_view v = t_.substr(start, i_ - start);
            while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
            item.assign(v);
        }
        consumeSeparator();
        return item;
    }

private:
    void skipBlanks() {
        while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\t')) ++i_;
    }
    void skipBlanksAndBreaks() {
        while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\t' || t_[i_] == '\r' || t_[i_] == '\n')) ++i_;
    }
    void consumeSeparator() {
        if (i_ >= t_.size()) return;
        if (t_[i_] == ',') {
            ++i_;
        } else if (t_[i_] == '\r') {
            ++i_;
            if (i_ < t_.size() && t_[i_] == '\n') ++i_;
        } else if (t_[i_] == '\n') {
            ++i_;
        }
    }

    std::string_view t_;
    std::size_t i_ = 0;
};

// A window geometry value: the whole item must be a number; a place this far off any screen is
// a value the window refuses.
Twips geometryValue(const std::string& value) {
    const auto single = static_cast<float>(StrictNumber(value));
    if (!(std::fabs(single) <= static_cast<float>(kFarthestPlace))) throw Fault("refused");
    return ToInt32(single);
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

std::string ConfigFile::DotDecimal(std::string text) {
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
        {"FormConnectsTop", 0, 0},  {"FormConnectsLeft", 0, 1},  {"FormConnectsHeight", 0, 2},
        {"FormConnectsWidth", 0, 3}, {"FormMonitorTop", 1, 0},   {"FormMonitorLeft", 1, 1},
        {"FormMonitorHeight", 1, 2}, {"FormMonitorWidth", 1, 3}, {"FormSettingsTop", 2, 0},
        {"FormSettingsLeft", 2, 1},  {"FormSettingsHeight", 2, 2}, {"FormSettingsWidth", 2, 3},
    };
    for (const Geometry& g : kGeometry) {
        if (key != g.key) continue;
        const Twips v = g.what >= 2 ? sizeValue(value) : geometryValue(value);
        Screens& screens = core_.screens;
        WindowModel* w = nullptr;
        if (g.window == 0) {
            core_.EnsureConnectsLoaded();
            w = &core_.connects.window;
        } else if (g.window == 1) {
            w = &core_.monitor.window;
        } else {
            core_.EnsureSettingsLoaded();
            w = &core_.settings.window;
        }
        // A new size is a resize of that window, with what the window does on one.
        const auto resize = [&](Twips width, Twips height) {
            if (g.window == 0) screens.ConnectsResized(width, height);
            else if (g.window == 1) screens.MonitorResized(width, height);
            else screens.SettingsResized(width, height);
        };
        switch (g.what) {
            case 0: Screens::Moved(*w, w->left(), v); break;
            case 1: Screens::Moved(*w, v, w->top()); break;
            case 2: resize(w->width(), v); break;
            default: resize(v, w->height()); break;
        }
        if (g.window == 0 && g.what == 3) {
            ConnectsWidth = v;
            ConnectsWidthRead = true;
        }
        return;
    }
    if (key == "KelLatestVersion") {
        // A file saved before any version was seen holds an empty version: that is no version,
        // not a fault that would lose the records after it. A comma is a decimal point here too.
        const std::string number = DotDecimal(value);
        if (number.find_first_not_of(" \t") == std::string::npos) {
            KelLatestVersion.clear();
        } else {
            const double x = StrictNumber(number) - 0.0004;
            // No client version is that large; at such sizes the 0.0004 and the three decimals
            // are lost to the number's precision, so the value would not read back as saved.
            if (!(std::fabs(x) < kLargestVersion)) throw Fault("not a version");
            KelLatestVersion = DotDecimal(DoubleText(RoundHalfEvenTo(x, 3)));
        }
        core_.EnsureConnectsLoaded();
        core_.connects.txtVersion.setText(value);
    } else if (key == "RemoteHost") {
        core_.EnsureSettingsLoaded();
        RemoteHost = value;
        core_.settings.txtSettings[2].setText(value);
    } else if (key == "RemotePort") {
        const std::int32_t port = WholeNumber32(value);
        core_.EnsureSettingsLoaded();
        RemotePort = port;
        core_.settings.txtSettings[3].setText(value);
    }
    // Any other key is passed over with its value.
}

void ConfigFile::LoadConfig() {
    if (busy_) return;
    busy_ = true;
    RemotePort = 99;
    RemoteHost = "127.0.0.1";
    const std::optional<std::string> content = core_.platform.readConfig();
    FileRead = content.has_value();
    if (!content) return;  // no file: the defaults hold
    try {
        ItemReader items(*content);
        while (!items.atEnd()) {
            const std::string key = items.next();
            const std::string value = items.next();
            applyRecord(key, value);
        }
    } catch (const std::exception&) {
        return;  // a fault ends the reading; what was read stays applied
    }
    busy_ = false;
}

std::string ConfigFile::Render() const {
    std::string out;
    const auto geometry = [&out](const char* prefix, const WindowModel& w) {
        const std::string p(prefix);
        writeRecord(out, p + "Top", std::to_string(w.top()), false);
        writeRecord(out, p + "Left", std::to_string(w.left()), false);
        writeRecord(out, p + "Height", std::to_string(w.height()), false);
        writeRecord(out, p + "Width", std::to_string(w.width()), false);
    };
    geometry("FormConnects", core_.connects.window);
    geometry("FormMonitor", core_.monitor.window);
    geometry("FormSettings", core_.settings.window);
    writeRecord(out, "KelLatestVersion", KelLatestVersion, true);
    writeRecord(out, "RemoteHost", RemoteHost, true);
    writeRecord(out, "RemotePort", std::to_string(RemotePort), false);
    return out;
}

bool ConfigFile::SaveConfig() {
    // Reading the settings window's place brings it into being, as every save reads all three.
    core_.EnsureConnectsLoaded();
    core_.EnsureSettingsLoaded();
    return core_.platform.writeConfig(Render());
}

}  // namespace dx
