#include "commands.h"

namespace nodesim {
namespace {

constexpr int kHighestSocket = 32767;  // socket numbers are 16-bit

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Length of the watch or stop command at data[i] ("M12^", "N*^"), 0 if there is none there,
// -1 if the data ends before it could be told.
qsizetype watchCommandAt(const QByteArray& data, qsizetype i) {
    const qsizetype n = data.size();
    if (i >= n || (data[i] != 'M' && data[i] != 'N')) return 0;
    qsizetype j = i + 1;
    if (j == n) return -1;
    if (data[j] == '*') {
        if (j + 1 == n) return -1;
        return data[j + 1] == '^' ? 3 : 0;
    }
    while (j < n && isDigit(data[j])) ++j;
    if (j == i + 1) return 0;
    if (j == n) return -1;
    return data[j] == '^' ? j + 1 - i : 0;
}

// True when a one-letter command at i stands on its own: at the end of the data or directly
// before another command.
bool standsAlone(const QByteArray& data, qsizetype next) {
    if (next >= data.size()) return true;
    const char c = data[next];
    if (c == 'A' || c == 'B') return standsAlone(data, next + 1);
    return watchCommandAt(data, next) != 0;
}

MonitorCommand socketCommand(const QByteArray& raw) {
    MonitorCommand cmd;
    cmd.raw = raw;
    const bool watch = raw[0] == 'M';
    const QByteArray number = raw.mid(1, raw.size() - 2);
    if (number == "*") {
        cmd.kind = watch ? MonitorCommand::Kind::WatchAll : MonitorCommand::Kind::StopAll;
        return cmd;
    }
    bool ok = false;
    const int socket = number.toInt(&ok);
    if (!ok || socket > kHighestSocket) return cmd;  // left as operator text
    cmd.kind = watch ? MonitorCommand::Kind::Watch : MonitorCommand::Kind::Stop;
    cmd.socket = socket;
    return cmd;
}

}  // namespace

QList<MonitorCommand> CommandReader::feed(const QByteArray& data) {
    QList<MonitorCommand> out;
    QByteArray buf = pending_ + data;
    pending_.clear();
    const qsizetype n = buf.size();
    qsizetype i = 0;
    while (i < n) {
        const char c = buf[i];
        const qsizetype watchLen = watchCommandAt(buf, i);
        if (watchLen > 0) {
            out.append(socketCommand(buf.mid(i, watchLen)));
            i += watchLen;
            continue;
        }
        if (watchLen < 0) {  // the rest may still come
            pending_ = buf.mid(i);
            break;
        }
        if ((c == 'A' || c == 'B') && standsAlone(buf, i + 1)) {
            MonitorCommand cmd;
            cmd.kind = c == 'B' ? MonitorCommand::Kind::Begin : MonitorCommand::Kind::Auto;
            cmd.raw = buf.mid(i, 1);
            out.append(cmd);
            ++i;
            continue;
        }
        if (isDigit(c)) {
            qsizetype j = i;
            while (j < n && isDigit(buf[j])) ++j;
            bool ok = false;
            const int socket = buf.mid(i, j - i).toInt(&ok);
            if (ok && socket <= kHighestSocket && standsAlone(buf, j)) {
                MonitorCommand cmd;
                cmd.kind = MonitorCommand::Kind::Select;
                cmd.socket = socket;
                cmd.raw = buf.mid(i, j - i);
                out.append(cmd);
                i = j;
                continue;
            }
        }
        // Operator text: up to the next watch or stop command, or the end of the read.
        qsizetype j = i + 1;
        while (j < n && watchCommandAt(buf, j) <= 0) ++j;
        MonitorCommand cmd;
        cmd.raw = buf.mid(i, j - i);
        out.append(cmd);
        i = j;
    }
    return out;
}

QList<MonitorCommand> CommandReader::flush() {
    QList<MonitorCommand> out;
    if (!pending_.isEmpty()) {
        MonitorCommand cmd;
        cmd.raw = pending_;
        out.append(cmd);
        pending_.clear();
    }
    return out;
}

}  // namespace nodesim
