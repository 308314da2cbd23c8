#pragma once
#include <string>

namespace dx {
class Core;

// Start-up, the node connection's own events and the end of the program.
class NodeLink {
  public:
    explicit NodeLink(Core& core) : core_(core) {}

    // The monitor window's load: places it, reads the configuration, shows the connections window.
    void Startup();
    // The Connect button: clears the grid of the last connection and starts a new one.
    void ConnectToNode();
    void OnConnected();
    void OnClosedByPeer();
    void OnError(const std::string& description);
    void OnConnectionRequest() {}
    // The monitor window is closed: waits for the link to close, then ends the program.
    void MonitorUnload();
    void EndProgram();

  private:
    Core& core_;
    bool ended_ = false;
};

}  // namespace dx
