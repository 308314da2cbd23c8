#pragma once
#include <cstdint>

namespace dx {

// How the connections window's header counts a socket: not at all, or as one kind of user, each
// kind with its counter. A KEL client whose version is not known yet counts among the older
// versions as well; a socket without a call is counted apart from the users.
enum class UserKind : std::int8_t {
    None = -1,     // not a user: the node does not mark its call as a connected socket's
    NoCall,        // "nocall", or locked out by the node
    Node,          // another node
    KelLatest,     // a KEL client of the latest version known
    NonKel,        // a user without a KEL client
    KelOther,      // a KEL client of an older version
    KelUnknown,    // a KEL client still watched: its version is not known yet
    Unclassified,  // a user whose far end is not recognised (yet)
};

}  // namespace dx
