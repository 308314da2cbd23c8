#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/colour.h"
#include "wire/outcome.h"
#include "wire/receive_buffer.h"
#include "wire/sentence_kinds.h"

namespace dx {
class EventGuard;
class LinkAlerts;
struct MonitorModel;
class Platform;
class Recognition;
class SocketEvents;
class SocketTable;
class StatusSentences;
class Traffic;
class Watchdog;

// The node's stream of sentences: each arrival into the receive buffer, the dispatch of the
// sentences cut from it through one table keyed by their kind, and the output stage that writes
// what their handlers answer to the pane.
class SentenceStream {
  public:
    static constexpr std::size_t kBufferCap = ReceiveBuffer::kCap;

    // One entry of the dispatch table: a sentence kind, and how a sentence of it is read into its
    // value and handed to its handler.
    struct Route {
        wire::SentenceKind kind;
        wire::Outcome (*handle)(SentenceStream& stream, std::string_view sentence);
    };
    using DispatchTable = std::array<Route, wire::kSentenceKinds.size()>;
    // The dispatch table: every sentence kind once.
    static const DispatchTable& dispatchTable();

    SentenceStream(SocketTable& table, Traffic& traffic, StatusSentences& status,
                   const Recognition& recognition, Watchdog& watchdog, LinkAlerts& alerts,
                   SocketEvents& events, EventGuard& guard, Platform& platform, MonitorModel& monitor)
        : table_(table),
          traffic_(traffic),
          status_(status),
          recognition_(recognition),
          watchdog_(watchdog),
          alerts_(alerts),
          events_(events),
          guard_(guard),
          platform_(platform),
          monitor_(monitor) {}

    // The data-arrival event of the node link.
    void onDataArrival();

    std::string_view receiveBuffer() const { return buffer_.held(); }

    // Hands one piece to its kind's route in the dispatch table; a piece without a kind of its
    // own is shown in the colour passed on to it.
    wire::Outcome dispatch(std::string_view piece);
    // The output stage for one outcome. `passedOn` is the colour passed on from the sentences
    // before in this arrival; the outcome's own colour replaces it. Answers false when the
    // cutting loop must stop.
    bool settle(const wire::Outcome& outcome, Colour& passedOn);

  private:
    struct Routes;

    void append(std::string_view data);
    void cutSentences();
    void writeToPane(std::string_view text, Colour colour, bool linesCut);

    SocketTable& table_;
    Traffic& traffic_;
    StatusSentences& status_;
    const Recognition& recognition_;
    Watchdog& watchdog_;
    LinkAlerts& alerts_;
    SocketEvents& events_;
    EventGuard& guard_;
    Platform& platform_;
    MonitorModel& monitor_;
    ReceiveBuffer buffer_;
};

}  // namespace dx
