#pragma once
#include <QString>
#include <string>

namespace dx::ui {

// Text for a file descriptor that is not the program's to choose (standard output: a terminal, a
// pipe, a file, a full disk), gathered and written in big pieces. Every write is checked: a pipe
// whose reader has gone, a full disk or a write error is kept as the output's failure, and
// nothing more is written after it. A closed pipe is such a failure too, not a signal that ends
// the program: the program that writes here ignores SIGPIPE.
class CheckedOutput {
  public:
    explicit CheckedOutput(int fd) : fd_(fd) { pending_.reserve(kPiece + kPiece / 4); }

    // What is to be written next: append to it.
    std::string& pending() { return pending_; }
    // Writes what is pending once there is a piece's worth of it; false once a write has failed.
    bool pass() { return pending_.size() < kPiece || writePending(); }
    // Writes all that is pending; false once a write has failed.
    bool finish() { return writePending(); }
    // Why the output failed, in the system's words; empty while it has not.
    const QString& failure() const { return failure_; }

  private:
    static constexpr std::size_t kPiece = 64 * 1024;
    bool writePending();

    int fd_;
    std::string pending_;
    QString failure_;
};

}  // namespace dx::ui
