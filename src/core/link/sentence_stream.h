#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/colour.h"

namespace dx {
class Core;

// The node's stream of sentences: the receive buffer, the cutting of whole sentences from its
// front, their dispatch by head, and the output stage that writes a sentence's text to the pane.
class SentenceStream {
public:
    // Past this the receive buffer drops its oldest bytes: a peer that never ends a sentence must
    // not make the program grow without bound.
    static constexpr std::size_t kBufferCap = 4u << 20;
    static constexpr std::size_t kPaneLimit = 100000;
    static constexpr std::size_t kPaneKeep = 50000;

    explicit SentenceStream(Core& core) : core_(core) {}

    // The data-arrival event of the node link, with the number of bytes waiting.
    void OnDataArrival(std::int32_t bytesTotal);

    std::string_view ReceiveBuffer() const { return std::string_view(buffer_).substr(head_); }
    Colour PaneColour() const { return paneColour_; }

    // The output stage for one piece. Answers false when the cutting loop must stop.
    bool WriteToPane(std::string piece);

private:
    enum class Step { Next, Write, Stop };

    void append(std::string_view data);
    void cutSentences();
    // Dispatches one piece by its head; answers false when the cutting loop must stop.
    bool dispatch(std::string piece);
    void setBuffer(std::string text);

    Core& core_;
    // ReceiveBuffer is buffer_ from head_ on: cutting a sentence only moves head_.
    std::string buffer_;
    std::size_t head_ = 0;
    Colour paneColour_ = colours::kBlack;
    bool stop_ = false;
};

}  // namespace dx
