#include "wire/receive_buffer.h"

#include "wire/sentence_kinds.h"

namespace dx {

std::size_t ReceiveBuffer::append(std::string_view data) {
    if (head_ > 0 && head_ >= buffer_.size() / 2) {
        buffer_.erase(0, head_);
        head_ = 0;
    }
    // Only the new bytes are searched: an arrival costs what it brings, not what is held.
    const std::size_t end = data.rfind(wire::kBatchEnd);
    if (end != std::string_view::npos) whole_ = buffer_.size() - head_ + end + 1;
    buffer_.append(data);
    const std::size_t held = buffer_.size() - head_;
    if (held <= kCap) return 0;
    const std::size_t dropped = held - kCap / 2;
    buffer_.erase(0, head_ + dropped);
    head_ = 0;
    whole_ = whole_ > dropped ? whole_ - dropped : 0;
    return dropped;
}

bool ReceiveBuffer::next(std::string& piece) {
    if (whole_ == 0) {
        if (head_ == buffer_.size()) {
            buffer_.clear();
            head_ = 0;
        }
        return false;
    }
    constexpr auto npos = std::string_view::npos;
    const std::string_view b = std::string_view(buffer_).substr(head_, whole_);
    const std::size_t first = b.find(wire::kHeadMark);
    std::size_t cut = npos;
    if (first != 0) {
        cut = first;
    } else if (b.substr(0, 5) == wire::headOf(wire::SentenceKind::Traffic)) {
        cut = b.find(wire::kHeadMark, 10);
    } else {
        cut = b.find(wire::kHeadMark, 1);
        if (cut != npos && b.substr(cut, 5) == wire::kProtocolNotAHead)
            cut = b.find(wire::kHeadMark, cut + 1);
    }
    if (cut == npos) cut = b.size();
    piece.assign(b.substr(0, cut));
    head_ += cut;
    whole_ -= cut;
    return true;
}

void ReceiveBuffer::giveBack(std::string_view bytes) {
    std::string text(bytes);
    text.append(held());
    buffer_ = std::move(text);
    head_ = 0;
    const std::size_t end = buffer_.rfind(wire::kBatchEnd);
    whole_ = end == std::string::npos ? 0 : end + 1;
}

}  // namespace dx
