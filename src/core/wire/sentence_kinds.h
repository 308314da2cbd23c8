#pragma once
#include <array>
#include <string_view>

// The node's monitor port sends one stream of sentences: "^ZQ" and a two-digit type, then fields
// separated by "^". Nothing ends a sentence but the head of the next one, and every send ends with
// the batch end. This is the one list of the sentence types, for the monitor and the node
// simulator alike.
namespace dx::wire {

// Ends every batch the node sends; everything before it is whole sentences.
inline constexpr char kBatchEnd = '\x04';
// What every head begins with.
inline constexpr std::string_view kHeadMark = "^ZQ";

enum class SentenceKind : int {
    MonitoredSocketRecord = 60,  // the table record of the socket the node monitors for us
    NodeEvent = 61,              // a line about the node's own doings (magenta)
    ToMonitoredSocket = 62,      // a line the node sends the monitored socket (blue, "In")
    FromMonitoredSocket = 63,    // a line the monitored socket's far end sends, the keep-alive
                                 // with the node software's version among them (red)
    Broadcast = 64,              // announcements and the like to every user (blue, "In")
    LinkTimes = 65,              // the link-time box: seconds "^" partner
    SocketRecord = 66,           // the table record of any socket: whole, or one field of it
    Traffic = 70,                // socket "^" one line of a watched socket's traffic
    PortBoxText = 80,            // box number "^" the port strip box's text
    PortBoxColour = 81,          // box number "^" colour "^" port name
    AllTimeHighWater = 90,       // most users ever: count "^" when
    SessionHighWater = 91,       // most users since the node started: count "^" when
    NodeStartTime = 92,          // when the node started
};

// Every kind, in the order of their numbers.
inline constexpr std::array<SentenceKind, 13> kSentenceKinds{
    SentenceKind::MonitoredSocketRecord, SentenceKind::NodeEvent,        SentenceKind::ToMonitoredSocket,
    SentenceKind::FromMonitoredSocket,   SentenceKind::Broadcast,        SentenceKind::LinkTimes,
    SentenceKind::SocketRecord,          SentenceKind::Traffic,          SentenceKind::PortBoxText,
    SentenceKind::PortBoxColour,         SentenceKind::AllTimeHighWater, SentenceKind::SessionHighWater,
    SentenceKind::NodeStartTime,
};

namespace detail {
inline constexpr std::array<std::string_view, 100> kHeads = [] {
    std::array<std::string_view, 100> h{};
    h[60] = "^ZQ60", h[61] = "^ZQ61", h[62] = "^ZQ62", h[63] = "^ZQ63", h[64] = "^ZQ64";
    h[65] = "^ZQ65", h[66] = "^ZQ66", h[70] = "^ZQ70", h[80] = "^ZQ80", h[81] = "^ZQ81";
    h[90] = "^ZQ90", h[91] = "^ZQ91", h[92] = "^ZQ92";
    return h;
}();
}  // namespace detail

// The head of a sentence of that kind as it stands on the wire: "^ZQ60", ... The stream tells
// kinds apart by these five characters (a traffic line by six: the head and its "^").
constexpr std::string_view headOf(SentenceKind kind) {
    return detail::kHeads[static_cast<std::size_t>(kind)];
}

// The traffic line's head with its separator: only this marks traffic.
inline constexpr std::string_view kTrafficHead = "^ZQ70^";
// Node-protocol text a traffic line may start with; after a sentence start it is not a head.
inline constexpr std::string_view kProtocolNotAHead = "^ZQ11";

}  // namespace dx::wire
