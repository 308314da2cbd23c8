#include "history_export.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringEncoder>
#include <QStringList>
#include <QTimeZone>
#include <QVariant>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <string_view>

#include "checked_output.h"
#include "history/csv.h"
#include "history_location.h"
#include "history_sqlite.h"

namespace dx::ui {
namespace {

// What each export reads: its columns (the CSV's header names them so), the column that says
// when a row begins and the one that says when it ends (the same for a minute's counts), and its
// order. Sessions keep their id, so that a session two exports share (one that spans two days'
// exports) is known as the same; the other tables have none.
struct Shape {
    const char* table;
    const char* columns;
    const char* begins;
    const char* ends;
    const char* order;
};
Shape shapeOf(HistoryExport::Table table) {
    switch (table) {
        case HistoryExport::Table::Sessions:
            return {"sessions",
                    "id, node, socket, call, address, port, kind, version, started, ended, end_reason",
                    "started", "ended", "started, id"};
        case HistoryExport::Table::Counts:
            return {
                "user_counts",
                "node, minute, users, max_users, kel_latest, kel_older, kel_unknown, plain, nodes, nocall, "
                "unclassified",
                "minute", "minute", "node, minute"};
        case HistoryExport::Table::Links:
            break;
    }
    return {"links", "node, up, down, reason", "up", "down", "up, node"};
}

// A minute's row is in the range when the minute begins within it: from the first minute that
// begins at or after `at`. Minutes compare as their text, "YYYY-MM-DD HH:MM".
QString firstMinuteFrom(const QString& at) {
    const QString minute = at.left(16);
    if (at.mid(17) == QStringLiteral("00")) return minute;
    QDateTime next = QDateTime::fromString(minute, QStringLiteral("yyyy-MM-dd HH:mm"));
    next.setTimeZone(QTimeZone::utc());
    return next.addSecs(60).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

bool needsQuotes(char c) {
    return c == ',' || c == '"' || c == '\r' || c == '\n';
}

// A value as its field: numbers as digits, text as UTF-8, quoted when it must be. The text is
// made straight in the output, not through a string of its own: the export makes millions.
void appendValue(std::string& out, const QVariant& value, QStringEncoder& utf8) {
    if (value.isNull()) return;  // not known, or not yet: an empty field
    if (value.typeId() == QMetaType::QString) {
        const QString* text = static_cast<const QString*>(value.constData());
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(utf8.requiredSpace(text->size())));
        char* const end = utf8.appendToBuffer(out.data() + at, *text);
        out.resize(static_cast<std::size_t>(end - out.data()));
        if (std::none_of(out.begin() + static_cast<std::ptrdiff_t>(at), out.end(), needsQuotes)) return;
        const std::string field = out.substr(at);
        out.resize(at);
        appendCsvField(out, field);
        return;
    }
    if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int) {
        char digits[24];
        const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value.toLongLong());
        out.append(digits, end);
        return;
    }
    const QByteArray text = value.toString().toUtf8();
    appendCsvField(out, std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
}

// The node of every row of `table`, when they are all one node's (the usual history): rows in
// the order of their start are then read in the order of the node's index, not sorted whole.
QString onlyNode(QSqlDatabase& db, QLatin1String table) {
    QString first, last;
    for (const auto& [end, value] :
         {std::pair{QLatin1String("min"), &first}, std::pair{QLatin1String("max"), &last}}) {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT %1(node) FROM %2").arg(end, table)) || !q.next()) return {};
        *value = q.value(0).toString();
    }
    return first == last ? first : QString();
}

QString quoted(const QString& location) {
    return u'\'' + location + u'\'';
}

}  // namespace

std::optional<HistoryExport::Table> exportTableNamed(const QString& name) {
    if (name == QStringLiteral("sessions")) return HistoryExport::Table::Sessions;
    if (name == QStringLiteral("counts")) return HistoryExport::Table::Counts;
    if (name == QStringLiteral("links")) return HistoryExport::Table::Links;
    return std::nullopt;
}

std::optional<QString> openHistoryForReading(const QString& connection, const QString& location) {
    QString why;
    const auto where = parseHistoryLocation(location, &why, HistoryAccess::Read);
    if (!where) return why.chopped(1);  // without its full stop
    if (!where->isPostgres()) {
        // Read only: a history that is not there is never made by looking for it.
        const QFileInfo file(where->file);
        if (!file.exists()) return QStringLiteral("it does not exist");
        if (!file.isFile()) return QStringLiteral("it is not a regular file");
        if (!file.isReadable()) return qt_error_string(EACCES);
    }
    const QSqlDatabase db = openHistoryDatabase(*where, connection, HistoryAccess::Read);
    if (!db.isOpen()) return db.lastError().text();
    return std::nullopt;
}

