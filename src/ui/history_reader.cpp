#include "history_reader.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>
#include <algorithm>
#include <limits>

#include "history/history_recorder.h"
#include "history_export.h"
#include "history_sqlite.h"

namespace dx::ui {

namespace {

// Every statement the History window reads the history with: plain SQL that SQLite and
// PostgreSQL both take, values bound, no function of either's own. Times are the history's UTC
// text, which compares as the times do.
const char* const kVersion = "SELECT version FROM schema_version";
// A node has a history once its link has come up.
const char* const kNodes = "SELECT DISTINCT node FROM links";
const char* const kFirstLink = "SELECT min(up) FROM links WHERE node = ?";
const char* const kFirstMinute = "SELECT min(minute) FROM user_counts WHERE node = ?";
#define DX_SESSION_COLUMNS \
    "SELECT id, socket, call, address, port, kind, version, started, ended, end_reason FROM sessions "
// The two ways a session can stand at a time are asked apart, so that each is found through the
// index of (node, ended) rather than by reading every session of the node.
const char* const kSessionsOpen = DX_SESSION_COLUMNS "WHERE node = ? AND ended IS NULL";
const char* const kSessionsEndedSince = DX_SESSION_COLUMNS "WHERE node = ? AND ended >= ?";
const char* const kSessionsEndedWithin = DX_SESSION_COLUMNS "WHERE node = ? AND ended >= ? AND ended < ?";
const char* const kSessionsById =
    "SELECT id, socket, call, address, port, kind, version, started, ended, end_reason, node FROM sessions "
    "WHERE id IN (";
#undef DX_SESSION_COLUMNS
#define DX_COUNT_COLUMNS                                                                          \
    "SELECT minute, users, max_users, kel_latest, kel_older, kel_unknown, plain, nodes, nocall, " \
    "unclassified "                                                                               \
    "FROM user_counts "
const char* const kCountsSince = DX_COUNT_COLUMNS "WHERE node = ? AND minute >= ? ORDER BY minute";
const char* const kCountsWithin =
    DX_COUNT_COLUMNS "WHERE node = ? AND minute >= ? AND minute < ? ORDER BY minute";
#undef DX_COUNT_COLUMNS
const char* const kLinks = "SELECT up, down FROM links WHERE node = ?";
// Open sessions asked after by id, so many at a time.
constexpr std::size_t kIdsAtOnce = 500;
// How often a long reading looks whether it is still wanted.
constexpr int kRowsBetweenLooks = 4096;

struct Failed {
    QString why;
};

QString why(const QSqlError& error) {
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

QSqlQuery query(QSqlDatabase& db, const QString& sql, const QVariantList& values) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) throw Failed{why(q.lastError())};
    for (const QVariant& v : values) q.addBindValue(v);
    if (!q.exec()) throw Failed{why(q.lastError())};
    return q;
}

QVariant text(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::optional<UtcTime> timeOf(const QVariant& v) {
    if (v.isNull()) return std::nullopt;
    const QByteArray t = v.toString().toLatin1();
    return parseHistoryTime(std::string_view(t.constData(), static_cast<std::size_t>(t.size())));
}

std::uint32_t add(TextPool& texts, const QVariant& v) {
    if (v.isNull()) return 0;
    const QByteArray t = v.toString().toUtf8();
    return texts.add(std::string_view(t.constData(), static_cast<std::size_t>(t.size())));
}

std::string utf8(const QVariant& v) {
    return v.toString().toStdString();
}

std::uint16_t count(const QVariant& v) {
    return static_cast<std::uint16_t>(std::clamp<qlonglong>(v.toLongLong(), 0, 65535));
}

}  // namespace

HistoryReader::HistoryReader(QString location, QObject* receiver,
                             std::function<void(HistoryReading&)> deliver)
    : location_(std::move(location)), receiver_(receiver), deliver_(std::move(deliver)) {
    thread_.reset(QThread::create([this] { run(); }));
    thread_->start();
}

HistoryReader::~HistoryReader() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    ending_ = true;
    wake_.notify_all();
    thread_->wait();
}

void HistoryReader::ask(HistoryRequest request) {
    {
        const std::lock_guard lock(mutex_);
        latest_ = std::max<std::uint64_t>(latest_, request.generation);
        asked_.push_back(std::move(request));
    }
    wake_.notify_all();
}

bool HistoryReader::stale(std::uint64_t generation) const {
    return ending_ || generation < latest_;
}

void HistoryReader::run() {
    const QString name = QStringLiteral("history-reader-%1").arg(reinterpret_cast<quintptr>(this));
    {
        QSqlDatabase db;
        bool opened = false;
        for (;;) {
            HistoryRequest request;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || !asked_.empty(); });
                if (stopping_) break;
                request = std::move(asked_.front());
                asked_.pop_front();
            }
            if (stale(request.generation)) continue;
            auto reading = std::make_shared<HistoryReading>();
            reading->request = std::move(request);
            // A history that cannot be opened yet (not written yet, or not there) is tried again
            // at the next request.
            if (!opened) {
                db = QSqlDatabase();
                if (QSqlDatabase::contains(name)) QSqlDatabase::removeDatabase(name);
                const auto refused = openHistoryForReading(name, location_);
                opened = !refused;
                if (refused) reading->failure = *refused;
                if (opened) db = QSqlDatabase::database(name, false);
            }
            if (opened) {
                try {
                    read(db, *reading);
                } catch (const Failed& f) {
                    reading->failure = f.why;
                }
            }
            if (stale(reading->request.generation)) continue;
            QMetaObject::invokeMethod(
                receiver_, [this, reading] { deliver_(*reading); }, Qt::QueuedConnection);
        }
        db.close();
    }
    if (QSqlDatabase::contains(name)) QSqlDatabase::removeDatabase(name);
}

