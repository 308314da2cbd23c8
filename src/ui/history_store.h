#pragma once
#include <QString>
#include <QVariant>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "history/history_rows.h"

#include "history_database.h"

class QThread;

namespace dx::ui {

// The history in an SQLite file (its schema is in docs/history.md). The program only queues rows
// here; a writer thread of the store's own, with its own connection, writes what was queued in one
// transaction at most once a second, with a heartbeat of this monitor, so a crash or a power cut
// loses at most the last second. At start, and when a node is first met, that node's sessions
// and link stretches left open by a crash are closed as "unknown" at its last heartbeat.
class HistoryStore : public HistorySink {
  public:
    // Rows kept for another try while the file cannot be written; beyond it the oldest go.
    static constexpr std::size_t kMostKept = 200000;

    // Opens `path` in the writer thread and begins writing; `node` is the configured node at start.
    HistoryStore(QString path, std::string node);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    void write(std::vector<HistoryRow> rows) override;
    // Writes what is queued and ends the writer thread. Nothing is written afterwards.
    void stop();
    // What the operator is to be told (a file that cannot be opened, a write that failed), each
    // once, in the order it happened.
    std::vector<std::string> takeNotices();
    const QString& path() const { return path_; }

  private:
    void run();
    // Writes `rows` and the heartbeat in one transaction; false (and nothing written) on failure.
    bool flush(HistoryDatabase& db, const std::deque<HistoryRow>& rows);
    void closeLeftOpen(HistoryDatabase& db, const std::string& node);
    void say(std::string text);

    const QString path_;
    std::string node_;  // whose heartbeat is written; the node of the latest link
    std::unique_ptr<QThread> thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::vector<std::vector<HistoryRow>> queued_;  // as the recorder handed them over
    std::vector<std::string> notices_;
    // Owned by the writer thread: the database ids of this program's rows, by their keys, and the
    // nodes whose left-open rows have been closed.
    std::unordered_map<std::uint64_t, QVariant> sessionIds_, linkIds_;
    std::unordered_map<std::uint64_t, std::string> linkNodes_;
    std::set<std::string> nodesMet_;
    bool failing_ = false;
};

}  // namespace dx::ui
