#include "sentences.h"

namespace nodesim::sentence {
namespace {

QByteArray Head(Kind kind) {
    const std::string_view head = dx::wire::headOf(kind);
    return QByteArray(head.data(), static_cast<qsizetype>(head.size())) + '^';
}

QByteArray Latin1(const QString& s) {
    return s.toLatin1();
}

}  // namespace

QString CleanText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            out += u"\r\n";
            ++i;
        } else if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.unicode() > 0xFF) {
            out += u' ';
        } else {
            out += c;
        }
    }
    // A "^ZQ" inside a text would cut the sentence short at the monitor.
    out.replace(QLatin1String(dx::wire::kHeadMark.data(), dx::wire::kHeadMark.size()), QStringLiteral("^Zq"));
    return out;
}

QString CleanField(const QString& text) {
    QString out = CleanText(text);
    out.replace(u'^', u'/');
    return out;
}

QByteArray FullRecord(Kind kind, const SocketRecord& r) {
    QByteArray s = Head(kind);
    s += QByteArray::number(r.socket) + "^0^";
    s += Latin1(CleanField(r.address)) + '^' + QByteArray::number(r.addressColour) + '^';
    s += Latin1(CleanField(r.port)) + '^' + QByteArray::number(r.portColour) + '^';
    s += Latin1(CleanField(r.call)) + '^' + QByteArray::number(r.callColour) + '^';
    s += '^';  // field 8 is not used
    s += Latin1(CleanField(r.addressTip));
    return s;
}

QByteArray FieldUpdate(Kind kind, int socket, int field, const QString& value) {
    return Head(kind) + QByteArray::number(socket) + '^' + QByteArray::number(field) + '^' +
           Latin1(CleanField(value));
}

QByteArray StatusText(Kind kind, const QString& text) {
    return Head(kind) + Latin1(CleanText(text));
}

QByteArray Traffic(int socket, const QString& line) {
    // The line follows a "^", so a protocol line that begins with the letters ZQ11 reads as
    // "^ZQ11" at the monitor; it skips that one, and nothing after it may look like a head.
    return Head(Kind::Traffic) + QByteArray::number(socket) + '^' + Latin1(CleanText(line));
}

QByteArray LinkTime(double seconds, const QString& partner) {
    // The partner field after the time is there so that the batch mark at the end of a batch
    // lands in a field the monitor does not read.
    return Head(Kind::LinkTimes) + QByteArray::number(seconds, 'f', 3) + '^' + Latin1(CleanField(partner));
}

QByteArray PortBoxText(int box, const QString& text) {
    return Head(Kind::PortBoxText) + QByteArray::number(box) + '^' + Latin1(CleanField(text));
}

QByteArray PortBox(int box, int colour, const QString& portName) {
    return Head(Kind::PortBoxColour) + QByteArray::number(box) + '^' + QByteArray::number(colour) + '^' +
           Latin1(CleanField(portName));
}

QByteArray HighWater(bool allTime, int count, const QString& when) {
    return Head(allTime ? Kind::AllTimeHighWater : Kind::SessionHighWater) + QByteArray::number(count) + '^' +
           Latin1(CleanText(when));
}

QByteArray StartTime(const QString& text) {
    return Head(Kind::NodeStartTime) + Latin1(CleanText(text));
}

}  // namespace nodesim::sentence
