#pragma once
#include <QFile>
#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace dx::ui {

// The traffic log: every line that reaches the traffic pane, appended to a file as plain text
// (the bytes as received), each line after its UTC time "YYYY-MM-DD HH:MM:SS ". Lines are written
// and flushed after every event. A log that was moved or deleted (log rotation) is opened anew at
// its path at the next write.
class TrafficLog {
  public:
    explicit TrafficLog(QString path) : path_(std::move(path)) {}

    // Takes text as it reaches the pane.
    void take(std::string_view text) { pending_.append(text); }
    // Writes the lines taken since the last write. Answers why it could not, the first time only
    // (until a write succeeds again); the lines are then dropped.
    std::optional<std::string> write();

    const QString& path() const { return path_; }

  private:
    bool stillAtPath() const;

    QString path_;
    QFile file_;
    std::string pending_;
    bool failing_ = false;
};

}  // namespace dx::ui
