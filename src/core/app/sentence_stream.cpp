#include "app/sentence_stream.h"

#include <cstdint>
#include <string>

#include "alerts/link_alerts.h"
#include "app/watchdog.h"
#include "common/event_guard.h"
#include "common/platform.h"
#include "sockets/recognition.h"
#include "sockets/socket_events.h"
#include "sockets/socket_table.h"
#include "sockets/status_sentences.h"
#include "sockets/traffic.h"
#include "views/monitor_model.h"
#include "wire/sentences.h"

namespace dx {
namespace {
using wire::Outcome;
using wire::SentenceKind;
constexpr std::string_view kIndent = "            ";  // 12 blanks: a line that is not a call's traffic
constexpr std::uint8_t kNoRoute = 0xFF;

constexpr std::size_t numberOf(SentenceKind kind) {
    return static_cast<std::size_t>(kind);
}
}  // namespace

// The dispatch table. Each route reads its sentence into the value of its kind and hands it to its
// handler; the filters that act as a sentence is dispatched ("Unknown" on traffic, "Out" on link
// times) stand here too.
struct SentenceStream::Routes {
    using S = SentenceStream;
    static constexpr DispatchTable kTable{{
        {SentenceKind::MonitoredSocketRecord,
         [](S& s, std::string_view p) { return s.table_.onSocketRecord(wire::parseSocketRecord(p)); }},
        {SentenceKind::NodeEvent,
         [](S& s, std::string_view p) { return s.status_.onNodeEventLine(wire::parseNodeEventLine(p)); }},
        {SentenceKind::ToMonitoredSocket,
         [](S& s, std::string_view p) {
             return s.status_.onToMonitoredSocketLine(wire::parseToMonitoredSocketLine(p));
         }},
        {SentenceKind::FromMonitoredSocket,
         [](S& s, std::string_view p) {
             return s.status_.onFromMonitoredSocketLine(wire::parseFromMonitoredSocketLine(p));
         }},
        {SentenceKind::Broadcast,
         [](S& s, std::string_view p) { return s.status_.onBroadcastLine(wire::parseBroadcastLine(p)); }},
        {SentenceKind::LinkTimes,
         [](S& s, std::string_view p) {
             // The link time is read by the output stage: with "Out" unticked not at all.
             if (!s.monitor_.showOut.checked()) return Outcome::nothing();
             return s.traffic_.onLinkTime(wire::parseLinkTime(p));
         }},
        {SentenceKind::SocketRecord,
         [](S& s, std::string_view p) { return s.table_.onSocketRecord(wire::parseSocketRecord(p)); }},
        {SentenceKind::Traffic,
         [](S& s, std::string_view p) {
             Outcome line = s.traffic_.onTrafficLine(wire::parseTrafficLine(p));
             // Classification has run; the line is shown only while "Unknown" is ticked.
             if (!s.monitor_.showUnknown.checked()) return Outcome::nothing();
             return line;
         }},
        {SentenceKind::PortBoxText,
         [](S& s, std::string_view p) { return s.status_.onPortBoxText(wire::parsePortBoxText(p)); }},
        {SentenceKind::PortBoxColour,
         [](S& s, std::string_view p) { return s.status_.onPortBoxColour(wire::parsePortBoxColour(p)); }},
        {SentenceKind::AllTimeHighWater,
         [](S& s, std::string_view p) { return s.status_.onAllTimeHighWater(wire::parseHighWaterMark(p)); }},
        {SentenceKind::SessionHighWater,
         [](S& s, std::string_view p) { return s.status_.onSessionHighWater(wire::parseHighWaterMark(p)); }},
        {SentenceKind::NodeStartTime,
         [](S& s, std::string_view p) { return s.status_.onNodeStartTime(wire::parseNodeStartTime(p)); }},
    }};

    // Where each kind's route stands in the table, by the kind's number.
    static constexpr std::array<std::uint8_t, 100> kIndex = [] {
        std::array<std::uint8_t, 100> index{};
        index.fill(kNoRoute);
        for (std::size_t i = 0; i < kTable.size(); ++i)
            index[numberOf(kTable[i].kind)] = static_cast<std::uint8_t>(i);
        return index;
    }();

