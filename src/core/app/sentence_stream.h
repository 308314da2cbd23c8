#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/colour.h"
#include "wire/receive_buffer.h"

namespace dx {
class EventGuard;
struct MonitorModel;
class Platform;
class Recognition;
class SocketEvents;
class SocketTable;
class StatusSentences;
class Traffic;
class Watchdog;

// The node's stream of sentences: each arrival into the receive buffer, the dispatch of the
// sentences cut from it by head, and the output stage that writes a sentence's text to the pane.
class SentenceStream {
  public:
    static constexpr std::size_t kBufferCap = ReceiveBuffer::kCap;
    // Once the pane holds more than kPaneLimit characters, the next arrival deletes its oldest
    // kPaneTrim, and kPaneTrim more at a time while it still holds more than kPaneLimit.
    static constexpr std::size_t kPaneLimit = 100000;
    static constexpr std::size_t kPaneTrim = 50000;
    // How many characters a pane of `size` keeps after that trim.
    static constexpr std::size_t keptAfterTrim(std::size_t size) {
        if (size <= kPaneLimit) return size;
        return size - (size - kPaneLimit + kPaneTrim - 1) / kPaneTrim * kPaneTrim;
    }

    SentenceStream(SocketTable& table, Traffic& traffic, StatusSentences& status,
                   const Recognition& recognition, Watchdog& watchdog, SocketEvents& events,
                   EventGuard& guard, Platform& platform, MonitorModel& monitor)
        : table_(table),
          traffic_(traffic),
          status_(status),
          recognition_(recognition),
          watchdog_(watchdog),
          events_(events),
          guard_(guard),
          platform_(platform),
          monitor_(monitor) {}

    // The data-arrival event of the node link.
    void onDataArrival();

    std::string_view receiveBuffer() const { return buffer_.held(); }
    Colour paneColour() const { return paneColour_; }

    // The output stage for one piece. Answers false when the cutting loop must stop. A traffic
    // line comes with its payload already cut to length; any other line longer than
    // Traffic::kLongLine is cut here.
    bool writeToPane(std::string piece, bool trafficLine = false);

  private:
    void trimPane();
    void append(std::string_view data);
    void cutSentences();
    // Dispatches one piece by its head; answers false when the cutting loop must stop.
    bool dispatch(std::string piece);

    SocketTable& table_;
    Traffic& traffic_;
    StatusSentences& status_;
    const Recognition& recognition_;
    Watchdog& watchdog_;
    SocketEvents& events_;
    EventGuard& guard_;
    Platform& platform_;
    MonitorModel& monitor_;
    ReceiveBuffer buffer_;
    Colour paneColour_ = colours::kBlack;
};

}  // namespace dx
