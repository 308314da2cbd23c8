#pragma once
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "common/numeric.h"

namespace dx {

// The socket the monitor window shows.
//
// Its number stands in the window's "Socket" box, which is also the operator's command line: what
// the box holds, put there from a record or typed over by the operator, is the shown socket as the
// rest of the program reads it. So it is kept as that text, exactly, with its leading number read
// once.
class ShownSocket {
  public:
    explicit ShownSocket(std::string text) { set(std::move(text)); }

    const std::string& text() const { return text_; }
    // Whether the box holds exactly this socket text: a leading zero or blank on either side means
    // it does not.
    bool is(std::string_view socketText) const { return text_ == socketText; }
    // The row the box's leading number names, when that number is whole and 1 or more (a line the
    // operator typed can name one: "12 sh/dx" names row 12).
    std::optional<std::int32_t> row() const { return row_; }

    void set(std::string text) {
        const double n = leadingNumber(text);
        if (n >= 1 && n <= std::numeric_limits<std::int32_t>::max() && n == std::floor(n))
            row_ = static_cast<std::int32_t>(n);
        else
            row_.reset();
        text_ = std::move(text);
    }

  private:
    std::string text_;
    std::optional<std::int32_t> row_;
};

}  // namespace dx
