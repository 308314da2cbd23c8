#include "sockets/recognition.h"

#include <string_view>

#include "common/config_values.h"
#include "common/fault.h"
#include "common/numeric.h"
#include "common/text.h"
#include "sockets/command_line.h"
#include "sockets/release.h"
#include "views/connects_window.h"
#include "views/grid.h"
#include "views/monitor_window.h"
#include "wire/node_sender.h"

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
    release_.ReleaseSocketWatch(std::to_string(socket));
}

void Recognition::setCaptions() {
    if (CaptionsSet) return;
    const char* kind = NodeIsZq           ? "ZQC"
                       : NodeIsDxSpider   ? "DXS"
                       : NodeIsArc        ? "ARC"
                       : NodeIsArcPassive ? "ARC Passive"
                                          : nullptr;
    if (kind == nullptr) return;
    connects_.window.setCaption(std::string(kind) + " Connections");
    monitor_.window.setCaption(std::string(kind) + " Monitor");
    CaptionsSet = true;
}

std::optional<float> Recognition::Classify(std::int16_t socket, const std::string& payload) {
    GridRow& row = grid_.rowToChange(socket);
    Element& port = row.port;
    const std::string_view line = payload;

    // A settled socket whose traffic still comes is told again to stop it.
    if (row.watch() == Watch::Settled && row.verdict() != Verdict::Unclassified) {
        if (!sender_.Send("N" + std::to_string(socket) + "^")) throw Fault("link not open");
        return std::nullopt;
    }
    if (row.call.text() == "nocall") {
        row.setVerdict(Verdict::NoCall);
        release(socket);
        return std::nullopt;
    }

    if (NodeIsZq) {
        if (StartsWith(line, "ZQ11^")) {
            row.setVerdict(Verdict::KelOlder);
        } else if (StartsWith(line, "KeepAlive ")) {
            return versionAfterV(line);
        }
    } else if (NodeIsArc) {
        if (StartsWith(line, "AR17^")) {
            row.setVerdict(Verdict::KelOlder);
        } else if (StartsWith(line, "Rx ") || StartsWith(line, "Tx ") || StartsWith(line, "KeepAlive ")) {
            return versionAfterV(line);
        }
    } else if (NodeIsDxSpider) {
        if (StartsWith(line, "ZQ11^")) {
            row.setVerdict(Verdict::KelOlder);
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
            if (row.verdict() == Verdict::KelOlder) return version;
            return std::nullopt;
        }
    } else {
        if (contains(line, " dxspider >")) {
            NodeIsDxSpider = true;
        } else if (contains(line, " ZQC >")) {
            NodeIsZq = true;
            row.setVerdict(Verdict::KelOlder);
        } else if (StartsWith(line, "AR17^")) {
            row.setVerdict(Verdict::KelOlder);
            NodeIsArc = true;
        } else if (StartsWith(line, "AR1^")) {
            row.setVerdict(Verdict::Node);
            NodeIsArcPassive = true;
        } else if (StartsWith(line, "DX ARPC ") || StartsWith(line, "Rx ") || StartsWith(line, "Tx ")) {
            row.setVerdict(Verdict::KelOlder);
        } else if (StartsWith(line, "echo #")) {
            row.setVerdict(Verdict::Script);
        } else if (StartsWith(line, "ZQ11^")) {
            row.setVerdict(Verdict::KelOlder);
        } else if (contains(line, "RE Ridavir")) {
            NodeIsZq = true;
        }
        setCaptions();
    }
    return colourRules(socket, payload);
}

std::optional<float> Recognition::colourRules(std::int16_t socket, const std::string& payload) {
    GridRow& row = grid_.rowToChange(socket);
    const std::string_view line = payload;
    const Verdict verdict = row.verdict();
    if (verdict == Verdict::KelOlder) {
        // A KEL client whose version is not the latest stays watched while "KEL Version" is ticked.
        if (NodeIsDxSpider || connects_.chkKELversion.checked()) return std::nullopt;
        release(socket);
        return std::nullopt;
    }
    if (verdict == Verdict::KelLatest) {
        release(socket);
        return std::nullopt;
    }
    if (StartsWith(line, "DX de ")) {
        // Spots reach only users without a KEL client; the rule waits until the node has had time
        // to stop sending spots to sockets it knows.
        if (!commands_.DxDeArmed) return std::nullopt;
        row.setVerdict(Verdict::PlainUser);
        release(socket);
        return std::nullopt;
    }
    if (StartsWith(line, "PC92^") || StartsWith(line, "PC11^") || StartsWith(line, "PC51^") ||
        StartsWith(line, "PC16^") || StartsWith(line, "AR1^")) {
        row.setVerdict(Verdict::Node);
        release(socket);
    }
    return std::nullopt;
}

void Recognition::KelCheck(float& UserVersion, std::int16_t& stream) {
    GridRow& row = grid_.rowToChange(stream);
    Element& port = row.port;
    if (NodeIsDxSpider) UserVersion = static_cast<float>(LeadingNumber(port.tip()));
    if (UserVersion == 0.0f) return;
    ConfigValues& config = config_;
    // 2.9 is what a client says when it is the latest there is.
    if (UserVersion == 2.9f) UserVersion = static_cast<float>(LeadingNumber(config.KelLatestVersion));
    const auto rounded = [&UserVersion] {
        return RoundHalfEvenTo(static_cast<double>(UserVersion) - 0.0004, 3);
    };
    double r = rounded();
    if (r > LeadingNumber(config.KelLatestVersion)) {
        config.KelLatestVersion = DoubleText(r);
        Element& box = connects_.txtVersion;
        box.setBack(colours::kYellow);
        box.setTip("Needs Rescan");
        box.setText(config.KelLatestVersion);
        configSaver_.SaveConfig();
    }
    port.setTip(FloatText(UserVersion));
    r = rounded();
    row.setVerdict(r >= LeadingNumber(config.KelLatestVersion) ? Verdict::KelLatest : Verdict::KelOlder);
    release(stream);
}

}  // namespace dx
