#include "sockets/recognition.h"

#include <string_view>

#include "common/config_values.h"
#include "common/fault.h"
#include "common/numeric.h"
#include "common/text.h"
#include "sockets/release.h"
#include "sockets/spot_delay.h"
#include "views/connections_model.h"
#include "views/grid.h"
#include "views/monitor_model.h"
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
    return static_cast<float>(leadingNumber(v == std::string_view::npos ? line : line.substr(v + 1)));
}
}  // namespace

void Recognition::release(std::int16_t socket) {
    release_.releaseSocketWatch(std::to_string(socket));
}

void Recognition::setCaptions() {
    if (captionsSet) return;
    const char* kind = nullptr;
    switch (nodeProgram) {
        case NodeProgram::ReRidavir:
            kind = "ZQC";
            break;
        case NodeProgram::DxSpider:
            kind = "DXS";
            break;
        case NodeProgram::ArCluster:
            kind = "ARC";
            break;
        case NodeProgram::Unknown:
            // A passive node found while the program is unknown names the captions.
            if (nodeIsArcPassive) kind = "ARC Passive";
            break;
    }
    if (kind == nullptr) return;
    connects_.window.setCaption(std::string(kind) + " Connections");
    monitor_.window.setCaption(std::string(kind) + " Monitor");
    captionsSet = true;
}

std::optional<float> Recognition::classify(std::int16_t socket, const std::string& payload) {
    GridRow& row = grid_.rowToChange(socket);
    const std::string_view line = payload;

    // A settled socket whose traffic still comes is told again to stop it.
    if (row.watch() == Watch::Settled && row.verdict() != Verdict::Unclassified) {
        if (!sender_.stopWatching(std::to_string(socket))) throw Fault("link not open");
        return std::nullopt;
    }
    if (row.call.text() == "nocall") {
        row.setVerdict(Verdict::NoCall);
        release(socket);
        return std::nullopt;
    }

    if (nodeProgram == NodeProgram::ReRidavir) {
        if (startsWith(line, "ZQ11^")) {
            row.setVerdict(Verdict::KelOlder);
        } else if (startsWith(line, "KeepAlive ")) {
            return versionAfterV(line);
        }
    } else if (nodeProgram == NodeProgram::ArCluster) {
        if (startsWith(line, "AR17^")) {
            row.setVerdict(Verdict::KelOlder);
        } else if (startsWith(line, "Rx ") || startsWith(line, "Tx ") || startsWith(line, "KeepAlive ")) {
            return versionAfterV(line);
        }
    } else if (nodeProgram == NodeProgram::DxSpider) {
        if (startsWith(line, "ZQ11^")) {
            row.setVerdict(Verdict::KelOlder);
            kelCheck(0, socket);
        } else if (line == " spider >") {
            row.setVersion("2");
            return std::nullopt;
        } else if (const std::size_t p = line.find("  dxspider >", 37); p != std::string_view::npos) {
            // The client's version stands just before the prompt.
            const auto version = static_cast<float>(leadingNumber(line.substr(p - 6, 8)));
            row.setVersion(floatText(version));
            if (row.verdict() == Verdict::KelOlder) return version;
            return std::nullopt;
        }
    } else {
        if (contains(line, " dxspider >")) {
            nodeProgram = NodeProgram::DxSpider;
        } else if (contains(line, " ZQC >")) {
            nodeProgram = NodeProgram::ReRidavir;
            row.setVerdict(Verdict::KelOlder);
        } else if (startsWith(line, "AR17^")) {
            row.setVerdict(Verdict::KelOlder);
            nodeProgram = NodeProgram::ArCluster;
        } else if (startsWith(line, "AR1^")) {
            row.setVerdict(Verdict::Node);
            nodeIsArcPassive = true;
        } else if (startsWith(line, "DX ARPC ") || startsWith(line, "Rx ") || startsWith(line, "Tx ")) {
            row.setVerdict(Verdict::KelOlder);
        } else if (startsWith(line, "echo #")) {
            row.setVerdict(Verdict::Script);
        } else if (startsWith(line, "ZQ11^")) {
            row.setVerdict(Verdict::KelOlder);
        } else if (contains(line, "RE Ridavir")) {
            nodeProgram = NodeProgram::ReRidavir;
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
        if (nodeProgram == NodeProgram::DxSpider || connects_.watchOlderVersions.checked())
            return std::nullopt;
        release(socket);
        return std::nullopt;
    }
    if (verdict == Verdict::KelLatest) {
        release(socket);
        return std::nullopt;
    }
    if (startsWith(line, "DX de ")) {
        // Spots reach only users without a KEL client; the rule waits until the node has had time
        // to stop sending spots to sockets it knows.
        if (!spotDelay_.armed) return std::nullopt;
        row.setVerdict(Verdict::PlainUser);
        release(socket);
        return std::nullopt;
    }
    if (startsWith(line, "PC92^") || startsWith(line, "PC11^") || startsWith(line, "PC51^") ||
        startsWith(line, "PC16^") || startsWith(line, "AR1^")) {
        row.setVerdict(Verdict::Node);
        release(socket);
    }
    return std::nullopt;
}

void Recognition::kelCheck(float userVersion, std::int16_t stream) {
    GridRow& row = grid_.rowToChange(stream);
    if (nodeProgram == NodeProgram::DxSpider) userVersion = static_cast<float>(leadingNumber(row.version()));
    if (userVersion == 0.0f) return;
    ConfigValues& config = config_;
    // 2.9 is what a client says when it is the latest there is.
    if (userVersion == 2.9f) userVersion = static_cast<float>(leadingNumber(config.kelLatestVersion));
    const auto rounded = [&userVersion] {
        return roundHalfEvenTo(static_cast<double>(userVersion) - 0.0004, 3);
    };
    double r = rounded();
    if (r > leadingNumber(config.kelLatestVersion)) {
        config.kelLatestVersion = doubleText(r);
        Element& box = connects_.latestVersion;
        box.setBack(colours::kYellow);
        box.setTip("Needs Rescan");
        box.setText(config.kelLatestVersion);
        configSaver_.saveConfig();
    }
    row.setVersion(floatText(userVersion));
    r = rounded();
    row.setVerdict(r >= leadingNumber(config.kelLatestVersion) ? Verdict::KelLatest : Verdict::KelOlder);
    release(stream);
}

}  // namespace dx
