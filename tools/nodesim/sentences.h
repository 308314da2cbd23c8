#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>

#include "common/colour.h"
#include "wire/sentence_kinds.h"

// The sentences the node's monitor port sends (their kinds are the monitor's own list). Nothing
// ends a sentence but the head of the next one, so no text put into a sentence may hold "^ZQ" (or
// the batch end); the builders here see to that.
namespace nodesim::sentence {

using dx::wire::kBatchEnd;
using Kind = dx::wire::SentenceKind;

// A colour as the node sends it, blue * 65536 + green * 256 + red, written the way people read
// it: colour(0xFFFF00) is yellow, 65535.
constexpr int colour(std::uint32_t rrggbb) {
    return dx::rgb(rrggbb);
}

inline constexpr int kWhite = colour(0xFFFFFF);      // 16777215
inline constexpr int kYellow = colour(0xFFFF00);     // 65535: address of a socket still logging in
inline constexpr int kRed = colour(0xFF0000);        // 255
inline constexpr int kProbePink = colour(0xFFDBD7);  // 14146559: a port probe, never logs in
// Call-cell colours of a logged-in socket, by the node's class of access.
inline constexpr int kCallUser = colour(0x00FF00);        // ordinary user
inline constexpr int kCallKelPort = colour(0xCFCFFF);     // came in on the KEL port
inline constexpr int kCallNode = colour(0x00FFFF);        // node partner
inline constexpr int kCallRegistered = colour(0xFFCFFF);  // registered user or script
inline constexpr int kCallRestricted = colour(0xFF00FF);  // no call, locked out
// Port-strip box colours.
inline constexpr int kPortUsers = colour(0x00FF00);
inline constexpr int kPortNodes = colour(0x00FFFF);

// The table record of one socket (^ZQ60 for the socket the node monitors, ^ZQ66 for any).
struct SocketRecord {
    int socket = 0;
    QString address;
    int addressColour = kWhite;
    QString port;
    int portColour = kWhite;
    QString call;
    int callColour = kWhite;
    QString addressTip;
};

// Free text made safe for a sentence: no "^ZQ", no control characters but CR LF pairs, Latin-1.
QString cleanText(const QString& text);
// As cleanText, and no "^" either, for a text that sits in one field.
QString cleanField(const QString& text);

QByteArray fullRecord(Kind kind, const SocketRecord& r);  // field 1 = 0
QByteArray fieldUpdate(Kind kind, int socket, int field, const QString& value);
QByteArray statusText(Kind kind, const QString& text);               // text lines
QByteArray traffic(int socket, const QString& line);                 // ^ZQ70^socket^line
QByteArray linkTime(double seconds, const QString& partner);         // ^ZQ65^time^partner
QByteArray portBoxText(int box, const QString& text);                // ^ZQ80^box^text
QByteArray portBox(int box, int colour, const QString& portName);    // ^ZQ81^box^colour^port
QByteArray highWater(bool allTime, int count, const QString& when);  // ^ZQ90 / ^ZQ91
QByteArray startTime(const QString& text);                           // ^ZQ92^text

}  // namespace nodesim::sentence
