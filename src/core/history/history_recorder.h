#pragma once
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/config_values.h"
#include "history/history_rows.h"
#include "sockets/socket_events.h"
#include "sockets/statistics.h"

namespace dx {

// UTC text as the history keeps it: "YYYY-MM-DD HH:MM:SS" and the minute "YYYY-MM-DD HH:MM".
std::string historyTime(UtcTime at);
std::string historyMinute(std::chrono::sys_time<std::chrono::minutes> minute);
// The node's bytes as the history's text: read as Latin-1, written as UTF-8, NUL bytes dropped.
std::string historyText(std::string_view bytes);

// Turns the users' comings and goings and the link's ups and downs into the history's rows, and
// hands them to the sink: at each tick of the clock, when the link comes up or goes down, and whenever 64
// rows have gathered (a big node's users counted at once). A session opens when a user
// arrives and ends when the user leaves or the link goes down; it keeps the most definite kind seen, so a
// return to unclassified (a rescan) does not undo what was learnt. While the link is up, every minute ends in
// a row of the header's counters. It sits beside the node's stream: each event costs it little more than the
// copy of what is new.
class HistoryRecorder : public SocketObserver {
  public:
    HistoryRecorder(const ConfigValues& config, const Statistics& statistics, HistorySink& sink);

    void userArrived(const UserArrived& e, PaneNotes&) override;
    void userChanged(const UserChanged& e, PaneNotes&) override;
    void userLeft(const UserLeft& e, PaneNotes&) override;
    void linkUp(const LinkUp& e, PaneNotes&) override;
    void linkDown(const LinkDown& e, PaneNotes&) override;

    // The clock moved on: a minute that has ended while the link is up gets its row, and the rows
    // made since the last tick go to the sink. Ticked a few times a second, so that what the
    // sink writes is never much older than its own pace.
    void clockTick(UtcTime now);

  private:
    using Minute = std::chrono::sys_time<std::chrono::minutes>;
    struct Open {
        std::uint64_t key = 0;  // 0: no session on the socket
        UserKind kind = UserKind::Unclassified;
        bool kindToWrite = false;  // a kind learnt since the session's last row
    };
    // Ends the minutes before the one of `at`.
    void passTime(UtcTime at);
    void endMinute();
    // Takes the counters as this event left them. A minute ends with the counters as the last
    // event before its end left them: the event that ends it has already been counted.
    void noteUsers();
    std::int32_t users() const;
    // Adds a row; a full batch goes to the sink at once.
    template <typename Row>
    void make(Row&& row);
    void passOn();
    void handOver();
    // A kind learnt goes with the next hand-over, or before the session ends: a user's kind often
    // changes several times within moments, and only the last needs writing.
    void writeKind(Open& open);
    void writeKinds();
    Open* openOn(std::int32_t socket);

    const ConfigValues& config_;
    const Statistics& statistics_;
    HistorySink& sink_;
    bool up_ = false;
    std::uint64_t nextKey_ = 1;
    std::uint64_t link_ = 0;
    std::vector<Open> open_;                  // by socket
    std::vector<std::int32_t> kindsToWrite_;  // sockets
    Minute minute_{};
    Statistics::Counts shown_;
    std::int32_t maxUsers_ = 0;
    // Made since the sink was last handed rows: the stream pays for little more than their copy.
    std::vector<HistoryRow> made_;
};

}  // namespace dx
