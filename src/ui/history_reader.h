#pragma once
#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "history/session_list.h"
#include "history/shown_span.h"
#include "history/users_over_time.h"

class QThread;
class QSqlDatabase;

namespace dx::ui {

// What the History window asks of the history: the newest stretch, an older one, or what
// changed since the last look. `node` is the node's rows to read; none: every node's.
struct HistoryRequest {
    enum class Kind : std::uint8_t { Newest, Older, News } kind = Kind::Newest;
    std::uint64_t generation = 0;  // the window's choice of node it is for
    std::optional<std::string> node;
    // Newest: from `from` on, and the sessions still open. Older: the sessions that ended, and
    // the minutes, within [from, until). News: the sessions still open or ended since `from`,
    // those of `openIds` (whatever became of them), and the minutes from `from` on.
    UtcTime from;
    UtcTime until;
    std::vector<std::int64_t> openIds;
};

// What one reading brought.
struct HistoryReading {
    HistoryRequest request;
    std::vector<std::string> nodes;  // every node the history knows, ordered
    UtcTime begins;                  // the history's first time, for the node(s) read
    SessionBatch sessions;
    std::vector<MinuteCounts> counts;  // one row a minute, the nodes' summed
    std::vector<LinkStretch> links;    // every stretch of the node(s) read; node: its place in `nodes`
    QString failure;                   // why the history could not be read; empty when it was
};

// Reads the history for the History window in a thread of its own, with its own connection, so
// the window never waits for the disk: the requests are done in order, each reading handed to
// `deliver` in the thread of `receiver`. Requests of an older generation than the latest asked
// are dropped, and one being read is cut short.
class HistoryReader {
  public:
    HistoryReader(QString location, QObject* receiver, std::function<void(HistoryReading&)> deliver);
    ~HistoryReader();
    HistoryReader(const HistoryReader&) = delete;
    HistoryReader& operator=(const HistoryReader&) = delete;

    void ask(HistoryRequest request);

  private:
    void run();
    bool stale(std::uint64_t generation) const;
    void read(QSqlDatabase& db, HistoryReading& reading);

    const QString location_;
    QObject* receiver_;  // outlives the reader: it owns it
    std::function<void(HistoryReading&)> deliver_;
    std::unique_ptr<QThread> thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<HistoryRequest> asked_;
    bool stopping_ = false;
    std::atomic<std::uint64_t> latest_{0};
    std::atomic<bool> ending_{false};
};

}  // namespace dx::ui
