#pragma once
#include <chrono>
#include <string>

namespace dx {
struct ConfigValues;

// How long something lasted, as the operator reads it: "35 s", "14 min", "2 h 14 min",
// "3 d 2 h 5 min".
std::string durationText(std::chrono::seconds length);

// The node as the notifications name it: its configured address and port, "host:port", so that
// two monitors side by side are told apart.
std::string nodeName(const ConfigValues& config);

}  // namespace dx
