#include "alerts/notice_texts.h"

#include <algorithm>

#include "common/config_values.h"

namespace dx {

std::string durationText(std::chrono::seconds length) {
    const long long total = std::max<long long>(length.count(), 0);
    if (total < 60) return std::to_string(total) + " s";
    const long long days = total / 86400;
    const long long hours = total / 3600 % 24;
    const long long minutes = total / 60 % 60;
    std::string text;
    if (days > 0) text += std::to_string(days) + " d ";
    if (days > 0 || hours > 0) text += std::to_string(hours) + " h ";
    return text + std::to_string(minutes) + " min";
}

std::string nodeName(const ConfigValues& config) {
    return config.remoteHost + ":" + std::to_string(config.remotePort);
}

}  // namespace dx
