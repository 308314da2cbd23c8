#pragma once
#include <QByteArray>
#include <QList>

namespace nodesim {

// One command from the monitor. The monitor sends its commands with no terminator, so several
// may come in one read ("M12^M13^", or "12M12^" when the operator picks a socket).
struct MonitorCommand {
    enum class Kind {
        Begin,     // "B": start the stream
        Auto,      // "A": the node picks the socket it monitors by itself again
        Watch,     // "M<socket>^": send that socket's traffic
        WatchAll,  // "M*^": send every socket's traffic again
        Stop,      // "N<socket>^": stop sending that socket's traffic
        StopAll,   // "N*^"
        Select,    // a bare socket number: monitor that socket
        Operator,  // anything else: a line the operator typed
    };
    Kind kind = Kind::Operator;
    int socket = 0;
    QByteArray raw;  // the bytes as received
};

// Splits what the monitor sends into commands. A watch or stop command cut off by the end of a
// read ("M1" then "2^") is kept until the rest comes, or until flush() gives it up as
// operator text.
class CommandReader {
  public:
    QList<MonitorCommand> feed(const QByteArray& data);
    QList<MonitorCommand> flush();
    bool hasPending() const { return !pending_.isEmpty(); }

  private:
    QByteArray pending_;
};

}  // namespace nodesim
