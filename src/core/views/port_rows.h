#pragma once
#include <cstdint>

namespace dx {

// The first rows of the grid are the node's listening ports, not sockets. The port strip's
// sentences, the socket records and the traffic lines all say something about where those rows
// end; the grid's layout and its new rows follow.
struct PortRows {
    // The port boxes the node has numbered ("^ZQ81"): the layout starts after this row.
    std::int32_t portCount = 0;
    // The port boxes there were when the first socket record came (0 until then): rows up to
    // this are listening sockets, never shown.
    std::int32_t hiddenRowLimit = 0;
};

}  // namespace dx
