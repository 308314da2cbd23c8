#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace dx {
class SpotDelay;
class ConfigSaver;
struct ConfigValues;
struct ConnectionsModel;
class Grid;
struct MonitorModel;
class NodeSender;
class Release;

// The node program behind the socket server.
enum class NodeProgram : std::uint8_t { Unknown, ReRidavir, DxSpider, ArCluster };

// Recognises the program at the far end of a socket from its traffic, and once for the whole run
// the node program behind the socket server. The verdict is kept on the socket's grid row.
class Recognition {
  public:
    Recognition(Grid& grid, Release& release, const SpotDelay& spotDelay, NodeSender& sender,
                ConfigValues& config, ConfigSaver& configSaver, MonitorModel& monitor,
                ConnectionsModel& connects)
        : grid_(grid),
          release_(release),
          spotDelay_(spotDelay),
          sender_(sender),
          config_(config),
          configSaver_(configSaver),
          monitor_(monitor),
          connects_(connects) {}

    // Found once for the run; it chooses the rules that read every socket's traffic from then on.
    NodeProgram nodeProgram = NodeProgram::Unknown;
    // An AR-Cluster passive node: found only while the program is still unknown, which it leaves
    // unknown (the detection rules go on), so a program found later stands beside it. Found first,
    // it names the captions; the pane's output follows it.
    bool nodeIsArcPassive = false;
    bool captionsSet = false;

    // Classifies one traffic line of a socket; answers the version read from it, if any.
    std::optional<float> classify(std::int16_t socket, const std::string& payload);
    // Takes a reported KEL client version for a socket: records a newer latest version, judges the
    // socket a KEL client of the latest or an older version and releases it.
    void kelCheck(float userVersion, std::int16_t stream);

  private:
    std::optional<float> colourRules(std::int16_t socket, const std::string& payload);
    void setCaptions();
    void release(std::int16_t socket);

    Grid& grid_;
    Release& release_;
    const SpotDelay& spotDelay_;
    NodeSender& sender_;
    ConfigValues& config_;
    ConfigSaver& configSaver_;
    MonitorModel& monitor_;
    ConnectionsModel& connects_;
};

}  // namespace dx
