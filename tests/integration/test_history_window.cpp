// The History window on a small real history: the sessions of the range, the filter, the order,
// the node chosen, the saves (and a save that fails), the link's downs shaded, and what changed
// read once the minute comes; the connections window's menu item that opens it.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <algorithm>
#include <cmath>

#include "app.h"
#include "history_location.h"
#include "history_store.h"
#include "history_window.h"
#include "postgres_server.h"

namespace dx::test {
namespace {
using ui::HistoryWindow;

const QString kNode = QStringLiteral("node.example:7300");
const QString kOther = QStringLiteral("other.example:7300");

// The history's UTC text of `minutesAgo` before now, and that text's time in seconds. "Now" is
// taken once, so that a row written and the text expected of it agree across a second's turn.
QString ago(int minutesAgo) {
    static const QDateTime now = QDateTime::currentDateTimeUtc();
    return now.addSecs(-60LL * minutesAgo).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}
qint64 secondsOf(const QString& text) {
    QDateTime t = QDateTime::fromString(text.left(16), QStringLiteral("yyyy-MM-dd HH:mm"));
    t.setTimeZone(QTimeZone::utc());
    return t.toSecsSinceEpoch();
}

// A history as the program writes it, with rows of two nodes put in by hand: a file, or the
// PostgreSQL database `at` names.
struct SmallHistory {
    QTemporaryDir dir;
    QString path;
    QSqlDatabase db;
    QString counted = ago(5 * 60).left(16);  // the one minute counted

