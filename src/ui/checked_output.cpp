#include "checked_output.h"

#include <unistd.h>

#include <cerrno>

namespace dx::ui {

bool CheckedOutput::writePending() {
    if (!failure_.isEmpty()) return false;
    std::size_t done = 0;
    while (done < pending_.size()) {
        const ssize_t n = ::write(fd_, pending_.data() + done, pending_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failure_ = qt_error_string(n < 0 ? errno : EIO);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    pending_.clear();
    return true;
}

}  // namespace dx::ui
