#pragma once
#include <cstdint>

namespace dx {

// What the traffic lines and the header counters share: the highest grid row when the last
// traffic line came (the counters count the rows 1 to it) and the width of the call field in
// traffic lines (the counters widen it to the longest call they see).
struct TrafficRows {
    std::int16_t lastGridRow = 0;
    std::int16_t callFieldWidth = 9;
};

}  // namespace dx
