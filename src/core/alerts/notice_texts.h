#pragma once
#include <string>

namespace dx {
struct ConfigValues;

// The node as the notifications name it: its configured address and port, "host:port", so that
// two monitors side by side are told apart.
std::string nodeName(const ConfigValues& config);

}  // namespace dx
