#include "history_window.h"

#include <QBoxLayout>
#include <QBuffer>
#include <QButtonGroup>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QScrollBar>
#include <QSplitter>
#include <algorithm>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "bindings.h"
#include "file_writer.h"
#include "history/history_recorder.h"

namespace dx::ui {

namespace {
using std::chrono::days;
using std::chrono::hours;
using std::chrono::minutes;
using std::chrono::seconds;

// The window follows the history once a minute, as the counts are kept.
constexpr int kFollowEveryMs = 60 * 1000;
// While the operator zooms and pans, the sessions wait this long for the plot to settle.
constexpr int kSessionsSettleMs = 250;
// What changed is read from a little before the last look: the writer's last second may have
// landed just after it.
constexpr minutes kNewsOverlap{2};

QString qText(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString minuteText(UtcTime t) {
    return qText(historyMinute(std::chrono::floor<minutes>(t)));
}

const char* const kHoverHint =
    "Wheel: zoom. Drag: move along the time. Right drag (or Shift and drag): pick a stretch. Double "
    "click: the whole range.";
}  // namespace

void handBackFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

SessionsModel::SessionsModel(const SessionList& sessions, QObject* parent)
    : QAbstractTableModel(parent), sessions_(sessions) {}

int SessionsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(sessions_.shown().size());
}

int SessionsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(kSessionColumnTitles.size());
}

QVariant SessionsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const SessionRow& row = sessions_.row(sessions_.shown()[static_cast<std::size_t>(index.row())]);
    const auto column = static_cast<SessionColumn>(index.column());
    if (role == Qt::DisplayRole) return qText(sessions_.cell(row, column, now_));
    if (role == Qt::BackgroundRole && column == SessionColumn::Kind)
        return toQColor(plottedKindColour(row.kind));
    if (role == Qt::ForegroundRole && column == SessionColumn::Kind) return QColor(Qt::black);
    return {};
}

QVariant SessionsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= static_cast<int>(kSessionColumnTitles.size()))
        return {};
    const std::string_view title = kSessionColumnTitles[static_cast<std::size_t>(section)];
    return QString::fromLatin1(title.data(), static_cast<qsizetype>(title.size()));
}

void SessionsModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= columnCount()) return;
    emit orderWanted(SessionOrder{static_cast<SessionColumn>(column), order == Qt::DescendingOrder});
}

