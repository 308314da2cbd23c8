#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "common/platform.h"

namespace dx {

// What the program sends to the node, and whether the link is up to take it.
//
// Every command the program sends is made here, named for what it asks the node to do. Each goes
// out as it stands, nothing added (the node needs no terminator), and answers whether it was sent:
// a link that is not open takes nothing.
class NodeSender {
  public:
    explicit NodeSender(Platform& platform) : platform_(platform) {}

    // The socket the node itself monitors for this program: 0 for the whole run, and row 0 is
    // never a socket.
    static constexpr std::int16_t monitoredSocket = 0;

    // "B": start the stream; sent once a connection is up and the node is ready for it.
    bool start() { return send("B"); }
    // "A": Auto, the node chooses which socket the monitor window shows.
    bool autoMode() { return send("A"); }
    // "M" socket "^": send that socket's traffic, so its far end can be recognised.
    bool watch(std::string_view socketText) { return send(aboutSocket('M', socketText)); }
    // "N" socket "^": stop sending that socket's traffic, its far end is settled.
    bool stopWatching(std::string_view socketText) { return send(aboutSocket('N', socketText)); }
    // "M*^": send every socket's traffic again (Rescan).
    bool watchAll() { return send("M*^"); }
    // The bare socket number: show that socket (the operator picked it).
    bool showSocket(std::string_view socketText) { return send(socketText); }
    // A line the operator typed on the command line, exactly as typed.
    bool operatorLine(std::string_view line) { return send(line); }

    bool connected() const { return platform_.socketState() == kSocketConnected; }

  private:
    static std::string aboutSocket(char command, std::string_view socketText) {
        std::string text;
        text.reserve(socketText.size() + 2);
        text += command;
        text += socketText;
        text += '^';
        return text;
    }
    bool send(std::string_view text) { return platform_.socketSend(text); }

    Platform& platform_;
};

}  // namespace dx
