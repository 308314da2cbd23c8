#pragma once
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace dx::ui {

// Where a save to `path` lands, or why it may not land anywhere. Only a regular file is ever
// replaced: a link is followed to the file it names (and stays a link), a missing file or the
// missing target of a link is made, and anything else there (a directory, a device, a FIFO, a
// socket, a link that loops) is refused and left as it is.
struct SaveTarget {
    QString path;                    // the file to replace or make
    std::optional<QString> refusal;  // why nothing may be written, in the system's words
};
SaveTarget saveTargetOf(const QString& path);

// The one writer of every file the program saves: the content goes to a fresh temporary file
// beside the target, every write, the flush and the sync to disk are checked, and only then is it
// renamed over the target. A save that fails at any step leaves the old file whole and nothing
// beside it. Answers nothing when the new content is in place, else why not, in the system's
// words. A missing directory is made.
std::optional<QString> saveWhole(const QString& path, QByteArrayView content);

// True when `path` names the null device (by its device number, wherever its node is, through
// links): a configuration that keeps nothing.
bool isNullDevice(const QString& path);

}  // namespace dx::ui
