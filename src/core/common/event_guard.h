#pragma once
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "common/fault.h"
#include "common/platform.h"

namespace dx {

// The outermost guard of every event the program handles: a sentence from the node, a link or
// timer event, an operator's action. A fault of the program's own kind that no step caught ends
// the event quietly, as any malformed input does. Anything else is a programming error: it is
// counted and reported as one line on standard error, naming what was being handled, and the
// program goes on with the next event.
class EventGuard {
  public:
    explicit EventGuard(Platform& platform) : platform_(platform) {}

    template <typename Handler>
    void run(std::string_view what, Handler&& handler) {
        try {
            handler();
        } catch (const Fault&) {
        } catch (const std::exception& e) {
            report(what, e.what());
        }
    }

    // How many programming errors the guard has caught since start-up.
    std::uint64_t errorCount() const { return errors_; }

  private:
    void report(std::string_view what, const char* why) {
        ++errors_;
        std::string line = "dxmonitor: internal error ";
        line += std::to_string(errors_);
        line += " while handling ";
        // Only the head of a sentence is named: the rest is the node's and may be anything.
        for (const char c : what.substr(0, 24)) line += (c >= ' ' && c < 0x7F) ? c : '?';
        line += ": ";
        line += why;
        platform_.reportError(line);
    }

    Platform& platform_;
    std::uint64_t errors_ = 0;
};

}  // namespace dx
