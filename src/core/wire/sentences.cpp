#include "wire/sentences.h"

#include <array>
#include <cmath>
#include <limits>

#include "common/fault.h"
#include "common/numeric.h"

namespace dx::wire {
namespace {
constexpr auto npos = std::string_view::npos;

// The text after the six characters of a head and its separator (empty when there is none).
std::string_view afterHead(std::string_view sentence) {
    return sentence.size() > 6 ? sentence.substr(6) : std::string_view();
}

// The first `N` fields of a text split at every "^" (empty ones kept; an empty text has none).
// Answers how many there are, at most N.
template <std::size_t N>
std::size_t firstFields(std::string_view text, std::array<std::string_view, N>& f) {
    if (text.empty()) return 0;
    std::size_t n = 0;
    std::size_t from = 0;
    while (n < N) {
        const std::size_t at = text.find('^', from);
        if (at == npos) {
            f[n++] = text.substr(from);
            break;
        }
        f[n++] = text.substr(from, at - from);
        from = at + 1;
    }
    return n;
}

// The leading number rounded to a 32-bit whole number; none when it does not fit.
std::optional<std::int32_t> leadingWhole32IfFits(std::string_view text) {
    const double r = roundHalfEven(leadingNumber(text));
    if (!(r >= std::numeric_limits<std::int32_t>::min() && r <= std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(r);
}

bool keptInCall(char c) {
    return c == '/' || c == '-' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string keptOfCall(std::string_view call) {
    std::string kept;
    kept.reserve(call.size());
    for (const char c : call)
        if (keptInCall(c)) kept += c;
    return kept;
}
}  // namespace

std::optional<SentenceKind> kindOf(std::string_view piece) {
    if (piece.size() < 5 || piece.substr(0, kHeadMark.size()) != kHeadMark) return std::nullopt;
    const char tens = piece[3];
    const char ones = piece[4];
    if (tens < '0' || tens > '9' || ones < '0' || ones > '9') return std::nullopt;
    const auto number = static_cast<std::size_t>((tens - '0') * 10 + (ones - '0'));
    if (detail::kHeads[number].empty()) return std::nullopt;
    const auto kind = static_cast<SentenceKind>(number);
    if (kind == SentenceKind::Traffic && !(piece.size() > 5 && piece[5] == '^')) return std::nullopt;
    return kind;
}

std::optional<std::string_view> SocketRecord::field(std::size_t number) const {
    switch (number) {
        case 0:
            return socketText;
        case kAddress:
            return address;
        case kAddressColour:
            return addressColour;
        case kPort:
            return port;
        case kPortColour:
            return portColour;
        case kCall:
            if (!call) return std::nullopt;
            return std::string_view(*call);
        case kCallColour:
            return callColour;
        case kHostTip:
            return hostTip;
        default:
            return std::nullopt;
    }
}

SocketRecord parseSocketRecord(std::string_view sentence) {
    SocketRecord r;
    r.monitoredSocket = sentence.substr(0, 5) == headOf(SentenceKind::MonitoredSocketRecord);
    if (sentence.size() < 6) throw Fault("no record");
    std::string_view rest = sentence.substr(6);
    while (!rest.empty() && rest.front() == '^') rest.remove_prefix(1);
    // No field beyond the host's name is read.
    std::array<std::string_view, 10> f;
    const std::size_t n = firstFields(rest, f);
    if (n == 0) throw Fault("no socket");
    r.socketText = f[0];
    r.socket = strictInt16(f[0]);
    if (n < 2) return r;
    r.fieldNumber = leadingWhole32IfFits(f[1]);
    if (!r.fieldNumber) return r;

    const std::int32_t k = *r.fieldNumber;
    if (k != 0) {
        // One field: its new value stands where field 2 does.
        const std::string_view value = n > 2 ? f[2] : std::string_view();
        switch (k) {
            case SocketRecord::kAddress:
                r.address = value;
                break;
            case SocketRecord::kAddressColour:
                r.addressColour = value;
                break;
            case SocketRecord::kPort:
                r.port = value;
                break;
            case SocketRecord::kPortColour:
                r.portColour = value;
                break;
            case SocketRecord::kCall:
                r.call = std::string(value);
                break;
            case SocketRecord::kCallColour:
                r.callColour = value;
                break;
            case SocketRecord::kHostTip:
                r.hostTip = value;
                break;
            default:
                break;
        }
        return r;
    }
    if (n > 2) r.address = f[2];
    if (n > 3) r.addressColour = f[3];
    if (n > 4) r.port = f[4];
    if (n > 5) r.portColour = f[5];
    if (n > 6) r.call = keptOfCall(f[6]);
    if (n > 7) r.callColour = f[7];
    if (n > 9) r.hostTip = f[9];
    return r;
}

TrafficLine parseTrafficLine(std::string_view sentence) {
    TrafficLine t;
    t.sentence = sentence;
    const std::string_view rest = afterHead(sentence);
    const std::size_t caret = rest.find('^', 1);
    if (caret == npos) return t;
    t.hasSocket = true;
    t.socketText = rest.substr(0, caret);
    t.payload = rest.substr(caret + 1);
    return t;
}

NodeEventLine parseNodeEventLine(std::string_view sentence) {
    return NodeEventLine{afterHead(sentence)};
}

ToMonitoredSocketLine parseToMonitoredSocketLine(std::string_view sentence) {
    return ToMonitoredSocketLine{sentence.size() > 5 ? afterHead(sentence) : std::string_view("\r\n")};
}

FromMonitoredSocketLine parseFromMonitoredSocketLine(std::string_view sentence) {
    FromMonitoredSocketLine line{afterHead(sentence), std::nullopt};
    const std::string_view text = line.text;
    const std::size_t p = text.find("KeepAlive ");
    if (p != npos) {
        const std::size_t v = text.find('V', p);
        const std::string_view from = v == npos ? text.substr(0, 6) : text.substr(v + 1, 6);
        line.keepAliveVersion = static_cast<float>(leadingNumber(from));
    }
    return line;
}

BroadcastLine parseBroadcastLine(std::string_view sentence) {
    return BroadcastLine{afterHead(sentence)};
}

LinkTime parseLinkTime(std::string_view sentence) {
    LinkTime t;
    t.whole = sentence.size() >= 7;
    if (!t.whole) return t;
    const std::string_view data = sentence.substr(6);
    t.time = data.substr(0, data.find('^', 1));
    return t;
}

PortBoxText parsePortBoxText(std::string_view sentence) {
    std::array<std::string_view, 2> f;
    const std::size_t n = firstFields(afterHead(sentence), f);
    if (n == 0) throw Fault("no box number");
    PortBoxText box;
    box.box = strictInt32(f[0]);
    if (n > 1) box.text = f[1];
    return box;
}

PortBoxColour parsePortBoxColour(std::string_view sentence) {
    // The whole sentence is split: its head gives the first two fields.
    std::array<std::string_view, 5> f;
    const std::size_t n = firstFields(sentence, f);
    if (n < 3) throw Fault("no box number");
    PortBoxColour box;
    box.box = leadingWhole32(f[2]);
    if (n > 3) box.colour = leadingWhole32IfFits(f[3]);
    if (n > 4) box.portName = f[4];
    return box;
}

HighWaterMark parseHighWaterMark(std::string_view sentence) {
    const std::string_view rest = afterHead(sentence);
    HighWaterMark mark;
    mark.count = roundHalfEven(leadingNumber(rest));
    if (!std::isfinite(mark.count)) throw Fault("count out of range");
    const std::size_t at = rest.find('^');
    mark.when = at == npos ? rest : rest.substr(at + 1);
    return mark;
}

NodeStartTime parseNodeStartTime(std::string_view sentence) {
    return NodeStartTime{afterHead(sentence)};
}

}  // namespace dx::wire
