#include "recording.h"

#include <QDir>
#include <QFileInfo>

namespace nodesim::recording {
namespace {

constexpr char kHex[] = "0123456789abcdef";

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isPrintable(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x20 && u < 0x7F;
}

// A whole number of decimal digits only (no sign, no spaces), at most 18 of them.
bool readCount(const QByteArray& text, qint64* value) {
    if (text.isEmpty() || text.size() > 18) return false;
    qint64 v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    *value = v;
    return true;
}

}  // namespace

QByteArray escape(const QByteArray& bytes) {
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        const bool lastSpace = c == ' ' && i + 1 == bytes.size();
        if (isPrintable(c) && c != '\\' && !lastSpace) {
            out += c;
            continue;
        }
        const auto u = static_cast<unsigned char>(c);
        out += '\\';
        out += 'x';
        out += kHex[u >> 4];
        out += kHex[u & 0x0F];
    }
    return out;
}

bool unescape(const QByteArray& text, QByteArray* bytes, QString* error) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\') {
            if (!isPrintable(c)) {
                *error = QStringLiteral("raw byte 0x%1 at column %2 (it must be written \\xHH)")
                             .arg(static_cast<unsigned char>(c), 2, 16, QLatin1Char('0'))
                             .arg(i + 1);
                return false;
            }
            out += c;
            continue;
        }
        const bool whole = i + 3 < text.size() && text[i + 1] == 'x';
        const int hi = whole ? hexValue(text[i + 2]) : -1;
        const int lo = whole ? hexValue(text[i + 3]) : -1;
        if (hi < 0 || lo < 0) {
            *error = QStringLiteral("a backslash at column %1 that does not start \\xHH").arg(i + 1);
            return false;
        }
        out += static_cast<char>(hi * 16 + lo);
        i += 3;
    }
    *bytes = out;
    return true;
}

QByteArray chunkLine(const Chunk& chunk) {
    return QByteArray::number(chunk.ms) + ' ' + static_cast<char>(chunk.direction) + ' ' +
           QByteArray::number(chunk.bytes.size()) + ' ' + escape(chunk.bytes);
}

bool parse(const QByteArray& text, Recording* out, QString* error) {
    Recording rec;
    const QList<QByteArray> lines = text.split('\n');
    qint64 lastMs = 0;
    bool sawMagic = false;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QByteArray line = lines[n];
        // A file whose line ends were turned into CR LF reads the same: a raw CR is never part of
        // a chunk's text.
        if (line.endsWith('\r')) line.chop(1);
        const auto fail = [&](const QString& why) {
            *error = QStringLiteral("line %1: %2").arg(n + 1).arg(why);
            return false;
        };
        if (!sawMagic) {
            if (line != kMagic)
                return fail(QStringLiteral("not a recording (the first line must be \"%1\")")
                                .arg(QLatin1String(kMagic)));
            sawMagic = true;
            continue;
        }
        if (line.isEmpty()) continue;
        if (line.startsWith('#')) {
            QByteArray comment = line.mid(1);
            if (comment.startsWith(' ')) comment.remove(0, 1);
            rec.comments.append(comment);
            continue;
        }
        if (rec.finished) return fail(QStringLiteral("a line after the end line"));

        const qsizetype s1 = line.indexOf(' ');
        const qsizetype s2 = s1 < 0 ? -1 : line.indexOf(' ', s1 + 1);
        if (s1 < 0) return fail(QStringLiteral("no direction after the time"));
        qint64 ms = 0;
        if (!readCount(line.left(s1), &ms)) return fail(QStringLiteral("the time is not a whole number"));
        if (ms < lastMs)
            return fail(QStringLiteral("the time goes back (%1 ms after %2 ms)").arg(ms).arg(lastMs));
        lastMs = ms;
        const QByteArray kind = s2 < 0 ? line.mid(s1 + 1) : line.mid(s1 + 1, s2 - s1 - 1);

        if (kind == "E") {
            rec.finished = true;
            rec.endMs = ms;
            rec.endReason = s2 < 0 ? QByteArray() : line.mid(s2 + 1);
            continue;
        }
        if (kind != "N" && kind != "M")
            return fail("unknown kind of line \"" + QString::fromLatin1(kind) + "\"");
        if (s2 < 0) return fail(QStringLiteral("no length"));
        const qsizetype s3 = line.indexOf(' ', s2 + 1);
        qint64 length = 0;
        if (!readCount(s3 < 0 ? line.mid(s2 + 1) : line.mid(s2 + 1, s3 - s2 - 1), &length))
            return fail(QStringLiteral("the length is not a whole number"));
        Chunk chunk;
        chunk.ms = ms;
        chunk.direction = kind == "N" ? Direction::NodeToMonitor : Direction::MonitorToNode;
        QString why;
        if (!unescape(s3 < 0 ? QByteArray() : line.mid(s3 + 1), &chunk.bytes, &why)) return fail(why);
        if (chunk.bytes.size() != length)
            return fail(QStringLiteral("the bytes are %1 long, the line says %2")
                            .arg(chunk.bytes.size())
                            .arg(length));
        rec.chunks.append(chunk);
    }
    if (!sawMagic) {
        *error = QStringLiteral("empty file");
        return false;
    }
    *out = rec;
    return true;
}

bool load(const QString& path, Recording* out, QString* error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = f.errorString();
        return false;
    }
    return parse(f.readAll(), out, error);
}

bool Recorder::open(const QString& path, const QList<QByteArray>& comments, QString* error) {
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = file_.errorString();
        return false;
    }
    clock_.start();
    writeLine(kMagic);
    for (const QByteArray& c : comments) writeLine("# " + c);
    return true;
}

void Recorder::record(Direction direction, const QByteArray& bytes) {
    if (!file_.isOpen() || bytes.isEmpty()) return;
    writeLine(chunkLine(Chunk{clock_.elapsed(), direction, bytes}));
    ++chunks_;
}

void Recorder::finish(const QByteArray& reason) {
    if (!file_.isOpen()) return;
    writeLine(QByteArray::number(clock_.elapsed()) + " E " + reason);
    file_.close();
}

void Recorder::writeLine(const QByteArray& line) {
    file_.write(line + '\n');
    file_.flush();
}

QString sessionPath(const QString& path, int session) {
    if (session <= 1) return path;
    const QFileInfo info(path);
    const QString suffix = info.completeSuffix();
    const QString base =
        info.fileName().left(info.fileName().size() - (suffix.isEmpty() ? 0 : suffix.size() + 1));
    QString name = base + QLatin1Char('-') + QString::number(session);
    if (!suffix.isEmpty()) name += QLatin1Char('.') + suffix;
    return info.dir().filePath(name);
}

}  // namespace nodesim::recording
