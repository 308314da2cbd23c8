#pragma once
#include <QString>
#include <QtGlobal>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dx::ui {

// The traffic log: every line that reaches the traffic pane, appended to a file as plain text
// (the bytes as received, without the node's batch-end mark), each line after the UTC time its
// bytes arrived, "YYYY-MM-DD HH:MM:SS ". Lines are written after every event, each one whole or
// not at all. A log that was moved or deleted (log rotation) is opened anew at its path at the
// next write, and only if a regular file, other than the configuration, is there or nothing is.
// Nothing here ever waits: a FIFO or a device at the path is never written to.
class TrafficLog {
  public:
    explicit TrafficLog(QString path, QString configPath = {});
    ~TrafficLog();
    TrafficLog(const TrafficLog&) = delete;
    TrafficLog& operator=(const TrafficLog&) = delete;

    // The UTC time, in seconds since the epoch, at which the event now running began: lines
    // taken from now on carry it. 0: no event is running, lines carry the time they are taken.
    void setArrivalTime(qint64 secondsUtc) { arrival_ = secondsUtc; }
    qint64 arrivalTime() const { return arrival_; }

    // Takes text as it reaches the pane.
    void take(std::string_view text);
    // Writes the lines taken since the last write. Answers why the log cannot be written as long
    // as it cannot (the lines are then counted as lost), nothing once it can. The first line
    // written after a loss says how many lines were lost, and between which times.
    std::optional<std::string> write();

    const QString& path() const { return path_; }

    // Why `path` cannot be the log beside the configuration `configPath`: anything there but a
    // regular file, or the configuration itself. Nothing when it is a regular file or nothing yet.
    static std::optional<QString> refusal(const QString& path, const QString& configPath);

  private:
    struct Line {
        qint64 time;
        std::string text;
    };

    std::vector<Line> takenLines();
    bool openAtPath();
    bool stillAtPath() const;
    void closeFile();
    void lose(qint64 time);

    QString path_;
    QString configPath_;
    int fd_ = -1;
    std::string pending_;
    // Where in pending_ the text of each arrival time begins.
    std::vector<std::pair<std::size_t, qint64>> times_;
    qint64 arrival_ = 0;
    std::optional<std::string> failure_;
    std::size_t lost_ = 0;
    qint64 firstLost_ = 0;
    qint64 lastLost_ = 0;
};

}  // namespace dx::ui
