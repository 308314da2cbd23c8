#pragma once
#include <cstdint>
#include <string>

#include "common/colour.h"

namespace dx {

// Positions and sizes are in twips: 1440 to the inch, 15 to a pixel on a 96 dpi screen.
using Twips = std::int32_t;
inline constexpr int kTwipsPerPixel = 15;
// No window is placed or sized beyond this many twips (some 600 screens away).
inline constexpr Twips kFarthestPlace = 10'000'000;

// Every change to something a window shows takes a new stamp from one clock, so a window can
// bring itself up to date by looking only at what changed since its last look.
class ViewClock {
  public:
    static std::uint64_t next() { return ++now_; }
    static std::uint64_t now() { return now_; }

  private:
    static inline std::uint64_t now_ = 0;
};

// Something a window shows: every change to it takes a new stamp from the clock.
class Stamped {
  public:
    std::uint64_t stamp() const { return stamp_; }

  protected:
    template <typename T, typename U>
    void set(T& field, U&& v) {
        if (field == v) return;
        field = std::forward<U>(v);
        stamp_ = ViewClock::next();
    }

  private:
    std::uint64_t stamp_ = ViewClock::next();
};

struct Rect {
    Twips left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
};

// One element of a window (label, text box, button, check box) as the program sees it: what it
// says, its colours, its tool tip, whether it shows, where it sits. Texts are the bytes the node
// sent; the windows decode them as Latin-1.
class Element : public Stamped {
  public:
    Element() = default;
    Element(Rect place, std::string text, Colour back = colours::kWindowBack, std::string tip = {},
            bool visible = true)
        : text_(std::move(text)), tip_(std::move(tip)), back_(back), place_(place), visible_(visible) {}

    const std::string& text() const { return text_; }
    const std::string& tip() const { return tip_; }
    Colour back() const { return back_; }
    Colour fore() const { return fore_; }
    bool visible() const { return visible_; }
    bool checked() const { return checked_; }
    const Rect& place() const { return place_; }
    Twips left() const { return place_.left; }
    Twips top() const { return place_.top; }
    Twips width() const { return place_.width; }
    Twips height() const { return place_.height; }

    void setText(std::string v) { set(text_, std::move(v)); }
    void setTip(std::string v) { set(tip_, std::move(v)); }
    void setBack(Colour v) { set(back_, v); }
    void setFore(Colour v) { set(fore_, v); }
    void setVisible(bool v) { set(visible_, v); }
    void setChecked(bool v) { set(checked_, v); }
    void setLeft(Twips v) { set(place_.left, v); }
    void setTop(Twips v) { set(place_.top, v); }
    void setWidth(Twips v) { set(place_.width, v); }
    void setHeight(Twips v) { set(place_.height, v); }
    void setPlace(Rect v) { set(place_, v); }

  private:
    std::string text_;
    std::string tip_;
    Colour back_ = colours::kWindowBack;
    Colour fore_ = colours::kWindowText;
    Rect place_{};
    bool visible_ = true;
    bool checked_ = false;
};

enum class WindowState { Normal, Minimized, Maximized };

// A top-level window: caption, background, state and its outer place (frame included), in twips.
class WindowModel : public Stamped {
  public:
    WindowModel(std::string caption, Rect outer, Twips frameWidth, Twips frameHeight)
        : caption_(std::move(caption)), outer_(outer), frameWidth_(frameWidth), frameHeight_(frameHeight) {}

    const std::string& caption() const { return caption_; }
    Colour back() const { return back_; }
    bool loaded() const { return loaded_; }
    bool shown() const { return shown_; }
    WindowState state() const { return state_; }
    const Rect& outer() const { return outer_; }
    Twips left() const { return outer_.left; }
    Twips top() const { return outer_.top; }
    Twips width() const { return outer_.width; }
    Twips height() const { return outer_.height; }
    // What the frame (borders and caption) takes of the outer size; the rest (menu bar and client
    // area) is the window's own. The windows use these so that elements sit at the same client
    // places with or without a window manager.
    Twips frameWidth() const { return frameWidth_; }
    Twips frameHeight() const { return frameHeight_; }
    // Counts the program's requests to bring the window to the front and activate it; the
    // desktop does so for each new request while the window shows.
    std::uint32_t frontRequests() const { return frontRequests_; }

    void setCaption(std::string v) { set(caption_, std::move(v)); }
    void setBack(Colour v) { set(back_, v); }
    void setLoaded(bool v) { set(loaded_, v); }
    void setShown(bool v) { set(shown_, v); }
    void setState(WindowState v) { set(state_, v); }
    void setLeft(Twips v) { set(outer_.left, v); }
    void setTop(Twips v) { set(outer_.top, v); }
    void setWidth(Twips v) { set(outer_.width, v); }
    void setHeight(Twips v) { set(outer_.height, v); }
    void bringToFront() { set(frontRequests_, frontRequests_ + 1); }

  private:
    std::string caption_;
    Colour back_ = colours::kButtonFace;
    bool loaded_ = false;
    bool shown_ = false;
    WindowState state_ = WindowState::Normal;
    Rect outer_;
    std::uint32_t frontRequests_ = 0;
    Twips frameWidth_;
    Twips frameHeight_;
};

}  // namespace dx
