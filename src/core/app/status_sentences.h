#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/colour.h"

namespace dx {
struct ConnectsWindow;
class Grid;
struct MonitorWindow;
struct PortRows;
class Recognition;

// The node's status sentences that the dispatcher handles itself: the blue and red text lines
// (with the keep-alive version), the port strip, the high-water marks and the start time.
class StatusSentences {
  public:
    // A box number above this is a fault of its sentence: no node listens on a thousand ports.
    static constexpr std::int32_t kMaxPortBox = 1000;

    StatusSentences(Grid& grid, Recognition& recognition, PortRows& ports, MonitorWindow& monitor,
                    ConnectsWindow& connects)
        : grid_(grid), recognition_(recognition), ports_(ports), monitor_(monitor), connects_(connects) {}

    std::vector<Colour> PortColours{0, 0};

    // Each takes the piece (head included) and leaves in it what the output stage is to write.
    // Answers true when the piece goes on to the output stage.
    bool Zq62(std::string& piece);
    void Zq63(std::string& piece);
    void Zq80(const std::string& piece);
    void Zq81(const std::string& piece);
    void Zq90(const std::string& piece);
    void Zq91(const std::string& piece);
    void Zq92(const std::string& piece);

  private:
    void growPortStrip(std::int32_t n, const std::string* tip, bool setPortCount);

    Grid& grid_;
    Recognition& recognition_;
    PortRows& ports_;
    MonitorWindow& monitor_;
    ConnectsWindow& connects_;
};

}  // namespace dx
