#pragma once
#include <array>
#include <cstdint>
#include <set>
#include <vector>

#include "common/view.h"
#include "views/connections_model.h"

namespace dx {
struct ConnectionsModel;
struct PortRows;

// The rows of the connections grid: creating them and laying them out in columns.
//
// The layout is that of one pass over every row in socket order: rows follow every 300 twips
// down a column from Top 360 and wrap into a new column 3850 twips to the right when the next
// would reach past the window's outer height less 600. The pass is kept incrementally: a row
// added after the last laid-out row is placed from where the pass left off, so adding a row to
// a grid of thousands places just that row.
class Grid {
  public:
    enum Family { kAddress = 0, kPort = 1, kCall = 2 };

    Grid(ConnectionsModel& connects, const PortRows& ports);

    std::int32_t scrollColumns = 0;

    // Creates row `stream`; a row that exists already is a fault for the caller.
    void createRow(std::int32_t stream);
    void layOut();
    // Creates every row from..to that does not exist yet, in rising order. Costs what it creates,
    // not the size of the grid.
    void createMissingRows(std::int32_t from, std::int32_t to);
    // Removes one row (nothing when it does not exist).
    void removeRow(std::int32_t i);

    std::int32_t highestIndex() const;
    bool hasRow(std::int32_t i) const;
    // The row for reading, or a fault when there is none.
    const GridRow& row(std::int32_t i) const;
    // The row for changing, or a fault when there is none: the one way to change a row, so the
    // counters look at it again at their next count.
    GridRow& rowToChange(std::int32_t i);
    // Marks a row changed for the counters without handing it out (a row changed after a count
    // that had already looked at it).
    void markChanged(std::int32_t i);
    // The rows created, removed or marked changed since the last take.
    std::vector<std::int32_t> takeTouched();
    static Element& cell(GridRow& r, Family f);

  private:
    struct Cursor {
        Twips left = 0;
        Twips top = 0;
    };
    struct Key {
        std::int32_t portCount = 0;
        Twips outerHeight = 0;
        std::int32_t scroll = 0;
        std::array<Twips, 3> baseLeft{};
        bool operator==(const Key&) const = default;
    };

    Key currentKey();
    // Places rows from..last of one family, carrying the pass's cursor.
    void arrangeColumn(Family f, std::int32_t from, std::int32_t last, Cursor& at);

    void touch(std::int32_t i);

    ConnectionsModel& connects_;
    const PortRows& ports_;
    // What a new row copies: the template as designed, whatever its row 0 has become since.
    GridRow design_;
    std::vector<std::int32_t> touched_;
    std::vector<bool> isTouched_;
    // Indexes from 1 to the highest row that have no row.
    std::set<std::int32_t> gaps_;
    bool valid_ = false;
    Key key_{};
    std::int32_t placedUpTo_ = 0;
    std::array<Cursor, 3> cursor_{};
};

}  // namespace dx
