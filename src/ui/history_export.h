#pragma once
#include <QString>
#include <optional>

namespace dx::ui {

class CheckedOutput;

// --export: one of the history's tables as comma-separated values, for scripts and cron.
struct HistoryExport {
    enum class Table { Sessions, Counts, Links };
    Table table = Table::Sessions;
    // UTC "YYYY-MM-DD HH:MM:SS"; empty: no bound. Sessions and link stretches open at any moment
    // from `since` up to `until` (not included) are written, a session still open among them; a
    // minute's counts when the minute begins within the range.
    QString since, until;
    QString node;  // "ADDRESS:PORT" as the history names the node; empty: every node
};

// "sessions", "counts", "links".
std::optional<HistoryExport::Table> exportTableNamed(const QString& name);

// The history at `location` (a file or a postgresql:// URI) opened for reading only, as the
// database connection named `connection`: nothing is made or changed there. Answers why not when
// it cannot be.
std::optional<QString> openHistoryForReading(const QString& connection, const QString& location);

// Writes the rows of the history at `location` that `request` asks for to `out`: a header row
// with the columns' names as the history names them, then one row per record, in time order
// (sessions by their start, counts by node and minute, link stretches by their start). Rows are
// read and written one at a time. Answers the one line that says why the export failed (a
// history that does not exist or cannot be read, an output that cannot be written), or nothing.
std::optional<QString> exportHistory(const HistoryExport& request, const QString& location,
                                     CheckedOutput& out);

}  // namespace dx::ui
