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
// it: Colour(0xFFFF00) is yellow, 65535.
constexpr int Colour(std::uint32_t rrggbb) {
    return dx::rgb(rrggbb);
}

inline constexpr int kWhite = Colour(0xFFFFFF);      // 16777215
inline constexpr int kYellow = Colour(0xFFFF00);     // 65535: address of a socket still logging in
inline constexpr int kRed = Colour(0xFF0000);        // 255
inline constexpr int kProbePink = Colour(0xFFDBD7);  // 14146559: a port probe, never logs in
// Call-cell colours of a logged-in socket, by the node's class of access.
inline constexpr int kCallUser = Colour(0x00FF00);        // ordinary user
inline constexpr int kCallKelPort = Colour(0xCFCFFF);     // came in on the KEL port
inline constexpr int kCallNode = Colour(0x00FFFF);        // node partner
inline constexpr int kCallRegistered = Colour(0xFFCFFF);  // registered user or script
inline constexpr int kCallRestricted = Colour(0xFF00FF);  // no call, locked out
// Port-strip box colours.
inline constexpr int kPortUsers = Colour(0x00FF00);
inline constexpr int kPortNodes = Colour(0x00FFFF);

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
QString CleanText(const QString& text);
// As CleanText, and no "^" either, for a text that sits in one field.
QString CleanField(const QString& text);

QByteArray FullRecord(Kind kind, const SocketRecord& r);  // field 1 = 0
QByteArray FieldUpdate(Kind kind, int socket, int field, const QString& value);
QByteArray StatusText(Kind kind, const QString& text);               // text lines
QByteArray Traffic(int socket, const QString& line);                 // ^ZQ70^socket^line
QByteArray LinkTime(double seconds, const QString& partner);         // ^ZQ65^time^partner
QByteArray PortBoxText(int box, const QString& text);                // ^ZQ80^box^text
QByteArray PortBox(int box, int colour, const QString& portName);    // ^ZQ81^box^colour^port
QByteArray HighWater(bool allTime, int count, const QString& when);  // ^ZQ90 / ^ZQ91
QByteArray StartTime(const QString& text);                           // ^ZQ92^text

}  // namespace nodesim::sentence
