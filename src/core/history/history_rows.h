#pragma once
#include <chrono>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "sockets/socket_events.h"

namespace dx {

// What the history learns, one row at a time and in the order it happened. The rows hold what
// the events carry, as cheaply as they can be taken (the node's bytes, times as time points): the
// writer of the history makes its text, away from the node's stream. A session or a link is named
// by a key of this program's own, given when it starts.

// The link came up to `node` (the configured address, ":" and the port).
struct LinkWentUp {
    std::uint64_t key = 0;
    std::string node;
    UtcTime at;
};
struct LinkWentDown {
    std::uint64_t key = 0;
    UtcTime at;
    LinkDownReason reason = LinkDownReason::ClosedByNode;
};
// A user's stay on the node began, on the link `link`.
struct SessionStarted {
    std::uint64_t key = 0;
    std::uint64_t link = 0;
    std::int32_t socket = 0;
    std::string call;
    std::string address;
    std::string port;
    UserKind kind = UserKind::Unclassified;
    std::string version;
    UtcTime at;
};
// What the session now holds: its kind (the most definite seen), and a call or a version when
// they changed (empty when not).
struct SessionChanged {
    std::uint64_t key = 0;
    UserKind kind = UserKind::Unclassified;
    std::string call;
    std::string version;
};
enum class SessionEnd : std::uint8_t { Left, LinkLost, ProgramEnded };
struct SessionEnded {
    std::uint64_t key = 0;
    UtcTime at;
    SessionEnd reason = SessionEnd::Left;
};
// The header's counters at a minute's end on link `link`, and the most users seen within it.
struct MinuteCounted {
    std::uint64_t link = 0;
    std::chrono::sys_time<std::chrono::minutes> minute;
    std::int32_t users = 0, maxUsers = 0, kelLatest = 0, kelOlder = 0, kelUnknown = 0, plain = 0, nodes = 0,
                 nocall = 0, unclassified = 0;
};

using HistoryRow =
    std::variant<LinkWentUp, LinkWentDown, SessionStarted, SessionChanged, SessionEnded, MinuteCounted>;

// "left", "link-lost", "program-ended".
std::string_view sessionEndName(SessionEnd end);

// Where the recorder's rows go, a few at a time, in order. `write` only takes them in: it never
// waits for a disk.
class HistorySink {
  public:
    virtual void write(std::vector<HistoryRow> rows) = 0;

  protected:
    ~HistorySink() = default;
};

}  // namespace dx