namespace {

// The statement that reads what `request` asks for, with its values to bind.
QString selectFor(const HistoryExport& request, QSqlDatabase& db, QVariantList& values) {
    const Shape shape = shapeOf(request.table);
    const bool minutes = request.table == HistoryExport::Table::Counts;
    QStringList where;
    QString node = request.node;
    if (node.isEmpty() && !minutes) node = onlyNode(db, QLatin1String(shape.table));
    if (!node.isEmpty()) {
        where << QStringLiteral("node = ?");
        values << node;
    }
    const QLatin1String begins(shape.begins), ends(shape.ends);
    if (!request.since.isEmpty()) {
        where << (minutes ? QStringLiteral("%1 >= ?").arg(ends)
                          : QStringLiteral("(%1 IS NULL OR %1 >= ?)").arg(ends));
        values << (minutes ? firstMinuteFrom(request.since) : request.since);
    }
    if (!request.until.isEmpty()) {
        where << QStringLiteral("%1 < ?").arg(begins);
        values << (minutes ? firstMinuteFrom(request.until) : request.until);
    }
    QString sql =
        QStringLiteral("SELECT %1 FROM %2").arg(QLatin1String(shape.columns), QLatin1String(shape.table));
    if (!where.isEmpty()) sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    return sql + QStringLiteral(" ORDER BY ") + QLatin1String(shape.order);
}

// The header row: the columns as the history names them.
void appendHeader(std::string& out, std::string_view columns) {
    for (std::size_t at = 0; at < columns.size();) {
        const std::size_t comma = std::min(columns.find(", ", at), columns.size());
        if (at > 0) out.push_back(',');
        out.append(columns.substr(at, comma - at));
        at = comma + 2;
    }
    out.append("\r\n");
}

std::optional<QString> exportFrom(const QString& connection, const HistoryExport& request,
                                  const QString& location, CheckedOutput& out) {
    const auto cannotRead = [&](const QString& why) {
        return QStringLiteral("the history %1 cannot be read: %2.").arg(quoted(location), why);
    };
    if (const auto why = openHistoryForReading(connection, location)) return cannotRead(*why);
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    {
        QSqlQuery version(db);
        if (!version.exec(QStringLiteral("SELECT version FROM schema_version")))
            return cannotRead(version.lastError().databaseText());
        if (!version.next()) return cannotRead(QStringLiteral("its schema_version table is empty"));
        if (const int v = version.value(0).toInt(); v > SqliteHistory::kSchemaVersion)
            return QStringLiteral("the history %1 was written by a newer version of the program (schema %2).")
                .arg(quoted(location))
                .arg(v);
    }
    QVariantList values;
    const QString sql = selectFor(request, db, values);
    QSqlQuery rows(db);
    // Each row is read, written and forgotten: the result is never held whole.
    rows.setForwardOnly(true);
    if (!rows.prepare(sql)) return cannotRead(rows.lastError().databaseText());
    for (const QVariant& value : values) rows.addBindValue(value);
    if (!rows.exec()) return cannotRead(rows.lastError().databaseText());

    std::string& text = out.pending();
    appendHeader(text, shapeOf(request.table).columns);
    const int count = rows.record().count();
    QStringEncoder utf8(QStringEncoder::Utf8);
    while (rows.next()) {
        for (int i = 0; i < count; ++i) {
            if (i > 0) text.push_back(',');
            appendValue(text, rows.value(i), utf8);
        }
        text.append("\r\n");
        if (!out.pass()) break;
    }
    if (out.failure().isEmpty() && rows.lastError().isValid())
        return cannotRead(rows.lastError().databaseText());
    if (!out.finish())
        return QStringLiteral("the export could not be written to standard output: %1.").arg(out.failure());
    return std::nullopt;
}

}  // namespace

std::optional<QString> exportHistory(const HistoryExport& request, const QString& location,
                                     CheckedOutput& out) {
    const QString connection = QStringLiteral("history-export");
    const std::optional<QString> failure = exportFrom(connection, request, location, out);
    QSqlDatabase::removeDatabase(connection);
    return failure;
}

}  // namespace dx::ui
