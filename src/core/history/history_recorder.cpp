#include "history/history_recorder.h"

#include <cstdio>

namespace dx {

namespace {
std::string timeText(UtcTime at, bool seconds) {
    const auto day = std::chrono::floor<std::chrono::days>(at);
    const std::chrono::year_month_day date{day};
    const std::chrono::hh_mm_ss clock{at - day};
    char text[32];
    if (seconds)
        std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", int(date.year()),
                      unsigned(date.month()), unsigned(date.day()), int(clock.hours().count()),
                      int(clock.minutes().count()), int(clock.seconds().count()));
    else
        std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d", int(date.year()), unsigned(date.month()),
                      unsigned(date.day()), int(clock.hours().count()), int(clock.minutes().count()));
    return text;
}

// How much a kind says about the far end: a verdict says more than "a KEL client, version not
// known yet", which says more than nothing.
int definiteness(UserKind kind) {
    switch (kind) {
        case UserKind::Unclassified:
        case UserKind::None:
            return 0;
        case UserKind::KelUnknown:
            return 1;
        default:
            return 2;
    }
}
}  // namespace

std::string historyTime(UtcTime at) {
    return timeText(at, true);
}
std::string historyMinute(UtcTime at) {
    return timeText(at, false);
}

std::string historyText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b == 0) continue;
        if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

std::int32_t HistoryRecorder::users() const {
    const Statistics::Counts& n = shown_;
    return n.nonKel + n.unclassified + n.kelLatest + n.kelOther + n.node;
}

void HistoryRecorder::send(HistoryBatch& batch) {
    if (!batch.empty()) sink_.write(std::move(batch));
}

void HistoryRecorder::noteUsers() {
    shown_ = statistics_.counts();
    maxUsers_ = std::max(maxUsers_, users());
}

void HistoryRecorder::endMinute(HistoryBatch& batch) {
    const Statistics::Counts& n = shown_;
    CountRow row;
    row.node = node_;
    row.minute = historyMinute(minute_);
    row.users = users();
    row.maxUsers = std::max(maxUsers_, row.users);
    row.kelLatest = n.kelLatest;
    row.kelOlder = n.kelOther - n.kelUnknown;
    row.kelUnknown = n.kelUnknown;
    row.plain = n.nonKel;
    row.nodes = n.node;
    row.nocall = n.noCall;
    row.unclassified = n.unclassified;
    batch.counts.push_back(std::move(row));
    maxUsers_ = users();
}

void HistoryRecorder::passTime(UtcTime at) {
    const auto minute = std::chrono::floor<std::chrono::minutes>(at);
    if (minute <= minute_) return;
    HistoryBatch batch;
    // Minutes that passed without an event had the counters as they are; a clock that leapt
    // further than a day (a machine woken from sleep) starts again at the minute it reads.
    if (minute - minute_ > std::chrono::days(1)) minute_ = minute - std::chrono::minutes(1);
    for (; minute_ < minute; minute_ += std::chrono::minutes(1)) endMinute(batch);
    send(batch);
}

void HistoryRecorder::clockTick(UtcTime now) {
    if (up_) passTime(now);
}

void HistoryRecorder::linkUp(const LinkUp& e, PaneNotes&) {
    up_ = true;
    node_ = historyText(config_.remoteHost) + ":" + std::to_string(config_.remotePort);
    link_ = LinkRow{nextKey_++, node_, historyTime(e.at), {}, {}};
    minute_ = std::chrono::floor<std::chrono::minutes>(e.at);
    shown_ = Statistics::Counts{};  // no one has arrived on this link yet
    maxUsers_ = 0;
    HistoryBatch batch;
    batch.links.push_back(link_);
    send(batch);
}

void HistoryRecorder::linkDown(const LinkDown& e, PaneNotes&) {
    if (!up_) return;
    passTime(e.at);
    HistoryBatch batch;
    // The minute the link went down in is counted as far as it went.
    endMinute(batch);
    const bool ending = e.reason == LinkDownReason::ProgramEnded;
    const std::string at = historyTime(e.at);
    for (auto& [socket, open] : open_) {
        open.row.ended = at;
        open.row.endReason = ending ? "program-ended" : "link-lost";
        batch.sessions.push_back(std::move(open.row));
    }
    open_.clear();
    link_.down = at;
    link_.reason = std::string(linkDownReasonName(e.reason));
    batch.links.push_back(std::move(link_));
    up_ = false;
    send(batch);
}

void HistoryRecorder::userArrived(const UserArrived& e, PaneNotes&) {
    if (!up_) return;
    passTime(e.at);
    noteUsers();
    HistoryBatch batch;
    Open& open = open_[e.user.socket];
    if (!open.row.started.empty()) {
        // A socket reused without a departure in between: the stay before it has ended.
        open.row.ended = historyTime(e.at);
        open.row.endReason = "left";
        batch.sessions.push_back(std::move(open.row));
    }
    open.kind = e.user.kind;
    open.row = SessionRow{nextKey_++,
                          node_,
                          e.user.socket,
                          historyText(e.user.call),
                          historyText(e.user.address),
                          historyText(e.user.port),
                          std::string(userKindName(e.user.kind)),
                          historyText(e.user.version),
                          historyTime(e.at),
                          {},
                          {}};
    batch.sessions.push_back(open.row);
    send(batch);
}

void HistoryRecorder::userChanged(const UserChanged& e, PaneNotes&) {
    if (!up_) return;
    passTime(e.at);
    noteUsers();
    const auto found = open_.find(e.user.socket);
    if (found == open_.end()) return;
    Open& open = found->second;
    SessionRow before = open.row;
    if (definiteness(e.user.kind) >= definiteness(open.kind) && e.user.kind != UserKind::Unclassified) {
        open.kind = e.user.kind;
        open.row.kind = std::string(userKindName(e.user.kind));
    }
    if (!e.user.version.empty()) open.row.version = historyText(e.user.version);
    if (!e.user.call.empty()) open.row.call = historyText(e.user.call);
    if (open.row.kind == before.kind && open.row.version == before.version && open.row.call == before.call)
        return;
    HistoryBatch batch;
    batch.sessions.push_back(open.row);
    send(batch);
}

void HistoryRecorder::userLeft(const UserLeft& e, PaneNotes&) {
    if (!up_) return;
    passTime(e.at);
    noteUsers();
    const auto found = open_.find(e.user.socket);
    if (found == open_.end()) return;
    HistoryBatch batch;
    SessionRow& row = found->second.row;
    row.ended = historyTime(e.at);
    row.endReason = "left";
    batch.sessions.push_back(std::move(row));
    open_.erase(found);
    send(batch);
}

}  // namespace dx