    explicit SmallHistory(const QString& at = {})
        : path(at.isEmpty() ? dir.filePath(QStringLiteral("history.sqlite")) : at) {
        ui::HistoryStore(path, kNode.toStdString()).stop();  // the schema, as the program makes it
        QString why;
        const auto location = ui::parseHistoryLocation(path, &why);
        EXPECT_TRUE(location) << why.toStdString();
        if (location) db = ui::openHistoryDatabase(*location, path);
        EXPECT_TRUE(db.isOpen());
        link(kNode, 30 * 60, 3 * 60);
        link(kNode, 2 * 60, -1);
        link(kOther, 2 * 60, -1);
        session(kNode, "G4ABC", "10.0.0.1", "kel-latest", "2.3", 5 * 60, 4 * 60, "left");
        session(kNode, "K1XYZ", "10.0.0.2", "plain", "", 60, -1, "");
        session(kNode, "DL1AA", "192.168.4.7", "node", "", 20 * 60, 19 * 60, "link-lost");
        session(kNode, "OLD1", "10.0.0.9", "plain", "", 3 * 24 * 60, 3 * 24 * 60 - 60, "left");
        session(kOther, "W1AW", "10.1.1.1", "nocall", "", 2 * 60, -1, "");
        run(QStringLiteral("INSERT INTO user_counts VALUES ('%1', '%2', 3, 4, 1, 0, 0, 2, 0, 0, 0)")
                .arg(kNode, counted));
    }
    ~SmallHistory() {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(path);
    }
    void run(const QString& sql) { EXPECT_TRUE(QSqlQuery(db).exec(sql)) << sql.toStdString(); }
    void link(const QString& node, int up, int down) {
        run(QStringLiteral("INSERT INTO links (node, up, down, reason) VALUES ('%1', '%2', %3, %4)")
                .arg(node, ago(up), down < 0 ? "NULL" : "'" + ago(down) + "'",
                     down < 0 ? "NULL" : "'closed'"));
    }
    void session(const QString& node, const char* call, const char* address, const char* kind,
                 const char* version, int started, int ended, const char* reason) {
        run(QStringLiteral(
                "INSERT INTO sessions (node, socket, call, address, port, kind, version, started, ended, "
                "end_reason) VALUES ('%1', 7, '%2', '%3', '23005', '%4', %5, '%6', %7, %8)")
                .arg(node, call, address, kind, *version ? QStringLiteral("'%1'").arg(version) : "NULL",
                     ago(started), ended < 0 ? "NULL" : "'" + ago(ended) + "'",
                     *reason ? QStringLiteral("'%1'").arg(reason) : "NULL"));
    }
};

QStringList column(const HistoryWindow& w, SessionColumn c) {
    QStringList out;
    for (int r = 0; r < w.model->rowCount(); ++r)
        out << w.model->data(w.model->index(r, static_cast<int>(c)), Qt::DisplayRole).toString();
    return out;
}

bool readAll(const HistoryWindow& w) {
    return QTest::qWaitFor([&] { return w.complete(); }, 5000);
}

TEST(HistoryWindow, ShowsTheRangesSessionsFilteredSortedAndSavedWithTheLinksDownsShaded) {
    SmallHistory history;
    HistoryWindow w(history.path, kNode.toStdString());
    w.show();
    ASSERT_TRUE(readAll(w)) << w.statusLine->text().toStdString();
    QStringList nodes;
    for (int i = 0; i < w.nodeChooser->count(); ++i) nodes << w.nodeChooser->itemText(i);
    EXPECT_EQ(nodes, (QStringList{kNode, "All nodes", kOther}));

    // The last 24 hours, newest first; then the other ranges.
    EXPECT_EQ(column(w, SessionColumn::Call), (QStringList{"K1XYZ", "G4ABC", "DL1AA"}));
    w.rangeButtons[0]->click();
    EXPECT_EQ(column(w, SessionColumn::Call), (QStringList{"K1XYZ", "G4ABC"}));
    w.rangeButtons[2]->click();
    EXPECT_EQ(column(w, SessionColumn::Call), (QStringList{"K1XYZ", "G4ABC", "DL1AA", "OLD1"}));
    EXPECT_EQ(column(w, SessionColumn::Duration).value(1), "1 h");
    EXPECT_EQ(column(w, SessionColumn::EndReason), (QStringList{"", "left", "link-lost", "left"}));

    w.filterBox->setText(QStringLiteral("g4a"));
    EXPECT_EQ(column(w, SessionColumn::Call), QStringList{"G4ABC"});
    w.filterBox->setText(QStringLiteral("192.168"));
    EXPECT_EQ(column(w, SessionColumn::Call), QStringList{"DL1AA"});
    w.filterBox->clear();
    w.table->sortByColumn(static_cast<int>(SessionColumn::Call), Qt::AscendingOrder);
    EXPECT_EQ(column(w, SessionColumn::Call), (QStringList{"DL1AA", "G4ABC", "K1XYZ", "OLD1"}));

    // The sessions shown, saved whole; a save that cannot land is said in red.
    const QString csv = history.dir.filePath(QStringLiteral("sessions.csv"));
    ASSERT_TRUE(w.saveSessions(csv));
    QFile saved(csv);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = saved.readAll().split('\n');
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], "id,node,socket,call,address,port,kind,version,started,ended,end_reason\r");
    EXPECT_EQ(lines[2], QStringLiteral("1,%1,7,G4ABC,10.0.0.1,23005,kel-latest,2.3,%2,%3,left\r")
                            .arg(kNode, ago(5 * 60), ago(4 * 60))
                            .toUtf8());
    EXPECT_FALSE(w.saveSessions(csv + QStringLiteral("/inside.csv")));
    EXPECT_TRUE(w.saveLine->text().startsWith(QStringLiteral("The sessions could not be saved")));
    EXPECT_TRUE(w.saveLine->styleSheet().contains(QStringLiteral("red")));
    const QString png = history.dir.filePath(QStringLiteral("users.png"));
    ASSERT_TRUE(w.savePlot(png));
    QFile image(png);
    ASSERT_TRUE(image.open(QIODevice::ReadOnly));
    EXPECT_EQ(image.read(4), QByteArray("\x89PNG"));

