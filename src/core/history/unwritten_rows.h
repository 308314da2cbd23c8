#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

#include "history/history_rows.h"

namespace dx {

// The history's rows not yet written, in the order they happened, while the history cannot take
// them (a full disk, a write error, a database held by another writer). They are kept to be
// written when it can, but not without bound: beyond a day of counts, the rows of a hundred
// thousand sessions or ten thousand stretches of the link, the oldest go, and how many went is
// counted for the operator.
class UnwrittenRows {
  public:
    struct Bounds {
        std::size_t minutes = 24 * 60;  // rows of counts: a day's, one a minute
        std::size_t sessions = 100000;  // sessions with a row unwritten (started, changed or ended)
        std::size_t links = 10000;      // the link's stretches with a row unwritten
    };
    // What went, since it was last taken.
    struct Lost {
        std::uint64_t sessions = 0, minutes = 0, links = 0;
        bool any() const { return sessions || minutes || links; }
    };

    UnwrittenRows() = default;
    explicit UnwrittenRows(Bounds bounds) : bounds_(bounds) {}

    void add(std::vector<HistoryRow>&& rows);
    const std::deque<HistoryRow>& rows() const { return rows_; }
    bool empty() const { return rows_.empty(); }
    // Everything was written.
    void clear() { rows_.clear(); }

    // Holds the rows to the bounds. A session's changes become one (its kind the latest, its call
    // and version the latest given), then the oldest stretches of the link go, with the sessions
    // and counts made on them, then the oldest sessions (all their rows) and the oldest counts.
    void bound();
    Lost takeLost() { return std::exchange(lost_, {}); }

  private:
    Bounds bounds_;
    std::deque<HistoryRow> rows_;
    Lost lost_;
};

}  // namespace dx
