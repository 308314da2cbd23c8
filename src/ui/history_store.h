#pragma once
#include <QString>
#include <QVariant>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "history/history_rows.h"
#include "history/unwritten_rows.h"

#include "history_database.h"

class QThread;

namespace dx::ui {

// The history in an SQLite file or a PostgreSQL database (its schema is in docs/history.md). The
// program only queues rows
// here; a writer thread of the store's own, with its own connection, writes what was queued in one
// transaction, about once a second, with a heartbeat of this monitor, each row within a second of
// being handed over, so a crash or a power cut loses at most the last second. At start, and when a node is
// first met, that node's sessions and link stretches left open by a crash are closed as "unknown" at its last
// heartbeat. While the file cannot be written (a full disk, another writer holding it for long), what is not
// written waits in memory, bounded, and is tried again every second (a PostgreSQL server out of reach:
// every retryEvery, on a new connection); the monitor goes on meanwhile.
class HistoryStore : public HistorySink {
  public:
    // A PostgreSQL server out of reach is tried again this often; the rows wait meanwhile.
    static constexpr std::chrono::milliseconds kRetryEvery{30000};

    // Opens `path` (an SQLite file, or a postgresql:// URI) in the writer thread and begins
    // writing; `node` is the configured node at start.
    HistoryStore(QString path, std::string node, std::chrono::milliseconds retryEvery = kRetryEvery);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    void write(std::vector<HistoryRow> rows) override;
    // Writes what is queued and ends the writer thread. Nothing is written afterwards.
    void stop();
    // What the operator is to be told (a file that cannot be opened or was set aside, writes that
    // failed, and what went meanwhile), each once, in the order it happened.
    std::vector<std::string> takeNotices();
    const QString& path() const { return path_; }

  private:
    using Clock = std::chrono::steady_clock;
    void run();
    // When the writer next writes, by what is queued and when it last wrote.
    Clock::time_point nextFlush() const;
    // Writes `rows` and the heartbeat in one transaction; throws HistoryFailure, with nothing
    // written.
    void flush(HistoryDatabase& db, const std::deque<HistoryRow>& rows);
    // A write that failed, or the first that succeeded after some failed: said to the operator,
    // each once a stretch.
    void failed(const HistoryDatabase& db, const HistoryFailure& f);
    void written(const HistoryDatabase& db);
    void closeLeftOpen(HistoryDatabase& db, const std::string& node);
    void say(std::string text);

    const QString path_;
    std::string node_;  // whose heartbeat is written; the node of the latest link
    std::unique_ptr<QThread> thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::vector<std::vector<HistoryRow>> queued_;  // as the recorder handed them over
    Clock::time_point queuedSince_;                // when the first of them came
    std::vector<std::string> notices_;
    // Owned by the writer thread: the database ids of this program's rows, by their keys, and the
    // nodes whose left-open rows have been closed.
    std::unordered_map<std::uint64_t, QVariant> sessionIds_, linkIds_;
    std::unordered_map<std::uint64_t, std::string> linkNodes_;
    std::set<std::string> nodesMet_;
    UnwrittenRows unwritten_;
    Clock::time_point lastFlush_, lastRowsFlush_;  // when the last write began, and the last with rows
    bool failing_ = false;
    const std::chrono::milliseconds retryEvery_;
    std::optional<Clock::time_point> retryAt_;  // while the database cannot be reached
    std::optional<std::chrono::steady_clock::time_point> busySince_;
};

}  // namespace dx::ui