void HistoryReader::read(QSqlDatabase& db, HistoryReading& reading) {
    if (!db.tables().contains(QStringLiteral("sessions"))) return;  // nothing written yet
    {
        QSqlQuery v = query(db, QString::fromLatin1(kVersion), {});
        if (v.next() && v.value(0).toInt() > SqliteHistory::kSchemaVersion)
            throw Failed{QStringLiteral("it was written by a newer version of the program (schema %1)")
                             .arg(v.value(0).toInt())};
    }
    for (QSqlQuery q = query(db, QString::fromLatin1(kNodes), {}); q.next();)
        reading.nodes.push_back(utf8(q.value(0)));
    std::sort(reading.nodes.begin(), reading.nodes.end());
    std::vector<std::string> nodes = reading.nodes;
    if (const auto& only = reading.request.node) nodes = {*only};

    const HistoryRequest& r = reading.request;
    const QVariant from = text(historyTime(r.from));
    const QVariant fromMinute = text(historyMinute(std::chrono::floor<std::chrono::minutes>(r.from)));
    const QVariant until = text(historyTime(r.until));
    const QVariant untilMinute = text(historyMinute(std::chrono::floor<std::chrono::minutes>(r.until)));
    SessionBatch& batch = reading.sessions;
    int rows = 0;
    const auto wanted = [&] {
        if (++rows % kRowsBetweenLooks == 0 && stale(r.generation))
            throw Failed{QStringLiteral("not wanted")};
    };
    const auto sessions = [&](QSqlQuery q, std::optional<std::uint32_t> node) {
        while (q.next()) {
            wanted();
            const auto started = timeOf(q.value(7));
            if (!started) continue;  // not a time: a row the program did not write
            SessionRow s;
            s.id = q.value(0).toLongLong();
            s.socket = static_cast<std::int16_t>(std::clamp(q.value(1).toInt(), -32768, 32767));
            s.call = add(batch.texts, q.value(2));
            s.address = add(batch.texts, q.value(3));
            s.port = add(batch.texts, q.value(4));
            s.kind = userKindNamed(utf8(q.value(5)));
            s.version = add(batch.texts, q.value(6));
            s.started =
                static_cast<std::uint32_t>(std::max<long long>(started->time_since_epoch().count(), 0));
            if (const auto ended = timeOf(q.value(8))) {
                s.length = static_cast<std::int32_t>(std::clamp<long long>(
                    (*ended - *started).count(), 0, std::numeric_limits<std::int32_t>::max()));
                s.end = endReasonNamed(utf8(q.value(9)));
            }
            s.node = node ? *node : add(batch.texts, q.value(10));
            batch.rows.push_back(s);
        }
    };
    const auto counts = [&](QSqlQuery q) {
        while (q.next()) {
            wanted();
            const auto minute = timeOf(q.value(0));
            if (!minute) continue;
            MinuteCounts c;
            c.minute = static_cast<std::int32_t>(
                std::chrono::floor<std::chrono::minutes>(*minute).time_since_epoch().count());
            c.users = count(q.value(1));
            c.mostUsers = count(q.value(2));
            for (std::size_t k = 0; k < c.kinds.size(); ++k)
                c.kinds[k] = count(q.value(static_cast<int>(k) + 3));
            reading.counts.push_back(c);
        }
    };

    std::optional<UtcTime> begins;
    for (const std::string& node : nodes) {
        const QVariant n = text(node);
        const std::uint32_t nodeText = batch.texts.add(node);
        using Kind = HistoryRequest::Kind;
        if (r.kind == Kind::Older) {
            sessions(query(db, QString::fromLatin1(kSessionsEndedWithin), {n, from, until}), nodeText);
            counts(query(db, QString::fromLatin1(kCountsWithin), {n, fromMinute, untilMinute}));
            continue;
        }
        sessions(query(db, QString::fromLatin1(kSessionsOpen), {n}), nodeText);
        sessions(query(db, QString::fromLatin1(kSessionsEndedSince), {n, from}), nodeText);
        counts(query(db, QString::fromLatin1(kCountsSince), {n, fromMinute}));
        const auto place = std::lower_bound(reading.nodes.begin(), reading.nodes.end(), node);
        const auto nodePlace = static_cast<std::uint32_t>(place - reading.nodes.begin());
        for (QSqlQuery q = query(db, QString::fromLatin1(kLinks), {n}); q.next();)
            if (const auto up = timeOf(q.value(0)))
                reading.links.push_back({nodePlace, *up, timeOf(q.value(1))});
        for (const char* first : {kFirstLink, kFirstMinute}) {
            QSqlQuery q = query(db, QString::fromLatin1(first), {n});
            if (!q.next()) continue;
            if (const auto t = timeOf(q.value(0))) begins = begins ? std::min(*begins, *t) : *t;
        }
    }
    reading.begins = begins.value_or(r.from);
    // The sessions held open: whatever became of them, even when a restart closed them at an
    // old heartbeat.
    for (std::size_t i = 0; i < r.openIds.size(); i += kIdsAtOnce) {
        const std::size_t n = std::min(kIdsAtOnce, r.openIds.size() - i);
        QString sql = QString::fromLatin1(kSessionsById);
        QVariantList ids;
        for (std::size_t k = 0; k < n; ++k) {
            sql += k ? QStringLiteral(", ?") : QStringLiteral("?");
            ids << QVariant::fromValue<qlonglong>(r.openIds[i + k]);
        }
        sessions(query(db, sql + QStringLiteral(")"), ids), std::nullopt);
    }
    if (nodes.size() > 1) reading.counts = sumByMinute(std::move(reading.counts));
}

}  // namespace dx::ui
