#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace dx {

// The bytes the node has sent and the program has not yet handled, and the cutting of whole
// sentences from their front.
//
// The node ends every batch with the batch end. Everything up to the last one held is whole and
// is cut; what follows it waits for the rest of its batch, so a read that ends inside a head (or
// inside "^ZQ11") is never cut there. Within whole batches a sentence runs to the next head, with
// two exceptions: a traffic line runs to the first head from its eleventh character, and a
// "^ZQ11" right after a sentence's start is node-protocol text, not a head. Text in front of the
// first head is a piece of its own.
class ReceiveBuffer {
  public:
    // Past this the buffer drops its oldest bytes: a peer that never ends a batch must not make
    // the program grow without bound.
    static constexpr std::size_t kCap = 4u << 20;

    // Adds an arrival. Answers how many of the oldest bytes were dropped to stay within the cap
    // (the newest half of the cap is kept), 0 as a rule.
    std::size_t append(std::string_view data);
    // Cuts the next piece from the front into `piece`; answers false, with nothing cut, while no
    // whole batch is held.
    bool next(std::string& piece);
    // Puts bytes back in front of everything held (a sentence found swallowed into another).
    void giveBack(std::string_view bytes);

    std::string_view held() const { return std::string_view(buffer_).substr(head_); }

  private:
    // What is held is buffer_ from head_ on: cutting a piece only moves head_.
    std::string buffer_;
    std::size_t head_ = 0;
    // How much of what is held is whole batches: everything up to and including its last batch end.
    std::size_t whole_ = 0;
};

}  // namespace dx
