#include "views/grid.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/fault.h"
#include "views/connections_model.h"
#include "views/port_rows.h"

namespace dx {
namespace {
// Where createRow puts a new row's cells until the layout pass moves them.
constexpr std::array<Twips, 3> kProvisionalLeft{0, 1560, 2230};
// No socket number goes beyond 16 bits.
constexpr std::int32_t kMaxRow = 32767;
}  // namespace

Grid::Grid(ConnectionsModel& connects, const PortRows& ports)
    : connects_(connects), ports_(ports), design_(connects.rows[0]) {}

void Grid::touch(std::int32_t i) {
    const auto at = static_cast<std::size_t>(i);
    if (at >= isTouched_.size()) isTouched_.resize(at + 1, false);
    if (isTouched_[at]) return;
    isTouched_[at] = true;
    touched_.push_back(i);
}

std::vector<std::int32_t> Grid::takeTouched() {
    for (const std::int32_t i : touched_) isTouched_[static_cast<std::size_t>(i)] = false;
    std::vector<std::int32_t> out;
    out.swap(touched_);
    return out;
}

Element& Grid::cell(GridRow& r, Family f) {
    switch (f) {
        case kAddress:
            return r.address;
        case kPort:
            return r.port;
        default:
            return r.call;
    }
}

std::int32_t Grid::highestIndex() const {
    return static_cast<std::int32_t>(connects_.rows.size()) - 1;
}

bool Grid::hasRow(std::int32_t i) const {
    const auto& ex = connects_.rowExists;
    return i >= 0 && static_cast<std::size_t>(i) < ex.size() && ex[static_cast<std::size_t>(i)];
}

const GridRow& Grid::row(std::int32_t i) const {
    if (!hasRow(i)) throw Fault("no such row");
    return connects_.rows[static_cast<std::size_t>(i)];
}

GridRow& Grid::rowToChange(std::int32_t i) {
    markChanged(i);
    return connects_.rows[static_cast<std::size_t>(i)];
}

void Grid::markChanged(std::int32_t i) {
    if (!hasRow(i)) throw Fault("no such row");
    touch(i);
}

void Grid::createRow(std::int32_t stream) {
    if (stream < 1 || stream > kMaxRow) throw Fault("row out of range");
    if (hasRow(stream)) throw Fault("row exists");
    auto& rows = connects_.rows;
    auto& exists = connects_.rowExists;
    const auto i = static_cast<std::size_t>(stream);
    if (i >= rows.size()) {
        for (auto g = static_cast<std::int32_t>(rows.size()); g < stream; ++g) gaps_.insert(g);
        rows.resize(i + 1);
        exists.resize(i + 1, false);
    } else {
        gaps_.erase(stream);
        valid_ = false;  // a row in a gap moves every row after it
    }
    GridRow r = design_;
    r.call.setTip("  " + std::to_string(stream) + "  ");
    for (int f = kAddress; f <= kCall; ++f) {
        Element& c = cell(r, static_cast<Family>(f));
        c.setTop(0);
        c.setLeft(kProvisionalLeft[static_cast<std::size_t>(f)]);
        c.setVisible(false);
    }
    rows[i] = std::move(r);
    exists[i] = true;
    touch(stream);
    layOut();
    // Rows up to the limit are the node's listening sockets, which are never laid out: shown,
    // they would stand at their waiting place over the header.
    if (stream > ports_.hiddenRowLimit) {
        GridRow& made = rows[i];
        if (!made.address.visible()) made.address.setVisible(true);
        made.port.setVisible(true);
        made.call.setVisible(true);
    }
}

void Grid::createMissingRows(std::int32_t from, std::int32_t to) {
    if (from < 1) from = 1;
    const std::int32_t highest = highestIndex();
    std::vector<std::int32_t> missing;
    for (auto it = gaps_.lower_bound(from); it != gaps_.end() && *it <= to; ++it) missing.push_back(*it);
    for (const std::int32_t g : missing) createRow(g);
    for (std::int32_t i = std::max(from, highest + 1); i <= to; ++i) createRow(i);
}

void Grid::removeRow(std::int32_t i) {
    if (i < 1 || !hasRow(i)) return;
    auto& rows = connects_.rows;
    auto& exists = connects_.rowExists;
    exists[static_cast<std::size_t>(i)] = false;
    rows[static_cast<std::size_t>(i)] = GridRow{};
    gaps_.insert(i);
    touch(i);
    while (rows.size() > 1 && !exists.back()) {
        gaps_.erase(static_cast<std::int32_t>(rows.size()) - 1);
        rows.pop_back();
        exists.pop_back();
    }
    valid_ = false;
}

Grid::Key Grid::currentKey() {
    const auto& t = connects_.rows[0];
    return Key{ports_.portCount,
               connects_.window.height(),
               scrollColumns,
               {t.address.left(), t.port.left(), t.call.left()}};
}

void Grid::layOut() {
    const std::int32_t n = highestIndex();
    const Key key = currentKey();
    std::int32_t from = key.portCount + 1;
    if (valid_ && key == key_ && n >= placedUpTo_) {
        from = placedUpTo_ + 1;  // everything up to placedUpTo_ is where the full pass puts it
    } else {
        for (std::size_t f = 0; f < 3; ++f) {
            cursor_[f].left = key.baseLeft[f] - scrollColumns * ConnectionsModel::kColumnPitch;
            cursor_[f].top = 60;
        }
    }
    for (int f = kAddress; f <= kCall; ++f)
        arrangeColumn(static_cast<Family>(f), from, n, cursor_[static_cast<std::size_t>(f)]);
    key_ = key;
    placedUpTo_ = n < key.portCount ? key.portCount : n;
    valid_ = true;
}

void Grid::arrangeColumn(Family f, std::int32_t from, std::int32_t last, Cursor& at) {
    const Twips limit = connects_.window.height() - 600;
    auto& rows = connects_.rows;
    for (std::int32_t i = from; i <= last; ++i) {
        // A socket number the node has not reported has no row, and takes no place.
        if (!hasRow(i)) continue;
        Element& c = cell(rows[static_cast<std::size_t>(i)], f);
        at.top += ConnectionsModel::kRowPitch;
        if (c.height() + at.top + 100 > limit) {
            at.left += ConnectionsModel::kColumnPitch;
            at.top = ConnectionsModel::kFirstRowTop;
        }
        c.setTop(at.top);
        c.setLeft(at.left);
    }
}

}  // namespace dx