HistoryWindow::HistoryWindow(QString location, std::string configuredNode, QWidget* parent)
    : QWidget(parent), location_(std::move(location)), configuredNode_(std::move(configuredNode)) {
    setWindowTitle(QStringLiteral("History"));
    resize(1100, 780);

    nodeChooser = new QComboBox;
    nodeChooser->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* ranges = new QButtonGroup(this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Node")));
    top->addWidget(nodeChooser);
    top->addSpacing(12);
    for (std::size_t i = 0; i < kShownRanges.size(); ++i) {
        const std::string_view name = shownRangeName(kShownRanges[i]);
        auto* b = new QToolButton;
        b->setText(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
        b->setCheckable(true);
        b->setChecked(kShownRanges[i] == range_);
        ranges->addButton(b);
        top->addWidget(b);
        rangeButtons[i] = b;
        connect(b, &QToolButton::clicked, this, [this, i] { chooseRange(kShownRanges[i]); });
    }
    wholeRangeButton = new QToolButton;
    wholeRangeButton->setText(QStringLiteral("Whole range"));
    wholeRangeButton->setToolTip(QStringLiteral("Back from the zoom to the whole range picked"));
    wholeRangeButton->setEnabled(false);
    top->addWidget(wholeRangeButton);
    top->addStretch(1);
    savePlotButton = new QPushButton(QStringLiteral("Save plot as PNG..."));
    top->addWidget(savePlotButton);

    plot = new UsersPlot;
    plot->setMinimumHeight(220);
    hoverLine = new QLabel(QString::fromLatin1(kHoverHint));
    hoverLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* plotPane = new QWidget;
    auto* plotLayout = new QVBoxLayout(plotPane);
    plotLayout->setContentsMargins(0, 0, 0, 0);
    plotLayout->addWidget(plot, 1);
    plotLayout->addWidget(hoverLine);

    filterBox = new QLineEdit;
    filterBox->setPlaceholderText(QStringLiteral("call or address"));
    filterBox->setClearButtonEnabled(true);
    sessionCount = new QLabel;
    saveSessionsButton = new QPushButton(QStringLiteral("Save sessions as CSV..."));
    auto* listBar = new QHBoxLayout;
    listBar->addWidget(new QLabel(QStringLiteral("Filter")));
    listBar->addWidget(filterBox);
    listBar->addWidget(sessionCount);
    listBar->addStretch(1);
    listBar->addWidget(saveSessionsButton);

    model = new SessionsModel(sessions_, this);
    table = new QTableView;
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    // Rows of one height, known without asking each: a year holds a million of them.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    const int widths[] = {90, 120, 60, 100, 80, 150, 100, 110};
    for (int c = 0; c < static_cast<int>(std::size(widths)); ++c) table->setColumnWidth(c, widths[c]);
    table->horizontalHeader()->setStretchLastSection(true);
    table->horizontalHeader()->setSortIndicator(static_cast<int>(order_.column), Qt::DescendingOrder);
    table->setSortingEnabled(true);
    auto* listPane = new QWidget;
    auto* listLayout = new QVBoxLayout(listPane);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->addLayout(listBar);
    listLayout->addWidget(table, 1);

    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(plotPane);
    split->addWidget(listPane);
    split->setStretchFactor(0, 5);
    split->setStretchFactor(1, 4);
    statusLine = new QLabel;
    saveLine = new QLabel;
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(statusLine, 1);
    bottom->addWidget(saveLine);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(top);
    outer->addWidget(split, 1);
    outer->addLayout(bottom);

    connect(nodeChooser, &QComboBox::activated, this, [this](int i) {
        const QVariant v = nodeChooser->itemData(i);
        std::optional<std::string> node;
        if (!v.isNull()) node = v.toString().toStdString();
        if (node != node_) startReading(node);
    });
    connect(wholeRangeButton, &QToolButton::clicked, this, [this] { zoomTo(std::nullopt); });
    connect(plot, &UsersPlot::zoomWanted, this, [this](double factor, qint64 around) {
        zoomTo(zoomed(shownSpan(), factor, UtcTime(seconds(around)), rangeSpan()));
    });
    connect(plot, &UsersPlot::panWanted, this,
            [this](qint64 by) { zoomTo(panned(shownSpan(), seconds(by), rangeSpan())); });
    connect(plot, &UsersPlot::spanPicked, this, [this](qint64 from, qint64 until) {
        const TimeSpan picked{UtcTime(seconds(from)), UtcTime(seconds(until))};
        zoomTo(zoomed(picked, 1.0, picked.from, rangeSpan()));
    });
    connect(plot, &UsersPlot::wholeRangeWanted, this, [this] { zoomTo(std::nullopt); });
    connect(plot, &UsersPlot::hovered, this, [this](qint64 at) { hover(at); });
    connect(plot, &UsersPlot::resized, this, [this] { drawPlot(); });
    connect(filterBox, &QLineEdit::textChanged, this, [this](const QString& text) {
        filter_ = text.toStdString();
        showSessions();
    });
    connect(model, &SessionsModel::orderWanted, this, [this](SessionOrder order) {
        order_ = order;
        showSessions();
    });
    connect(saveSessionsButton, &QPushButton::clicked, this, [this] {
        const QString path =
            QFileDialog::getSaveFileName(this, QStringLiteral("Save the sessions shown"),
                                         QDir::home().filePath(QStringLiteral("sessions.csv")),
                                         QStringLiteral("Comma-separated values (*.csv)"));
        if (!path.isEmpty()) saveSessions(path);
    });
    connect(savePlotButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save the plot"),
                                                          QDir::home().filePath(QStringLiteral("users.png")),
                                                          QStringLiteral("PNG images (*.png)"));
        if (!path.isEmpty()) savePlot(path);
    });
    sessionsSoon_.setSingleShot(true);
    connect(&sessionsSoon_, &QTimer::timeout, this, [this] { showSessions(); });
    connect(&follow_, &QTimer::timeout, this, [this] { followNow(); });

    reader_ = std::make_unique<HistoryReader>(location_, this, [this](HistoryReading& r) { take(r); });
    startReading(configuredNode_);
}

HistoryWindow::~HistoryWindow() {
    // The reader ends first: nothing it read is taken in by a window half gone.
    reader_.reset();
}

UtcTime HistoryWindow::now() const {
    return UtcTime(seconds(QDateTime::currentSecsSinceEpoch()));
}

TimeSpan HistoryWindow::rangeSpan() const {
    return spanOf(range_, now(), begins_);
}

TimeSpan HistoryWindow::shownSpan() const {
    return zoom_ ? *zoom_ : rangeSpan();
}

void HistoryWindow::startReading(std::optional<std::string> node) {
    ++generation_;
    node_ = std::move(node);
    awaited_ = 0;
    lookAwaited_ = false;
    olderToRead_ = false;
    model->beginChange();
    sessions_ = SessionList();
    model->endChange(now());
    counts_ = UserCounts();
    links_.clear();
    zoom_.reset();
    wholeRangeButton->setEnabled(false);
    const UtcTime at = now();
    begins_ = at;
    // Until the first reading lands, nothing is held: a look for what changed reads it all.
    heldFrom_ = newsFrom_ = UtcTime{};
    say(QStringLiteral("Reading the history..."), false);
    ask(HistoryRequest::Kind::Newest, at - hours(24), at);
    follow_.start(kFollowEveryMs);
}

