#include "history/history_recorder.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace dx {

namespace {
constexpr std::size_t kRoom = 64;

std::string timeText(std::chrono::sys_seconds at, bool seconds) {
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

std::string_view sessionEndName(SessionEnd end) {
    switch (end) {
        case SessionEnd::Left:
            return "left";
        case SessionEnd::LinkLost:
            return "link-lost";
        case SessionEnd::ProgramEnded:
            break;
    }
    return "program-ended";
}

std::string historyTime(UtcTime at) {
    return timeText(at, true);
}
std::string historyMinute(std::chrono::sys_time<std::chrono::minutes> minute) {
    return timeText(minute, false);
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

HistoryRecorder::HistoryRecorder(const ConfigValues& config, const Statistics& statistics, HistorySink& sink)
    : config_(config), statistics_(statistics), sink_(sink) {
    made_.reserve(kRoom);
}

std::int32_t HistoryRecorder::users() const {
    const Statistics::Counts& n = shown_;
    return n.nonKel + n.unclassified + n.kelLatest + n.kelOther + n.node;
}

void HistoryRecorder::noteUsers() {
    shown_ = statistics_.counts();
    maxUsers_ = std::max(maxUsers_, users());
}

HistoryRecorder::Open* HistoryRecorder::openOn(std::int32_t socket) {
    if (socket < 0 || static_cast<std::size_t>(socket) >= open_.size()) return nullptr;
    Open& open = open_[static_cast<std::size_t>(socket)];
    return open.key ? &open : nullptr;
}

void HistoryRecorder::endMinute() {
    const Statistics::Counts& n = shown_;
    MinuteCounted row;
    row.link = link_;
    row.minute = minute_;
    row.users = users();
    row.maxUsers = std::max(maxUsers_, row.users);
    row.kelLatest = n.kelLatest;
    row.kelOlder = n.kelOther - n.kelUnknown;
    row.kelUnknown = n.kelUnknown;
    row.plain = n.nonKel;
    row.nodes = n.node;
    row.nocall = n.noCall;
    row.unclassified = n.unclassified;
    made_.emplace_back(row);
    maxUsers_ = row.users;
}

void HistoryRecorder::passTime(UtcTime at) {
    const auto minute = std::chrono::floor<std::chrono::minutes>(at);
    if (minute <= minute_) return;
    // Minutes that passed without an event had the counters as they are; a clock that leapt
    // further than a day (a machine woken from sleep) starts again at the minute it reads.
    if (minute - minute_ > std::chrono::days(1)) minute_ = minute - std::chrono::minutes(1);
    for (; minute_ < minute; minute_ += std::chrono::minutes(1)) endMinute();
}

void HistoryRecorder::writeKind(Open& open) {
    if (!open.key || !open.kindToWrite) return;
    open.kindToWrite = false;
    made_.emplace_back(SessionChanged{open.key, open.kind, std::string(), std::string()});
}

void HistoryRecorder::writeKinds() {
    for (const std::int32_t socket : kindsToWrite_)
        if (static_cast<std::size_t>(socket) < open_.size())
            writeKind(open_[static_cast<std::size_t>(socket)]);
    kindsToWrite_.clear();
}

void HistoryRecorder::handOver() {
    writeKinds();
    if (made_.empty()) return;
    sink_.write(std::exchange(made_, {}));
    // Room for what a busy node brings between two ticks, made before the events come.
    made_.reserve(kRoom);
}

void HistoryRecorder::clockTick(UtcTime now) {
    if (up_) passTime(now);
    handOver();
}

void HistoryRecorder::linkUp(const LinkUp& e, PaneNotes&) {
    up_ = true;
    link_ = nextKey_++;
    minute_ = std::chrono::floor<std::chrono::minutes>(e.at);
    shown_ = Statistics::Counts{};  // no one has arrived on this link yet
    maxUsers_ = 0;
    made_.emplace_back(
        LinkWentUp{link_, config_.remoteHost + ":" + std::to_string(config_.remotePort), e.at});
    // Handed over at once: the program now waits for the node with its clock stopped, and the
    // users who come after it are written the sooner for it.
    handOver();
}

void HistoryRecorder::linkDown(const LinkDown& e, PaneNotes&) {
    if (!up_) return;
    passTime(e.at);
    // The minute the link went down in is counted as far as it went.
    endMinute();
    const SessionEnd end =
        e.reason == LinkDownReason::ProgramEnded ? SessionEnd::ProgramEnded : SessionEnd::LinkLost;
    writeKinds();
    for (Open& open : open_)
        if (open.key) made_.emplace_back(SessionEnded{open.key, e.at, end});
    open_.clear();
    made_.emplace_back(LinkWentDown{link_, e.at, e.reason});
    up_ = false;
    // The program may be ending: its last rows are not left for a tick.
    handOver();
}

void HistoryRecorder::userArrived(const UserArrived& e, PaneNotes&) {
    if (!up_ || e.user.socket < 0) return;
    passTime(e.at);
    noteUsers();
    const auto socket = static_cast<std::size_t>(e.user.socket);
    if (socket >= open_.size()) open_.resize(socket + 1);
    Open& open = open_[socket];
    // A socket reused without a departure in between: the stay before it has ended.
    if (open.key) {
        writeKind(open);
        made_.emplace_back(SessionEnded{open.key, e.at, SessionEnd::Left});
    }
    open = Open{nextKey_++, e.user.kind};
    made_.emplace_back(SessionStarted{open.key, link_, e.user.socket, e.user.call, e.user.address,
                                      e.user.port, e.user.kind, e.user.version, e.at});
}

void HistoryRecorder::userChanged(const UserChanged& e, PaneNotes&) {
    if (!up_) return;
    passTime(e.at);
    noteUsers();
    Open* open = openOn(e.user.socket);
    if (!open) return;
    const bool kind = e.user.kind != open->kind && e.user.kind != UserKind::Unclassified &&
                      definiteness(e.user.kind) >= definiteness(open->kind);
    const bool call = !e.user.call.empty() && e.user.call != e.previousCall;
    const bool version = !e.user.version.empty() && e.user.version != e.previousVersion;
    if (kind) {
        open->kind = e.user.kind;
        if (!call && !version) {
            if (!open->kindToWrite) kindsToWrite_.push_back(e.user.socket);
            open->kindToWrite = true;
            return;
        }
    }
    if (!call && !version) return;
    open->kindToWrite = false;
    made_.emplace_back(SessionChanged{open->key, open->kind, call ? e.user.call : std::string(),
                                      version ? e.user.version : std::string()});
}

void HistoryRecorder::userLeft(const UserLeft& e, PaneNotes&) {
    if (!up_) return;
    passTime(e.at);
    noteUsers();
    Open* open = openOn(e.user.socket);
    if (!open) return;
    writeKind(*open);
    made_.emplace_back(SessionEnded{open->key, e.at, SessionEnd::Left});
    open->key = 0;
}

}  // namespace dx
