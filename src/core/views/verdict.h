#pragma once
#include <cstdint>

namespace dx {

// What the program has concluded about the program at a socket's far end.
enum class Verdict : std::uint8_t {
    Unclassified,  // nothing recognised yet (or the socket changed and is looked at afresh)
    KelLatest,     // a KEL client of the latest version known
    KelOlder,      // a KEL client of an older version, or one whose version is not known yet
    Node,          // another node
    PlainUser,     // a user without a KEL client: spots reach it
    NoCall,        // no call given, or locked out by the node
    Script,        // a script ("echo #")
};

// Whether the program still watches a socket's traffic, or has settled it and asked the node to
// stop sending it.
enum class Watch : std::uint8_t { Watched, Settled };

}  // namespace dx
