#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "history/shown_span.h"
#include "views/user_kind.h"

namespace dx {

// Texts that many sessions share (calls, addresses, ports, versions, nodes), each kept once and
// named by a number. Number 0 is the empty text. A year of sessions holds some 400 000 different
// texts (most of them addresses): they are kept end to end in one buffer, with an index of
// numbers, at little more than their characters.
class TextPool {
  public:
    TextPool();

    std::uint32_t add(std::string_view text);
    std::string_view operator[](std::uint32_t id) const {
        return std::string_view(chars_).substr(starts_[id], starts_[id + 1] - starts_[id]);
    }
    std::uint32_t size() const { return static_cast<std::uint32_t>(starts_.size() - 1); }

  private:
    void grow();

    std::string chars_;
    std::vector<std::uint32_t> starts_;  // text i is chars_[starts_[i], starts_[i + 1])
    std::vector<std::uint32_t> slots_;   // by hash: a text's number + 1, or 0 when free
};

// Why a session ended, as the history says it ("left", "link-lost", "program-ended",
// "unknown"); Open while it has not.
enum class SessionEndReason : std::uint8_t { Open, Left, LinkLost, ProgramEnded, Unknown };
std::string_view endReasonName(SessionEndReason reason);
SessionEndReason endReasonNamed(std::string_view name);
// A kind as the history names it (userKindName); an unknown name is "unclassified".
UserKind userKindNamed(std::string_view name);

// One session, as compact as a year of them (a million and more) asks: times in seconds, texts
// by their number in the list's pool.
struct SessionRow {
    std::int64_t id = 0;        // the history's own number for it
    std::uint32_t started = 0;  // seconds since 1970-01-01, UTC
    std::int32_t length = -1;   // seconds; -1 while it is open
    std::uint32_t node = 0, call = 0, address = 0, port = 0, version = 0;
    std::int16_t socket = 0;
    UserKind kind = UserKind::Unclassified;
    SessionEndReason end = SessionEndReason::Open;
};

// Sessions as read from the history, with the texts they name.
struct SessionBatch {
    TextPool texts;
    std::vector<SessionRow> rows;
};

// The sessions list's columns, in the order shown.
enum class SessionColumn : std::uint8_t { Call, Address, Port, Kind, Version, Start, Duration, EndReason };
inline constexpr std::array<std::string_view, 8> kSessionColumnTitles{
    "Call", "Address", "Port", "Kind", "Version", "Start", "Duration", "End reason"};

struct SessionOrder {
    SessionColumn column = SessionColumn::Start;
    bool descending = true;  // the newest first
};

// The sessions the History window holds, and the ones it shows: those of the span shown, whose
// call or address holds the filter, in the operator's order.
class SessionList {
  public:
    // Takes in sessions read from the history. A session already held is replaced by its
    // newer reading (its end, a kind learnt since).
    void merge(SessionBatch batch);
    // The sessions held open: whether they have ended since is asked at the next reading.
    std::vector<std::int64_t> openIds() const;

    // Chooses the rows shown: the sessions that overlap `span` and whose call or address holds
    // `filter` (ignoring the case of A to Z), ordered by `order`, a session still open lasting
    // until `now`. Rows alike in the column are ordered by their start, the same way round.
    void show(TimeSpan span, std::string_view filter, SessionOrder order, UtcTime now);
    const std::vector<std::uint32_t>& shown() const { return shown_; }

    std::size_t size() const { return rows_.size(); }
    const SessionRow& row(std::uint32_t i) const { return rows_[i]; }
    std::string_view text(std::uint32_t id) const { return texts_[id]; }
    // A cell as the window shows it.
    std::string cell(const SessionRow& row, SessionColumn column, UtcTime now) const;
    // The rows shown as comma-separated values, after a header row: the history's columns of a
    // session (docs/history.md), as `--export sessions` writes them.
    void appendShownCsv(std::string& out) const;

  private:
    // Each text's place in the case-ignoring order of all texts, made again when texts came in.
    const std::vector<std::uint32_t>& ranks();

    TextPool texts_;
    std::vector<SessionRow> rows_;  // by id
    std::vector<std::uint32_t> shown_;
    std::vector<std::uint32_t> ranks_;
};

}  // namespace dx
