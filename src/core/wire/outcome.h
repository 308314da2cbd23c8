#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "common/colour.h"

namespace dx::wire {

// What the handling of one sentence comes to, the one answer of every sentence handler: a text
// for the pane in a colour, or nothing, or an instruction to the cutting loop.
//
// A colour passes on: a piece without a kind of its own is written in the colour of the last
// sentence before it in the same arrival that had one, even one whose text was hidden by a filter.
class Outcome {
  public:
    enum class Kind : std::uint8_t {
        Nothing,   // nothing for the pane; the cutting goes on
        Show,      // text for the pane (an empty text writes nothing)
        Stop,      // stop the cutting here; what the buffer holds waits for the next arrival
        GiveBack,  // stop the cutting and put these bytes back in front of what the buffer holds
    };

    // Nothing for the pane; the colour passed on stays.
    static Outcome nothing() { return Outcome(Kind::Nothing); }
    // Nothing for the pane (a filter hides it), but the sentence's colour passes on.
    static Outcome hidden(Colour colour) {
        Outcome o(Kind::Nothing);
        o.colour_ = colour;
        return o;
    }
    // A text that views the sentence, in the colour.
    static Outcome show(std::string_view text, Colour colour) {
        Outcome o(Kind::Show);
        o.view_ = text;
        o.colour_ = colour;
        return o;
    }
    // A text of its own, in the colour. `linesCut`: its lines were cut to length already (a
    // traffic line's payload is cut as a whole), so the pane does not cut them again.
    static Outcome show(std::string text, Colour colour, bool linesCut) {
        Outcome o(Kind::Show);
        o.own_ = std::move(text);
        o.owned_ = true;
        o.colour_ = colour;
        o.linesCut_ = linesCut;
        return o;
    }
    // A text that views the sentence, in the colour passed on to it.
    static Outcome showInInheritedColour(std::string_view text) {
        Outcome o(Kind::Show);
        o.view_ = text;
        return o;
    }
    static Outcome stop() { return Outcome(Kind::Stop); }
    // The bytes (views of the sentence) go back in front of the buffer.
    static Outcome giveBack(std::string_view bytes) {
        Outcome o(Kind::GiveBack);
        o.view_ = bytes;
        return o;
    }

    Kind kind() const { return kind_; }
    // Show: the text; GiveBack: the bytes.
    std::string_view text() const { return owned_ ? std::string_view(own_) : view_; }
    // Show: the colour to write in (none: the one passed on); Nothing: the colour that passes on
    // (none: the one before stays).
    std::optional<Colour> colour() const { return colour_; }
    bool linesCut() const { return linesCut_; }

  private:
    explicit Outcome(Kind kind) : kind_(kind) {}

    Kind kind_;
    bool owned_ = false;
    bool linesCut_ = false;
    std::optional<Colour> colour_;
    std::string_view view_;
    std::string own_;
};

}  // namespace dx::wire
