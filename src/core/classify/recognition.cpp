#include "classify/recognition.h"

#include <string_view>

#include "app/core.h"
#include "common/fault.h"
#include "common/numeric.h"
#include "common/text.h"

namespace dx {
namespace {
bool contains(std::string_view line, std::string_view what) {
    return line.find(what) != std::string_view::npos;
}

// The version a line announces: the leading number after its first capital V (from the line's
// first character when it has none).
float versionAfterV(std::string_view line) {
    const std::size_t v = line.find('V');
    return static_cast<float>(LeadingNumber(v == std::string_view::npos ? line : line.substr(v + 1)));
}
}  // namespace

void Recognition::release(std::int16_t socket) {
    core_.release.ReleaseSocketWatch(std::to_string(socket));
}

void Recognition::setCaptions() {
    if (CaptionsSet) return;
    const char* kind = NodeIsZq           ? "ZQC"
                       : NodeIsDxSpider   ? "DXS"
                       : NodeIsArc        ? "ARC"
                       : NodeIsArcPassive ? "ARC Passive"
                                          : nullptr;
    if (kind == nullptr) return;
    core_.connects.window.setCaption(std::string(kind) + " Connections");
    core_.monitor.window.setCaption(std::string(kind) + " Monitor");
    CaptionsSet = true;
}

std::optional<float> Recognition::Classify(std::int16_t socket, const std::string& payload) {
    GridRow& row = core_.grid.row(socket);
    Element& port = row.port;
    const std::string_view line = payload;

    // A settled socket whose traffic still comes is told again to stop it.
    if (port.fore() == colours::kBlack && port.back() != colours::kWhite) {
        if (!core_.Send("N" + std::to_string(socket) + "^")) throw Fault("link not open");
        return std::nullopt;
    }
    if (row.call.text() == "nocall") {
        port.setBack(colours::kRed);
        release(socket);
        return std::nullopt;
    }

    if (NodeIsZq) {
        if (StartsWith(line, "ZQ11^")) {
            port.setBack(colours::kLightGreen);
        } else if (StartsWith(line, "KeepAlive ")) {
            return versionAfterV(line);
        }
    } else if (NodeIsArc) {
        if (StartsWith(line, "AR17^")) {
            port.setBack(colours::kLightGreen);
        } else if (StartsWith(line, "Rx ") || StartsWith(line, "Tx ") || StartsWith(line, "KeepAlive ")) {
            return versionAfterV(line);
        }
    } else if (NodeIsDxSpider) {
        if (StartsWith(line, "ZQ11^")) {
            port.setBack(colours::kLightGreen);
            float none = 0;
            std::int16_t s = socket;
            KelCheck(none, s);
        } else if (line == " spider >") {
            port.setTip("2");
            return std::nullopt;
        } else if (const std::size_t p = line.find("  dxspider >", 37); p != std::string_view::npos) {
            // The client's version stands just before the prompt.
            const auto version = static_cast<float>(LeadingNumber(line.substr(p - 6, 8)));
            port.setTip(FloatText(version));
            if (port.back() == colours::kLightGreen) return version;
            return std::nullopt;
        }
    } else {
        if (contains(line, " dxspider >")) {
            NodeIsDxSpider = true;
        } else if (contains(line, " ZQC >")) {
            NodeIsZq = true;
            port.setBack(colours::kLightGreen);
        } else if (StartsWith(line, "AR17^")) {
            port.setBack(colours::kLightGreen);
            NodeIsArc = true;
        } else if (StartsWith(line, "AR1^")) {
            port.setBack(colours::kCyan);
            NodeIsArcPassive = true;
        } else if (StartsWith(line, "DX ARPC ") || StartsWith(line, "Rx ") || StartsWith(line, "Tx ")) {
            port.setBack(colours::kLightGreen);
        } else if (StartsWith(line, "echo #")) {
            port.setBack(colours::kMagenta);
        } else if (StartsWith(line, "ZQ11^")) {
            port.setBack(colours::kLightGreen);
        } else if (contains(line, "RE Ridavir")) {
            NodeIsZq = true;
        }
        setCaptions();
    }
    return colourRules(socket, payload);
}

std::optional<float> Recognition::colourRules(std::int16_t socket, const std::string& payload) {
    Element& port = core_.grid.row(socket).port;
    const std::string_view line = payload;
    const Colour back = port.back();
    if (back == colours::kLightGreen) {
        // A KEL client whose version is not the latest stays watched while "KEL Version" is ticked.
        if (NodeIsDxSpider || core_.connects.chkKELversion.checked()) return std::nullopt;
        release(socket);
        return std::nullopt;
    }
    if (back == colours::kGreen) {
        release(socket);
        return std::nullopt;
    }
    if (StartsWith(line, "DX de ")) {
        // Spots reach only users without a KEL client; the rule waits until the node has had time
        // to stop sending spots to sockets it knows.
        if (!core_.commands.DxDeArmed) return std::nullopt;
        if (back != colours::kYellow) port.setBack(colours::kYellow);
        release(socket);
        return std::nullopt;
    }
    if (StartsWith(line, "PC92^") || StartsWith(line, "PC11^") || StartsWith(line, "PC51^") ||
        StartsWith(line, "PC16^") || StartsWith(line, "AR1^")) {
        port.setBack(colours::kCyan);
        release(socket);
    }
    return std::nullopt;
}

void Recognition::KelCheck(float& UserVersion, std::int16_t& stream) {
    GridRow& row = core_.grid.row(stream);
    Element& port = row.port;
    if (NodeIsDxSpider) UserVersion = static_cast<float>(LeadingNumber(port.tip()));
    if (UserVersion == 0.0f) return;
    ConfigFile& config = core_.config;
    // 2.9 is what a client says when it is the latest there is.
    if (UserVersion == 2.9f) UserVersion = static_cast<float>(LeadingNumber(config.KelLatestVersion));
    const auto rounded = [&UserVersion] {
        return RoundHalfEvenTo(static_cast<double>(UserVersion) - 0.0004, 3);
    };
    double r = rounded();
    if (r > LeadingNumber(config.KelLatestVersion)) {
        config.KelLatestVersion = DoubleText(r);
        Element& box = core_.connects.txtVersion;
        box.setBack(colours::kYellow);
        box.setTip("Needs Rescan");
        box.setText(config.KelLatestVersion);
        config.SaveConfig();
    }
    port.setTip(FloatText(UserVersion));
    r = rounded();
    port.setBack(r >= LeadingNumber(config.KelLatestVersion) ? colours::kGreen : colours::kLightGreen);
    release(stream);
}

}  // namespace dx
