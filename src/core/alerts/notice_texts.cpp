#include "alerts/notice_texts.h"

#include "common/config_values.h"

namespace dx {

std::string nodeName(const ConfigValues& config) {
    return config.remoteHost + ":" + std::to_string(config.remotePort);
}

}  // namespace dx
