#pragma once
#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace dx::ui {

// SIGTERM, SIGINT and SIGHUP (a service manager, Ctrl+C, a logout) run `end` in the event loop,
// as an ordinary event: the handler itself only writes a byte to a pipe that the loop watches.
class EndSignals : public QObject {
  public:
    explicit EndSignals(std::function<void()> end);
    ~EndSignals() override;

  private:
    std::function<void()> end_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace dx::ui
