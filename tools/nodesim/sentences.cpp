#include "sentences.h"

namespace nodesim::sentence {
namespace {

QByteArray head(Kind kind) {
    const std::string_view head = dx::wire::headOf(kind);
    return QByteArray(head.data(), static_cast<qsizetype>(head.size())) + '^';
}

QByteArray latin1(const QString& s) {
    return s.toLatin1();
}

}  // namespace

QString cleanText(const QString& text) {
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

QString cleanField(const QString& text) {
    QString out = cleanText(text);
    out.replace(u'^', u'/');
    return out;
}

QByteArray fullRecord(Kind kind, const SocketRecord& r) {
    QByteArray s = head(kind);
    s += QByteArray::number(r.socket) + "^0^";
    s += latin1(cleanField(r.address)) + '^' + QByteArray::number(r.addressColour) + '^';
    s += latin1(cleanField(r.port)) + '^' + QByteArray::number(r.portColour) + '^';
    s += latin1(cleanField(r.call)) + '^' + QByteArray::number(r.callColour) + '^';
    s += '^';  // field 8 is not used
    s += latin1(cleanField(r.addressTip));
    return s;
}

QByteArray fieldUpdate(Kind kind, int socket, int field, const QString& value) {
    return head(kind) + QByteArray::number(socket) + '^' + QByteArray::number(field) + '^' +
           latin1(cleanField(value));
}

QByteArray statusText(Kind kind, const QString& text) {
    return head(kind) + latin1(cleanText(text));
}

QByteArray traffic(int socket, const QString& line) {
    // The line follows a "^", so a protocol line that begins with the letters ZQ11 reads as
    // "^ZQ11" at the monitor; it skips that one, and nothing after it may look like a head.
    return head(Kind::Traffic) + QByteArray::number(socket) + '^' + latin1(cleanText(line));
}

QByteArray linkTime(double seconds, const QString& partner) {
    // The partner field after the time is there so that the batch mark at the end of a batch
    // lands in a field the monitor does not read.
    return head(Kind::LinkTimes) + QByteArray::number(seconds, 'f', 3) + '^' + latin1(cleanField(partner));
}

QByteArray portBoxText(int box, const QString& text) {
    return head(Kind::PortBoxText) + QByteArray::number(box) + '^' + latin1(cleanField(text));
}

QByteArray portBox(int box, int colour, const QString& portName) {
    return head(Kind::PortBoxColour) + QByteArray::number(box) + '^' + QByteArray::number(colour) + '^' +
           latin1(cleanField(portName));
}

QByteArray highWater(bool allTime, int count, const QString& when) {
    return head(allTime ? Kind::AllTimeHighWater : Kind::SessionHighWater) + QByteArray::number(count) + '^' +
           latin1(cleanText(when));
}

QByteArray startTime(const QString& text) {
    return head(Kind::NodeStartTime) + latin1(cleanText(text));
}

}  // namespace nodesim::sentence
