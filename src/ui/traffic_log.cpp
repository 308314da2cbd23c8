#include "traffic_log.h"

#include <sys/stat.h>

#include <QDateTime>

#include "latin1.h"

namespace dx::ui {

bool TrafficLog::stillAtPath() const {
    if (!file_.isOpen()) return false;
    struct stat atPath {};
    struct stat open {};
    return ::stat(QFile::encodeName(path_).constData(), &atPath) == 0 &&
           ::fstat(file_.handle(), &open) == 0 && atPath.st_dev == open.st_dev &&
           atPath.st_ino == open.st_ino;
}

std::optional<std::string> TrafficLog::write() {
    if (pending_.empty()) return std::nullopt;
    std::string lines;
    const std::string stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")).toStdString();
    std::size_t start = 0;
    while (start < pending_.size()) {
        std::size_t end = pending_.find_first_of("\r\n", start);
        if (end == std::string::npos) end = pending_.size();
        if (end > start) {
            lines += stamp;
            lines.append(pending_, start, end - start);
            lines += '\n';
        }
        start = end + 1;
    }
    pending_.clear();
    if (lines.empty()) return std::nullopt;

    if (!stillAtPath()) {
        file_.close();
        file_.setFileName(path_);
        file_.open(QIODevice::WriteOnly | QIODevice::Append);
    }
    const auto size = static_cast<qint64>(lines.size());
    if (file_.isOpen() && file_.write(lines.data(), size) == size && file_.flush()) {
        failing_ = false;
        return std::nullopt;
    }
    const std::string why = latin1Bytes(file_.errorString());
    file_.close();
    if (failing_) return std::nullopt;
    failing_ = true;
    return why;
}

}  // namespace dx::ui