    static constexpr bool everyKindOnce() {
        for (const SentenceKind kind : wire::kSentenceKinds) {
            int routes = 0;
            for (const Route& r : kTable) routes += r.kind == kind ? 1 : 0;
            if (routes != 1) return false;
        }
        return true;
    }
};

const SentenceStream::DispatchTable& SentenceStream::dispatchTable() {
    static_assert(Routes::everyKindOnce(), "the dispatch table has one route for every sentence kind");
    return Routes::kTable;
}

void SentenceStream::onDataArrival() {
    // A fault outside any one sentence ends this arrival; the buffer keeps what it holds.
    guard_.run("a data arrival", [this] {
        Platform& p = platform_;
        // Data is read only from a link that is up; a link still connecting gets a moment.
        for (int waits = 0;; ++waits) {
            const int state = p.socketState();
            if (state == kSocketConnected) break;
            if (state != kSocketConnecting || waits >= 1000) return;
            p.sleepMs(1);
        }
        // A silent link kept open is back as far as the operator can tell.
        if (watchdog_.heard()) alerts_.nodeSendsAgain();
        monitor_.pane.trim();
        append(p.socketReadAll());
        cutSentences();
    });
}

void SentenceStream::append(std::string_view data) {
    const std::size_t dropped = buffer_.append(data);
    if (dropped == 0) return;
    // Said once for every such drop.
    monitor_.pane.append("\r\n*** " + std::to_string(dropped) + " bytes dropped: the node sent more than " +
                             std::to_string(kBufferCap >> 20) + " MiB without a batch end (EOT)",
                         colours::kRed);
}

void SentenceStream::cutSentences() {
    // The colour passed on to a piece without a kind of its own: that of the last sentence before
    // it in this arrival that had one, black at first.
    Colour passedOn = colours::kBlack;
    // Every whole sentence is handled now, the batch's last included; the rest waits.
    std::string piece;
    bool any = false;
    while (buffer_.next(piece)) {
        platform_.sleepMs(1);
        any = true;
        // A sentence the program cannot handle ends there; the next one is handled as usual.
        bool goOn = true;
        guard_.run(std::string_view(piece).substr(0, 5), [&] { goOn = settle(dispatch(piece), passedOn); });
        if (!goOn) return;
    }
    if (any) events_.batchHandled();
}

Outcome SentenceStream::dispatch(std::string_view piece) {
    const std::optional<SentenceKind> kind = wire::kindOf(piece);
    // A piece of no kind (text before the first head, a type not known) is written whole.
    if (!kind) return Outcome::showInInheritedColour(piece);
    return Routes::kTable[Routes::kIndex[numberOf(*kind)]].handle(*this, piece);
}

bool SentenceStream::settle(const Outcome& outcome, Colour& passedOn) {
    switch (outcome.kind()) {
        case Outcome::Kind::Nothing:
            if (outcome.colour()) passedOn = *outcome.colour();
            return true;
        case Outcome::Kind::Stop:
            return false;
        case Outcome::Kind::GiveBack:
            buffer_.giveBack(outcome.text());
            return false;
        case Outcome::Kind::Show:
            break;
    }
    const Colour colour = outcome.colour().value_or(passedOn);
    passedOn = colour;
    // With "Out" unticked nothing is shown of any kind.
    if (!monitor_.showOut.checked()) return true;
    const std::string_view text = outcome.text();
    if (text.empty()) return true;
    const std::size_t at64 = text.find(wire::headOf(SentenceKind::Broadcast));
    if (at64 != std::string_view::npos) {
        // A "^ZQ64" swallowed into this piece is handled as a sentence of its own next time, in
        // front of everything that was still waiting; nothing of the piece is written.
        return settle(Outcome::giveBack(text.substr(at64)), passedOn);
    }
    writeToPane(text, colour, outcome.linesCut());
    return true;
}

void SentenceStream::writeToPane(std::string_view text, Colour colour, bool linesCut) {
    std::string out;
    out.reserve(text.size() + 32);
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find("\r\n", start);
        const std::string_view part = text.substr(start, end == std::string_view::npos ? end : end - start);
        if (part.size() > 3) {
            out += "\r\n";
            if (part.front() != '[') out += kIndent;
            if (linesCut)
                out += part;
            else
                Pane::appendCut(out, part);
        }
        if (end == std::string_view::npos) break;
        start = end + 2;
    }
    Pane& pane = monitor_.pane;
    if (!out.empty()) pane.append(out, colour);
    const std::size_t lastLf = pane.text().rfind('\n');
    pane.setCaret(lastLf == std::string::npos ? 0 : lastLf + 1);
    if (recognition_.nodeIsArcPassive) pane.insertAtCaret("\r\n", colour);
}

}  // namespace dx
