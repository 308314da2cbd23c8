#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace dx {
class CommandLine;
class ConfigSaver;
struct ConfigValues;
struct ConnectionsModel;
class Grid;
struct MonitorModel;
class NodeSender;
class Release;

// Recognises the program at the far end of a socket from its traffic, and once for the whole run
// the node program behind the socket server. The verdict is kept on the socket's grid row.
class Recognition {
  public:
    Recognition(Grid& grid, Release& release, const CommandLine& commands, NodeSender& sender,
                ConfigValues& config, ConfigSaver& configSaver, MonitorModel& monitor,
                ConnectionsModel& connects)
        : grid_(grid),
          release_(release),
          commands_(commands),
          sender_(sender),
          config_(config),
          configSaver_(configSaver),
          monitor_(monitor),
          connects_(connects) {}

    bool nodeIsZq = false;
    bool nodeIsDxSpider = false;
    bool nodeIsArc = false;
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
    const CommandLine& commands_;
    NodeSender& sender_;
    ConfigValues& config_;
    ConfigSaver& configSaver_;
    MonitorModel& monitor_;
    ConnectionsModel& connects_;
};

}  // namespace dx
