#include "sockets/statistics.h"

#include <algorithm>
#include <optional>
#include <string>

#include "sockets/socket_events.h"
#include "sockets/traffic_rows.h"
#include "views/connections_model.h"
#include "views/grid.h"
#include "views/monitor_model.h"

namespace dx {

UserKind Statistics::categorise(std::int32_t i) {
    if (i < 1 || i > counted_ || !grid_.hasRow(i)) return UserKind::None;
    return connects_.rows[static_cast<std::size_t>(i)].userKind();
}

UserKind Statistics::countedAs(std::int32_t i) const {
    if (i < 1 || i > counted_ || static_cast<std::size_t>(i) >= category_.size()) return UserKind::None;
    return category_[static_cast<std::size_t>(i)];
}

void Statistics::add(UserKind c, int by) {
    switch (c) {
        case UserKind::NoCall:
            counts_.noCall += by;
            break;
        case UserKind::Node:
            counts_.node += by;
            break;
        case UserKind::KelLatest:
            counts_.kelLatest += by;
            break;
        case UserKind::NonKel:
            counts_.nonKel += by;
            break;
        case UserKind::KelUnknown:
            counts_.kelUnknown += by;
            [[fallthrough]];
        case UserKind::KelOther:
            counts_.kelOther += by;
            break;
        case UserKind::Unclassified:
            counts_.unclassified += by;
            break;
        case UserKind::None:
            break;
    }
}

void Statistics::widen(std::int32_t i) {
    if (i < 1 || i > counted_ || !grid_.hasRow(i)) return;
    std::int16_t& width = trafficRows_.callFieldWidth;
    const auto length = connects_.rows[static_cast<std::size_t>(i)].call.text().size();
    if (width < 12 && length > static_cast<std::size_t>(width)) {
        width = length > 12 ? 11 : static_cast<std::int16_t>(length);
    }
}

void Statistics::followMonitoredRow() {
    // The monitor window's port box takes the colour of the row it shows.
    const std::optional<std::int32_t> shown = monitor_.shownSocket().row();
    if (!shown || *shown > counted_) return;
    const std::int32_t i = *shown;
    if (!grid_.hasRow(i)) return;
    const GridRow& row = connects_.rows[static_cast<std::size_t>(i)];
    monitor_.shownPort.setBack(portColours(row.verdict(), row.watch()).back);
}

void Statistics::report(std::int32_t i, UserKind kind) {
    events_.counted(i, kind, grid_.hasRow(i) ? &connects_.rows[static_cast<std::size_t>(i)] : nullptr);
}

void Statistics::rowsRemoved() {
    // Exactly what the next count would find row by row: every row gone counts as nothing.
    std::fill(category_.begin(), category_.end(), UserKind::None);
    counts_ = Counts{};
}

void Statistics::walk() {
    const std::vector<UserKind> before = std::move(category_);
    counted_ = trafficRows_.lastGridRow;
    counts_ = Counts{};
    category_.assign(static_cast<std::size_t>(std::max(counted_, 0)) + 1, UserKind::None);
    for (std::int32_t i = 1; i <= counted_; ++i) {
        widen(i);
        const UserKind c = categorise(i);
        category_[static_cast<std::size_t>(i)] = c;
        add(c, 1);
    }
    grid_.takeTouched();
    if (!events_.listening()) return;
    for (std::size_t i = 1; i < std::max(before.size(), category_.size()); ++i)
        report(static_cast<std::int32_t>(i), i < category_.size() ? category_[i] : UserKind::None);
}

void Statistics::incremental() {
    // Every row that can have changed since the last count: those touched, and those the range
    // gained or lost. Rows not among them count as they did, and (the call-field width only ever
    // grows) cannot widen the call field again.
    std::vector<std::int32_t> rows = grid_.takeTouched();
    const std::int32_t before = counted_;
    counted_ = trafficRows_.lastGridRow;
    for (std::int32_t i = std::min(before, counted_) + 1; i <= std::max(before, counted_); ++i)
        rows.push_back(i);
    if (category_.size() < static_cast<std::size_t>(std::max(counted_, before)) + 1)
        category_.resize(static_cast<std::size_t>(std::max(counted_, before)) + 1, UserKind::None);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const bool listening = events_.listening();
    for (const std::int32_t i : rows) {
        widen(i);
        if (i < 1 || static_cast<std::size_t>(i) >= category_.size()) continue;
        const GridRow* row = grid_.hasRow(i) ? &connects_.rows[static_cast<std::size_t>(i)] : nullptr;
        const UserKind now = row && i <= counted_ ? row->userKind() : UserKind::None;
        UserKind& was = category_[static_cast<std::size_t>(i)];
        if (now != was) {
            add(was, -1);
            add(now, 1);
            was = now;
        }
        // Published as the counters change, so that after each event the users known to be
        // present are what the counters count.
        if (listening) events_.counted(i, now, row);
    }
}

void Statistics::countClientVersions() {
    if (walkEveryRow)
        walk();
    else
        incremental();
    followMonitoredRow();
    writeHeader();
}

void Statistics::writeHeader() {
    ConnectionsModel& c = connects_;
    const Counts& n = counts_;
    c.usersCount.setText(std::to_string(n.users()));
    if (c.watchOlderVersions.checked()) {
        c.kelCount.setTip("Latest Version users = " + std::to_string(n.kelLatest) +
                          "  Older version users = " + std::to_string(n.kelOther - n.kelUnknown) +
                          "   Unknown version users = " + std::to_string(n.kelUnknown) + " ");
    } else {
        c.kelCount.setTip("Connected sockets using KEL  ");
    }
    c.kelCount.setText(std::to_string(n.kel()));
    c.plainUserCount.setText(std::to_string(n.nonKel));
    c.noCallCount.setText(std::to_string(n.noCall));
    c.unclassifiedCount.setText(std::to_string(n.unclassified));
    c.nodeCount.setText(std::to_string(n.node));
}

}  // namespace dx