    // The link was down from three hours ago to two: shaded up to the plot's top; the minute
    // counted shows its users when hovered.
    w.chooseRange(ShownRange::Day);
    const auto down = static_cast<double>(QDateTime::currentSecsSinceEpoch() - 3 * 3600);
    const QList<QPointF> shade = w.plot->linkDownTop->points();
    EXPECT_TRUE(std::any_of(shade.begin(), shade.end(),
                            [&](QPointF p) { return std::abs(p.x() - down) < 120 && p.y() > 0; }));
    emit w.plot->hovered(secondsOf(history.counted) + 30);
    EXPECT_TRUE(w.hoverLine->text().contains(QStringLiteral("3 users"))) << w.hoverLine->text().toStdString();
}

TEST(HistoryWindow, AllNodesAndWhatChangedAreReadKeepingTheOperatorsFilter) {
    SmallHistory history;
    HistoryWindow w(history.path, kNode.toStdString());
    ASSERT_TRUE(readAll(w));
    w.nodeChooser->setCurrentIndex(1);
    emit w.nodeChooser->activated(1);
    ASSERT_TRUE(readAll(w));
    EXPECT_EQ(column(w, SessionColumn::Call), (QStringList{"K1XYZ", "W1AW", "G4ABC", "DL1AA"}));

    w.filterBox->setText(QStringLiteral("k1"));
    history.session(kNode, "K1NEW", "10.0.0.3", "plain", "", 1, -1, "");
    history.run(QStringLiteral("UPDATE sessions SET ended = '%1', end_reason = 'left' WHERE call = 'K1XYZ'")
                    .arg(ago(0)));
    bool shown = false;
    QObject::connect(&w, &HistoryWindow::readingShown, [&] { shown = true; });
    w.followNow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown; }, 5000));
    EXPECT_EQ(column(w, SessionColumn::Call), (QStringList{"K1NEW", "K1XYZ"}));
    EXPECT_EQ(column(w, SessionColumn::EndReason), (QStringList{"", "left"}));
}

TEST(HistoryWindow, ReadsAPostgresqlHistoryAsItReadsAFile) {
    PostgresServer server;
    DX_NEED_POSTGRES(server);
    SmallHistory history(server.uri());
    HistoryWindow w(server.uri(), kNode.toStdString());
    ASSERT_TRUE(readAll(w)) << w.statusLine->text().toStdString();
    QStringList nodes;
    for (int i = 0; i < w.nodeChooser->count(); ++i) nodes << w.nodeChooser->itemText(i);
    EXPECT_EQ(nodes, (QStringList{kNode, "All nodes", kOther}));
    EXPECT_EQ(column(w, SessionColumn::Call), (QStringList{"K1XYZ", "G4ABC", "DL1AA"}));
    w.filterBox->setText(QStringLiteral("g4a"));
    EXPECT_EQ(column(w, SessionColumn::Call), QStringList{"G4ABC"});
}

TEST(HistoryWindow, TheMenuItemOpensItOnTheHistoryInUseAndIsOffWithoutOne) {
    QTemporaryDir dir;
    ui::Options options;
    options.historyPath = dir.filePath(QStringLiteral("history.sqlite"));
    ui::App app(dir.filePath(QStringLiteral("Monitor.cfg")), options);
    ASSERT_TRUE(app.connects().menuHistory->isEnabled());
    app.connects().menuHistory->trigger();
    ASSERT_NE(app.historyWindow(), nullptr);
    EXPECT_TRUE(app.historyWindow()->isVisible());
    ASSERT_TRUE(readAll(*app.historyWindow()));
    EXPECT_TRUE(app.historyWindow()->statusLine->text().contains(QStringLiteral("does not exist")))
        << app.historyWindow()->statusLine->text().toStdString();

    ui::App without(QStringLiteral("/dev/null"));
    EXPECT_FALSE(without.connects().menuHistory->isEnabled());
}

}  // namespace
}  // namespace dx::test
