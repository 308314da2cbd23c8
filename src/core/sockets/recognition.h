#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace dx {
class CommandLine;
class ConfigSaver;
struct ConfigValues;
struct ConnectsWindow;
class Grid;
struct MonitorWindow;
class NodeSender;
class Release;

// Recognises the program at the far end of a socket from its traffic, and once for the whole run
// the node program behind the socket server. The verdict is kept on the socket's grid row.
class Recognition {
  public:
    Recognition(Grid& grid, Release& release, const CommandLine& commands, NodeSender& sender,
                ConfigValues& config, ConfigSaver& configSaver, MonitorWindow& monitor,
                ConnectsWindow& connects)
        : grid_(grid),
          release_(release),
          commands_(commands),
          sender_(sender),
          config_(config),
          configSaver_(configSaver),
          monitor_(monitor),
          connects_(connects) {}

    bool NodeIsZq = false;
    bool NodeIsDxSpider = false;
    bool NodeIsArc = false;
    bool NodeIsArcPassive = false;
    bool CaptionsSet = false;

    // Classifies one traffic line of a socket; answers the version read from it, if any.
    std::optional<float> Classify(std::int16_t socket, const std::string& payload);
    // Takes a reported KEL client version for a socket: records a newer latest version, judges the
    // socket a KEL client of the latest or an older version and releases it.
    void KelCheck(float& UserVersion, std::int16_t& stream);

  private:
    std::optional<float> colourRules(std::int16_t socket, const std::string& payload);
    void setCaptions();
    void release(std::int16_t socket);

    Grid& grid_;
    Release& release_;
    const CommandLine& commands_;
    NodeSender& sender_;
    ConfigValues& config_;
    ConfigSaver& configSaver_;
    MonitorWindow& monitor_;
    ConnectsWindow& connects_;
};

}  // namespace dx
