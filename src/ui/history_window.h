#pragma once
#include <QAbstractTableModel>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/session_list.h"
#include "history/shown_span.h"
#include "history/users_over_time.h"
#include "history_reader.h"
#include "users_plot.h"

namespace dx::ui {

// Hands the memory that reading the history left free back to the system: a year's reading
// leaves tens of megabytes free but held by the process.
void handBackFreedMemory();

// The sessions shown, as the table reads them: nothing is copied, each cell is made when drawn.
class SessionsModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    SessionsModel(const SessionList& sessions, QObject* parent);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

    // The rows shown are about to be chosen again, and have been.
    void beginChange() { beginResetModel(); }
    void endChange(UtcTime now) {
        now_ = now;
        endResetModel();
    }

  signals:
    void orderWanted(dx::SessionOrder order);

  private:
    const SessionList& sessions_;
    UtcTime now_{};
};

// The History window: what happened on the node while nobody watched. A plot of the users over
// time by kind, and below it the sessions of the stretch the plot shows. It reads the history in
// use through a reader of its own: first the last day, then, while the operator looks, older
// stretches back to the history's start; once a minute what changed since.
class HistoryWindow : public QWidget {
    Q_OBJECT
  public:
    // `location` is the history in use; `configuredNode` the node of the configuration, shown first.
    HistoryWindow(QString location, std::string configuredNode, QWidget* parent = nullptr);
    ~HistoryWindow() override;

    void chooseRange(ShownRange range);
    // Saves the sessions shown as comma-separated values, or the plot as a PNG image; a failure
    // is said in the window. True when the file was written.
    bool saveSessions(const QString& path);
    bool savePlot(const QString& path);
    // What the minute's clock does: reads what changed since the last look.
    void followNow();

    // Whether the whole history of the node chosen is read, and nothing is waited for.
    bool complete() const { return !olderToRead_ && awaited_ == 0; }
    TimeSpan shownSpan() const;
    const SessionList& sessions() const { return sessions_; }
    const std::vector<CountBucket>& buckets() const { return buckets_; }

    QComboBox* nodeChooser;
    std::array<QToolButton*, kShownRanges.size()> rangeButtons{};
    QToolButton* wholeRangeButton;
    QPushButton* savePlotButton;
    UsersPlot* plot;
    QLabel* hoverLine;
    QLineEdit* filterBox;
    QLabel* sessionCount;
    QPushButton* saveSessionsButton;
    QTableView* table;
    SessionsModel* model;
    QLabel* statusLine;
    QLabel* saveLine;

  signals:
    // A reading was taken in and shown.
    void readingShown();

  private:
    void startReading(std::optional<std::string> node);
    void ask(HistoryRequest::Kind kind, UtcTime from, UtcTime until, std::vector<std::int64_t> openIds = {});
    void askOlder();
    void take(HistoryReading& reading);
    void listNodes(const std::vector<std::string>& nodes);
    // Draws the plot of the span shown; the sessions follow at once or, while the operator
    // zooms and pans, a moment later.
    void showSpan(bool sessionsAtOnce);
    void drawPlot();
    // Chooses the sessions shown again, after taking in `incoming` when there are some.
    void showSessions(SessionBatch* incoming = nullptr);
    void zoomTo(std::optional<TimeSpan> span);
    void hover(qint64 at);
    // What the window says of its reading, and of a save.
    void say(const QString& text, bool failure);
    void sayOfSave(const QString& text, bool failure);
    UtcTime now() const;
    TimeSpan rangeSpan() const;

    const QString location_;
    const std::string configuredNode_;
    std::unique_ptr<HistoryReader> reader_;
    std::uint64_t generation_ = 0;
    std::optional<std::string> node_;  // the node shown; none: every node
    int awaited_ = 0;                  // readings asked for and not yet taken in
    bool lookAwaited_ = false;         // a look at the newest is among them
    bool olderToRead_ = false;

    UserCounts counts_;
    SessionList sessions_;
    std::vector<LinkStretch> links_;
    UtcTime begins_{};    // the history's first time
    UtcTime heldFrom_{};  // what is held reaches back to here
    UtcTime newsFrom_{};  // the time of the last look for what changed

    ShownRange range_ = ShownRange::Day;
    std::optional<TimeSpan> zoom_;  // the operator's zoom or pan within the range
    std::string filter_;
    SessionOrder order_;
    std::vector<CountBucket> buckets_;
    std::chrono::minutes bucket_{1};

    QTimer follow_;
    QTimer sessionsSoon_;
};

}  // namespace dx::ui
