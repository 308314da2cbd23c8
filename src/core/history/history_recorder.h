#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "common/config_values.h"
#include "history/history_rows.h"
#include "sockets/socket_events.h"
#include "sockets/statistics.h"

namespace dx {

// UTC text as the history keeps it: "YYYY-MM-DD HH:MM:SS" and the minute "YYYY-MM-DD HH:MM".
std::string historyTime(UtcTime at);
std::string historyMinute(UtcTime at);
// The node's bytes as the history's text: read as Latin-1, written as UTF-8, NUL bytes dropped.
std::string historyText(std::string_view bytes);

// Turns the users' comings and goings and the link's ups and downs into the history's rows, and
// hands them to the sink as they happen. A session opens when a user arrives and ends when the
// user leaves or the link goes down; it keeps the most definite kind and the latest version seen,
// so a return to unclassified (a rescan) does not undo what was learnt. While the link is up,
// every minute ends in a row of the header's counters.
class HistoryRecorder : public SocketObserver {
  public:
    HistoryRecorder(const ConfigValues& config, const Statistics& statistics, HistorySink& sink)
        : config_(config), statistics_(statistics), sink_(sink) {}

    void userArrived(const UserArrived& e, PaneNotes&) override;
    void userChanged(const UserChanged& e, PaneNotes&) override;
    void userLeft(const UserLeft& e, PaneNotes&) override;
    void linkUp(const LinkUp& e, PaneNotes&) override;
    void linkDown(const LinkDown& e, PaneNotes&) override;

    // The clock moved on: a minute that has ended while the link is up gets its row.
    void clockTick(UtcTime now);

  private:
    struct Open {
        SessionRow row;
        UserKind kind = UserKind::Unclassified;
    };
    // Ends the minute under way when `at` is in a later one, and makes sure one is under way.
    void passTime(UtcTime at);
    void endMinute(HistoryBatch& batch);
    // Takes the counters as this event left them. A minute ends with the counters as the last
    // event before its end left them: the event that ends it has already been counted.
    void noteUsers();
    void send(HistoryBatch& batch);
    std::int32_t users() const;

    const ConfigValues& config_;
    const Statistics& statistics_;
    HistorySink& sink_;
    bool up_ = false;
    std::string node_;
    std::uint64_t nextKey_ = 1;
    LinkRow link_;
    std::unordered_map<std::int32_t, Open> open_;  // by socket
    std::chrono::sys_time<std::chrono::minutes> minute_{};
    Statistics::Counts shown_;
    std::int32_t maxUsers_ = 0;
};

}  // namespace dx
