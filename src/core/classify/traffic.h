#pragma once
#include <cstdint>
#include <string>

namespace dx {
class Core;

// Traffic of the sockets under watch, far-end recognition, link times, release of settled
// sockets and the client statistics.
class Traffic {
public:
    explicit Traffic(Core& core) : core_(core) {}

    std::int16_t LastGridRow = 0;
    std::string TrafficSocketText;
    std::int16_t CallFieldWidth = 9;

    // What node program the socket server runs, as recognised from the traffic; never cleared.
    bool NodeIsZq = false;
    bool NodeIsDxSpider = false;
    bool NodeIsArc = false;
    bool NodeIsArcPassive = false;
    bool CaptionsSet = false;

    // Rewrites the copy of a "^ZQ70^" sentence into the text to show (empty for none).
    void HandleTraffic(std::string& sentence);
    // Shows the link time of a "^ZQ65" sentence (head removed) and leaves in DataString what
    // follows the time field; the answer is always empty.
    std::string TimeLinks(std::string& DataString);
    void KelCheck(float& UserVersion, std::int16_t& stream);

private:
    Core& core_;
};

}  // namespace dx
