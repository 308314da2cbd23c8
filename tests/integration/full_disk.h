#pragma once
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <string>

namespace dx::test {

// A small tmpfs of the test's own, to be filled up: the disk a save or a log meets when the
// machine runs out of room. Mounting needs the superuser; the mount is made in a private mount
// namespace of the test process, so nothing of it is seen outside and it goes with the process.
// `ready()` answers why not, when it could not be had (the test then skips).
class FullDisk {
  public:
    explicit FullDisk(int kib = 16) {
        if (::geteuid() != 0) {
            why_ = "needs the superuser to mount a small file system";
            return;
        }
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            why_ = "no private mount namespace here";
            return;
        }
        const std::string options = "size=" + std::to_string(kib) + "k";
        if (!dir_.isValid() ||
            ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", 0, options.c_str()) != 0) {
            why_ = "tmpfs cannot be mounted here";
            return;
        }
        mounted_ = true;
    }
    ~FullDisk() {
        if (mounted_) ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    const std::string& why() const { return why_; }
    bool ready() const { return mounted_; }
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    // Writes `content` to a file on the disk; answers false when it did not all fit.
    static bool put(const QString& file, const std::string& content) {
        const int fd = ::open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) return false;
        const bool whole =
            ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
        ::close(fd);
        return whole;
    }
    // Fills what room is left with a filler file, so that the next write fails for want of space.
    void fill() const {
        const int fd =
            ::open(QFile::encodeName(path("filler")).constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        const std::string block(512, 'x');
        while (fd >= 0 && ::write(fd, block.data(), block.size()) > 0) {
        }
        if (fd >= 0) ::close(fd);
    }
    // Gives the room back.
    void empty() const { QFile::remove(path("filler")); }

  private:
    QTemporaryDir dir_;
    bool mounted_ = false;
    std::string why_;
};

}  // namespace dx::test
