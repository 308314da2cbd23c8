#include "traffic_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>

#include "latin1.h"
#include "wire/sentence_kinds.h"

namespace dx::ui {
namespace {

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Where a file that is not there yet would be: its directory as the file system knows it.
QString place(const QString& path) {
    const QFileInfo file(path);
    const QString dir = file.absoluteDir().canonicalPath();
    return dir.isEmpty() ? QDir::cleanPath(file.absoluteFilePath()) : dir + u'/' + file.fileName();
}

std::string systemError(int error) {
    return latin1Bytes(qt_error_string(error));
}

std::string stamp(qint64 secondsUtc) {
    return QDateTime::fromSecsSinceEpoch(secondsUtc, Qt::UTC)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
        .toStdString();
}

}  // namespace

TrafficLog::TrafficLog(QString path, QString configPath)
    : path_(std::move(path)), configPath_(std::move(configPath)) {}

TrafficLog::~TrafficLog() {
    closeFile();
}

std::optional<QString> TrafficLog::refusal(const QString& path, const QString& configPath) {
    struct stat log {};
    struct stat config {};
    const bool configThere =
        !configPath.isEmpty() && ::stat(QFile::encodeName(configPath).constData(), &config) == 0;
    if (::stat(QFile::encodeName(path).constData(), &log) != 0) {
        if (errno != ENOENT) return qt_error_string(errno);
        // Nothing there yet: the first line written must not make the configuration.
        if (!configPath.isEmpty() && !configThere && place(path) == place(configPath))
            return QStringLiteral("it is the configuration file");
        return std::nullopt;
    }
    if (S_ISDIR(log.st_mode)) return QStringLiteral("it is a directory");
    // A FIFO would hold the program until someone reads it, a device takes what it is given.
    if (!S_ISREG(log.st_mode)) return QStringLiteral("it is not a regular file");
    if (configThere && sameFile(log, config)) return QStringLiteral("it is the configuration file");
    return std::nullopt;
}

void TrafficLog::take(std::string_view text) {
    if (text.empty()) return;
    const qint64 time = arrival_ != 0 ? arrival_ : QDateTime::currentSecsSinceEpoch();
    if (times_.empty() || times_.back().second != time) times_.emplace_back(pending_.size(), time);
    pending_.append(text);
}

std::vector<TrafficLog::Line> TrafficLog::takenLines() {
    std::vector<Line> lines;
    std::size_t mark = 0;
    std::size_t start = 0;
    while (start < pending_.size()) {
        std::size_t end = pending_.find_first_of("\r\n", start);
        if (end == std::string::npos) end = pending_.size();
        // A line carries the time its first byte arrived.
        while (mark + 1 < times_.size() && times_[mark + 1].first <= start) ++mark;
        std::string text;
        text.reserve(end - start);
        for (std::size_t i = start; i < end; ++i)
            if (pending_[i] != wire::kBatchEnd) text += pending_[i];
        if (!text.empty()) lines.push_back(Line{times_[mark].second, std::move(text)});
        start = end + 1;
    }
    pending_.clear();
    times_.clear();
    return lines;
}

bool TrafficLog::stillAtPath() const {
    struct stat atPath {};
    struct stat open {};
    return ::stat(QFile::encodeName(path_).constData(), &atPath) == 0 && ::fstat(fd_, &open) == 0 &&
           sameFile(atPath, open);
}

void TrafficLog::closeFile() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool TrafficLog::openAtPath() {
    if (fd_ >= 0 && stillAtPath()) return true;
    closeFile();
    if (const auto why = refusal(path_, configPath_)) {
        failure_ = latin1Bytes(*why);
        return false;
    }
    // Opened without waiting: a FIFO put there since the check, with nobody reading it, would
    // otherwise hold the program in the open.
    fd_ = ::open(QFile::encodeName(path_).constData(),
                 O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        failure_ = systemError(errno);
        return false;
    }
    struct stat opened {};
    struct stat config {};
    if (::fstat(fd_, &opened) != 0) {
        failure_ = systemError(errno);
    } else if (!S_ISREG(opened.st_mode)) {
        failure_ = "it is not a regular file";
    } else if (!configPath_.isEmpty() && ::stat(QFile::encodeName(configPath_).constData(), &config) == 0 &&
               sameFile(opened, config)) {
        failure_ = "it is the configuration file";
    } else {
        return true;
    }
    closeFile();
    return false;
}

void TrafficLog::lose(qint64 time) {
    firstLost_ = lost_ == 0 ? time : std::min(firstLost_, time);
    lastLost_ = lost_ == 0 ? time : std::max(lastLost_, time);
    ++lost_;
}

std::optional<std::string> TrafficLog::write() {
    const std::vector<Line> lines = takenLines();
    if (lines.empty()) return failure_;
    if (!openAtPath()) {
        for (const Line& line : lines) lose(line.time);
        return failure_;
    }

    // Every line whole, and where each ends in what is written.
    std::string out;
    std::vector<std::size_t> ends;
    ends.reserve(lines.size() + 1);
    qint64 stamped = lines.front().time;
    std::string time = stamp(stamped);
    const bool sayingLoss = lost_ > 0;
    if (sayingLoss) {
        out += time + " *** " + std::to_string(lost_) + (lost_ == 1 ? " line" : " lines") +
               " could not be written to the log between " + stamp(firstLost_) + " and " + stamp(lastLost_) +
               '\n';
        ends.push_back(out.size());
    }
    for (const Line& line : lines) {
        if (line.time != stamped) {
            stamped = line.time;
            time = stamp(stamped);
        }
        out += time;
        out += ' ';
        out += line.text;
        out += '\n';
        ends.push_back(out.size());
    }

    struct stat before {};
    std::size_t done = 0;
    int error = 0;
    if (::fstat(fd_, &before) != 0) {
        error = errno;
    } else {
        while (done < out.size()) {
            const ssize_t n = ::write(fd_, out.data() + done, out.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                error = n < 0 ? errno : EIO;
                break;
            }
        }
    }
    if (error == 0) {
        lost_ = 0;
        failure_.reset();
        return std::nullopt;
    }

    // A line cut short (the disk full in the middle of it) is taken back out of the file: the
    // next line must not be glued to its remains.
    const auto whole =
        static_cast<std::size_t>(std::upper_bound(ends.begin(), ends.end(), done) - ends.begin());
    const std::size_t kept = whole == 0 ? 0 : ends[whole - 1];
    failure_ = systemError(error);
    if (kept < done && ::ftruncate(fd_, before.st_size + static_cast<off_t>(kept)) != 0)
        *failure_ += ", and a line cut short stays in it: " + systemError(errno);
    std::size_t firstLost = whole;
    if (sayingLoss) {
        if (whole > 0) lost_ = 0;  // the loss so far is told in the file
        firstLost = whole > 0 ? whole - 1 : 0;
    }
    for (std::size_t i = firstLost; i < lines.size(); ++i) lose(lines[i].time);
    return failure_;
}

}  // namespace dx::ui