void HistoryWindow::ask(HistoryRequest::Kind kind, UtcTime from, UtcTime until,
                        std::vector<std::int64_t> openIds) {
    ++awaited_;
    if (kind != HistoryRequest::Kind::Older) lookAwaited_ = true;
    reader_->ask(HistoryRequest{kind, generation_, node_, from, until, std::move(openIds)});
}

void HistoryWindow::askOlder() {
    // Back in steps that the ranges offer first, then a month at a time: each step is soon
    // read and shown, and the window stays with the operator meanwhile.
    olderToRead_ = heldFrom_ > begins_;
    if (!olderToRead_) return;
    UtcTime from = heldFrom_ - days(30);
    if (heldFrom_ > newsFrom_ - days(7))
        from = newsFrom_ - days(7);
    else if (heldFrom_ > newsFrom_ - days(30))
        from = newsFrom_ - days(30);
    if (from <= begins_) from = UtcTime{};  // the last step: everything before
    ask(HistoryRequest::Kind::Older, from, heldFrom_);
}

void HistoryWindow::followNow() {
    if (lookAwaited_) return;  // the last look is still being read
    ask(HistoryRequest::Kind::News, newsFrom_ - kNewsOverlap, now(), sessions_.openIds());
}

void HistoryWindow::take(HistoryReading& reading) {
    const HistoryRequest& r = reading.request;
    if (r.generation != generation_) return;
    --awaited_;
    if (r.kind != HistoryRequest::Kind::Older) lookAwaited_ = false;
    if (!reading.failure.isEmpty()) {
        olderToRead_ = false;
        say(QStringLiteral("The history %1 cannot be read: %2.").arg(location_, reading.failure), true);
        emit readingShown();
        return;
    }
    using Kind = HistoryRequest::Kind;
    if (r.kind == Kind::Newest && node_ && *node_ == configuredNode_ && !reading.nodes.empty() &&
        !std::binary_search(reading.nodes.begin(), reading.nodes.end(), configuredNode_)) {
        // This node has no history here (yet): every node's is shown.
        listNodes(reading.nodes);
        startReading(std::nullopt);
        return;
    }
    listNodes(reading.nodes);
    counts_.merge(std::move(reading.counts));
    if (r.kind != Kind::Older) {
        links_ = std::move(reading.links);
        begins_ = std::min(reading.begins, r.from);
        newsFrom_ = r.until;
    }
    if (r.kind != Kind::News) heldFrom_ = r.from;
    showSessions(&reading.sessions);
    drawPlot();
    if (r.kind != Kind::News) askOlder();
    if (r.kind == Kind::Older && !olderToRead_) handBackFreedMemory();
    if (reading.nodes.empty())
        say(QStringLiteral("There is no history in %1 yet.").arg(location_), false);
    else if (olderToRead_)
        say(QStringLiteral("Reading older history: back to %1 so far.").arg(minuteText(heldFrom_)), false);
    else
        say({}, false);
    emit readingShown();
}

void HistoryWindow::listNodes(const std::vector<std::string>& nodes) {
    // The configured node first, then every node together, then each of the others.
    std::vector<std::optional<std::string>> listed;
    if (std::binary_search(nodes.begin(), nodes.end(), configuredNode_)) listed.emplace_back(configuredNode_);
    listed.emplace_back(std::nullopt);
    for (const std::string& n : nodes)
        if (n != configuredNode_) listed.emplace_back(n);
    bool same = nodeChooser->count() == static_cast<int>(listed.size());
    for (int i = 0; same && i < nodeChooser->count(); ++i) {
        const QVariant v = nodeChooser->itemData(i);
        const auto& want = listed[static_cast<std::size_t>(i)];
        same = want ? (!v.isNull() && v.toString() == qText(*want)) : v.isNull();
    }
    if (!same) {
        const QSignalBlocker quiet(nodeChooser);
        nodeChooser->clear();
        for (const auto& n : listed)
            nodeChooser->addItem(n ? qText(*n) : QStringLiteral("All nodes"),
                                 n ? QVariant(qText(*n)) : QVariant());
    }
    for (int i = 0; i < nodeChooser->count(); ++i) {
        const QVariant v = nodeChooser->itemData(i);
        if (node_ ? (!v.isNull() && v.toString() == qText(*node_)) : v.isNull())
            nodeChooser->setCurrentIndex(i);
    }
}

void HistoryWindow::chooseRange(ShownRange range) {
    range_ = range;
    for (std::size_t i = 0; i < kShownRanges.size(); ++i)
        rangeButtons[i]->setChecked(kShownRanges[i] == range);
    zoom_.reset();
    wholeRangeButton->setEnabled(false);
    showSpan(true);
}

