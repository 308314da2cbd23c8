#pragma once
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QString>

// Recorded sessions of the monitor link: every read or write on the link as one chunk, with its
// time and direction, in a plain-text file that gives back the exact bytes (RECORDING.md).
namespace nodesim::recording {

// The first line of every recording; the number is the format's version.
inline constexpr char kMagic[] = "# nodesim recording 1";

enum class Direction : char {
    NodeToMonitor = 'N',
    MonitorToNode = 'M',
};

struct Chunk {
    qint64 ms = 0;  // since the session began
    Direction direction = Direction::NodeToMonitor;
    QByteArray bytes;
};

struct Recording {
    QList<QByteArray> comments;  // the '#' lines after the first, without the '#' and one space
    QList<Chunk> chunks;         // in file order
    bool finished = false;       // the end line was there
    qint64 endMs = -1;
    QByteArray endReason;
};

// The bytes as text: printable ASCII as it is, a backslash and every other byte as \xHH, and a
// space that ends the chunk as \x20 (so that trimmed line ends cannot change it).
QByteArray escape(const QByteArray& bytes);
// The reverse of escape. False (with a reason) for a raw byte that escape never writes, or a
// backslash that does not start \xHH.
bool unescape(const QByteArray& text, QByteArray* bytes, QString* error);

// One chunk as a line of the file, without its line end.
QByteArray chunkLine(const Chunk& chunk);

// Reads a whole recording. False with a reason naming the line when the file is not one.
bool parse(const QByteArray& text, Recording* out, QString* error);
bool load(const QString& path, Recording* out, QString* error);

// Writes one session's recording as it happens. Each line is flushed as soon as it is written,
// so a recording cut short by a crash is still readable up to its last chunk.
class Recorder {
  public:
    Recorder() = default;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;
    // A recording still open is ended as "stopped".
    ~Recorder() { finish("stopped"); }
    // Creates the file and writes the first line and the comments; the session clock starts.
    bool open(const QString& path, const QList<QByteArray>& comments, QString* error);
    bool isOpen() const { return file_.isOpen(); }
    QString path() const { return file_.fileName(); }
    void record(Direction direction, const QByteArray& bytes);
    // Writes the end line with why the session ended and closes the file. Only the first call
    // counts.
    void finish(const QByteArray& reason);
    qint64 chunks() const { return chunks_; }

  private:
    void writeLine(const QByteArray& line);

    QFile file_;
    QElapsedTimer clock_;
    qint64 chunks_ = 0;
};

// The file of the session-th recording of a run: the path itself for the first, then "-2",
// "-3", ... before the extension (session.rec, session-2.rec, ...).
QString sessionPath(const QString& path, int session);

}  // namespace nodesim::recording
