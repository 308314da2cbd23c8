#pragma once
#include <cstdint>
#include <string_view>

#include "common/platform.h"

namespace dx {

// What the program sends to the node, and whether the link is up to take it.
class NodeSender {
  public:
    explicit NodeSender(Platform& platform) : platform_(platform) {}

    // The socket the node itself monitors for this program: 0 for the whole run, and row 0 is
    // never a socket.
    static constexpr std::int16_t monitoredSocket = 0;

    // Sends to the node when the link is open; answers whether it was sent.
    bool send(std::string_view text) { return platform_.socketSend(text); }
    bool connected() const { return platform_.socketState() == kSocketConnected; }

  private:
    Platform& platform_;
};

}  // namespace dx
