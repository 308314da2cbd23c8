#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/colour.h"
#include "wire/sentence_kinds.h"

// Every sentence the node sends, read once into a value of its kind. A value's texts are views
// into the piece it was read from: it lives no longer than that piece. A sentence malformed
// before anything of it could take effect raises dx::Fault in its reading; one whose later fields
// are missing or unreadable says so in its value (a field that is not there), and its handler
// ends where the first of them is needed.
namespace dx::wire {

// The kind of a piece by its head ("^ZQ60", ...; a traffic line by "^ZQ70^"), or none: text in
// front of the first head, a type the program does not know, "^ZQ70" without its "^".
std::optional<SentenceKind> kindOf(std::string_view piece);

// "^ZQ60" (the socket the node monitors for us) and "^ZQ66" (any socket): a socket's record,
// whole or one field of it. Fields are numbered from the socket's, 0; "^" right after the head
// are skipped.
struct SocketRecord {
    bool monitoredSocket = false;  // "^ZQ60"
    std::int16_t socket = 0;       // field 0, a 16-bit decimal number
    std::string_view socketText;   // field 0 as sent: the commands about this socket repeat it
    // Field 1: 0 for a whole record, k for field k alone. None when it is missing or does not fit
    // 32 bits: the record then only makes the socket's row.
    std::optional<std::int32_t> fieldNumber;
    // Fields 2 to 7 and 9. In a whole record each is there when the sentence has it; the call
    // keeps only letters, digits, "/" and "-". In a one-field update only field k is there, with
    // the value that stands where field 2 does (empty when none does).
    std::optional<std::string_view> address;        // 2
    std::optional<std::string_view> addressColour;  // 3
    std::optional<std::string_view> port;           // 4
    std::optional<std::string_view> portColour;     // 5: the monitor window's port box ("^ZQ60")
    std::optional<std::string> call;                // 6 (a whole record's call, filtered, is a copy)
    std::optional<std::string_view> callColour;     // 7
    std::optional<std::string_view> hostTip;        // 9: the address cell's tip, the host's name

    static constexpr std::int32_t kAddress = 2, kAddressColour = 3, kPort = 4, kPortColour = 5, kCall = 6,
                                  kCallColour = 7, kHostTip = 9;
    // A field by its number: 0 is the socket as sent, 2 to 7 and 9 the named ones; any other
    // number is never there.
    std::optional<std::string_view> field(std::size_t number) const;
};
SocketRecord parseSocketRecord(std::string_view sentence);

// "^ZQ70^": socket "^" one line of a watched socket's traffic.
struct TrafficLine {
    std::string_view sentence;  // the whole sentence, head and all
    // Whether a "^" follows the socket number (looked for from the second character after the
    // head); a line without one is no socket's.
    bool hasSocket = false;
    std::string_view socketText;  // the text in front of that "^"
    std::string_view payload;     // everything after it, "^" and line breaks included
};
TrafficLine parseTrafficLine(std::string_view sentence);

// "^ZQ61": a line about the node's own doings.
struct NodeEventLine {
    std::string_view text;
};
NodeEventLine parseNodeEventLine(std::string_view sentence);

// "^ZQ62": a line the node sends the monitored socket; a head alone is a line break.
struct ToMonitoredSocketLine {
    std::string_view text;
};
ToMonitoredSocketLine parseToMonitoredSocketLine(std::string_view sentence);

// "^ZQ63": a line the monitored socket's far end sends; a keep-alive names the node software's
// version after its first capital V.
struct FromMonitoredSocketLine {
    std::string_view text;
    std::optional<float> keepAliveVersion;  // there when the line holds "KeepAlive "
};
FromMonitoredSocketLine parseFromMonitoredSocketLine(std::string_view sentence);

// "^ZQ64": an announcement to every user.
struct BroadcastLine {
    std::string_view text;
};
BroadcastLine parseBroadcastLine(std::string_view sentence);

// "^ZQ65": the link time. Shorter than seven characters it is not whole yet.
struct LinkTime {
    bool whole = false;
    std::string_view time;  // up to the first "^" from its second character; the rest is not used
};
LinkTime parseLinkTime(std::string_view sentence);

// "^ZQ80": box number "^" the port box's text. A box number that is not a 32-bit decimal number
// is a fault.
struct PortBoxText {
    std::int32_t box = 0;
    std::optional<std::string_view> text;
};
PortBoxText parsePortBoxText(std::string_view sentence);

// "^ZQ81": type letters "^" box number "^" colour "^" port name. A missing box number, or one
// beyond 32 bits, is a fault.
struct PortBoxColour {
    std::int32_t box = 0;
    std::optional<Colour> colour;  // none when missing or beyond 32 bits
    std::optional<std::string_view> portName;
};
PortBoxColour parsePortBoxColour(std::string_view sentence);

// "^ZQ90" (most users ever) and "^ZQ91" (most since the node started): count "^" when. A count
// too long to hold at all is a fault.
struct HighWaterMark {
    double count = 0;       // the leading number, rounded
    std::string_view when;  // after the first "^" (the whole rest when there is none)
};
HighWaterMark parseHighWaterMark(std::string_view sentence);

// "^ZQ92": when the node started.
struct NodeStartTime {
    std::string_view text;
};
NodeStartTime parseNodeStartTime(std::string_view sentence);

}  // namespace dx::wire
