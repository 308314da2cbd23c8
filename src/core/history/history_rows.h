#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dx {

// What the history keeps, as plain rows: text is UTF-8 (the node's bytes read as Latin-1, NUL
// bytes dropped), times are UTC text "YYYY-MM-DD HH:MM:SS", minutes "YYYY-MM-DD HH:MM".

// A user's stay on the node, written when it starts and again whenever it changes or ends. `key`
// tells this program's sessions apart until the store has given each its own id.
struct SessionRow {
    std::uint64_t key = 0;
    std::string node;
    std::int32_t socket = 0;
    std::string call;
    std::string address;
    std::string port;
    std::string kind;
    std::string version;
    std::string started;
    std::string ended;      // empty while the session is open
    std::string endReason;  // "left", "link-lost", "program-ended"; empty while open
};

// The header's counters at a minute's end, and the most users seen within it.
struct CountRow {
    std::string node;
    std::string minute;
    std::int32_t users = 0, maxUsers = 0, kelLatest = 0, kelOlder = 0, kelUnknown = 0, plain = 0, nodes = 0,
                 nocall = 0, unclassified = 0;
};

// A stretch of the link being up, written when it comes up and again when it goes down.
struct LinkRow {
    std::uint64_t key = 0;
    std::string node;
    std::string up;
    std::string down;    // empty while up
    std::string reason;  // the link-down reason's name; empty while up
};

// What one event or one minute adds to the history, in the order it happened.
struct HistoryBatch {
    std::vector<SessionRow> sessions;
    std::vector<CountRow> counts;
    std::vector<LinkRow> links;
    bool empty() const { return sessions.empty() && counts.empty() && links.empty(); }
};

// Where the recorder's rows go. `write` only takes the rows in: it never waits for a disk.
class HistorySink {
  public:
    virtual void write(HistoryBatch batch) = 0;

  protected:
    ~HistorySink() = default;
};

}  // namespace dx