void HistoryWindow::zoomTo(std::optional<TimeSpan> span) {
    zoom_ = span;
    if (zoom_ && *zoom_ == rangeSpan()) zoom_.reset();
    wholeRangeButton->setEnabled(zoom_.has_value());
    showSpan(false);
}

void HistoryWindow::showSpan(bool sessionsAtOnce) {
    drawPlot();
    if (sessionsAtOnce)
        showSessions();
    else
        sessionsSoon_.start(kSessionsSettleMs);
}

void HistoryWindow::drawPlot() {
    const TimeSpan span = shownSpan();
    // A point every two pixels at most: a year's days stand apart, rather than its days and
    // nights as a comb.
    bucket_ = bucketFor(span, plot->plotPixels() / 2);
    const bool moved = buckets_.empty() || span != plot->drawnSpan();
    buckets_ = counts_.buckets(span, bucket_);
    if (moved) hover(-1);  // what was hovered is no longer where it was
    plot->draw(span, buckets_, linkDowns(links_, span, now()));
}

void HistoryWindow::showSessions(SessionBatch* incoming) {
    sessionsSoon_.stop();
    QScrollBar* scroll = table->verticalScrollBar();
    const int at = scroll->value();
    const UtcTime t = now();
    model->beginChange();
    if (incoming) sessions_.merge(std::move(*incoming));
    sessions_.show(shownSpan(), filter_, order_, t);
    model->endChange(t);
    scroll->setValue(at);
    sessionCount->setText(QStringLiteral("%1 sessions").arg(sessions_.shown().size()));
}

void HistoryWindow::hover(qint64 at) {
    if (at < 0 || buckets_.empty()) {
        hoverLine->setText(QString::fromLatin1(kHoverHint));
        return;
    }
    const auto first = buckets_.front().start.time_since_epoch().count();
    const auto size = seconds(bucket_).count();
    const auto i =
        static_cast<std::size_t>(std::clamp<qint64>((at - first) / size, 0, qint64(buckets_.size()) - 1));
    const CountBucket& b = buckets_[i];
    QString when = minuteText(b.start);
    if (bucket_ > minutes(1)) {
        const QString end = minuteText(b.start + bucket_);
        when += QStringLiteral(" to ") + (end.left(10) == when.left(10) ? end.mid(11) : end);
    }
    if (!b.counted) {
        hoverLine->setText(when +
                           QStringLiteral(" UTC: no counts (the link was down, or no monitor watched it)"));
        return;
    }
    QString text = when + QStringLiteral(" UTC: %1 users").arg(b.busiest.users);
    if (bucket_ > minutes(1))
        text += QStringLiteral(" at %1").arg(minuteText(UtcTime(minutes(b.busiest.minute))).mid(11));
    text += QStringLiteral(", most %1:").arg(b.mostUsers);
    for (std::size_t k = 0; k < kCountedKinds.size(); ++k)
        text +=
            QStringLiteral("%1 %2 %3")
                .arg(k ? QStringLiteral(",") : QString(), QString::fromLatin1(userKindName(kCountedKinds[k])))
                .arg(b.busiest.kinds[k]);
    hoverLine->setText(text);
}

bool HistoryWindow::saveSessions(const QString& path) {
    std::string csv;
    sessions_.appendShownCsv(csv);
    if (const auto why = saveWhole(path, QByteArrayView(csv.data(), static_cast<qsizetype>(csv.size())))) {
        sayOfSave(QStringLiteral("The sessions could not be saved to %1: %2").arg(path, *why), true);
        return false;
    }
    sayOfSave(QStringLiteral("%1 sessions saved to %2.").arg(sessions_.shown().size()).arg(path), false);
    return true;
}

bool HistoryWindow::savePlot(const QString& path) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!plot->grab().toImage().save(&buffer, "PNG")) {
        sayOfSave(QStringLiteral("The plot could not be saved to %1: it could not be made into a PNG image")
                      .arg(path),
                  true);
        return false;
    }
    if (const auto why = saveWhole(path, png)) {
        sayOfSave(QStringLiteral("The plot could not be saved to %1: %2").arg(path, *why), true);
        return false;
    }
    sayOfSave(QStringLiteral("The plot saved to %1.").arg(path), false);
    return true;
}

void HistoryWindow::say(const QString& text, bool failure) {
    statusLine->setText(text);
    statusLine->setStyleSheet(failure ? QStringLiteral("color: red") : QString());
}

void HistoryWindow::sayOfSave(const QString& text, bool failure) {
    // Kept until the next save: a failure is not to pass unseen.
    saveLine->setText(text);
    saveLine->setStyleSheet(failure ? QStringLiteral("color: red") : QString());
}

}  // namespace dx::ui
