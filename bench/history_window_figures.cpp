// The History window's figures on a real history, run by hand (Release build):
//
//   history_window_figures HISTORY.sqlite [NODE]
//
// Opens the window as the menu item does (after one other window has been shown, as the
// program's are), and times: the open with the last 24 hours shown and painted; the reading of
// the rest of the history, behind the operator's back; switching to 1 year; the call filter over
// the year; sorting the year by call; the CSV export of the year's sessions; and the process's
// resident memory before the window, with the year read, and after the window is closed.
#include <time.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "history_window.h"

namespace {

long residentKib() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Wall clock and the process's CPU time (all its threads), so that figures taken on a busy
// machine can be told from the program's own cost.
struct Clock {
    QElapsedTimer wall;
    double cpuAtStart = 0;
    static double cpuMs() {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
    }
    void start() {
        wall.start();
        cpuAtStart = cpuMs();
    }
    void restart() { start(); }
    double cpu() const { return cpuMs() - cpuAtStart; }
};

double ms(const Clock& c) {
    return static_cast<double>(c.wall.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: history_window_figures HISTORY.sqlite [NODE]\n");
        return 2;
    }
    const QString location = QString::fromLocal8Bit(argv[1]);
    const std::string node = argc > 2 ? argv[2] : "";
    {
        // The program's own windows are up before the History window opens.
        QMainWindow other;
        other.setCentralWidget(new QTableView);
        other.show();
        other.grab();
    }
    const long before = residentKib();

    auto* window = new dx::ui::HistoryWindow(location, node);
    bool shown = false;
    QObject::connect(window, &dx::ui::HistoryWindow::readingShown, [&] { shown = true; });
    Clock clock;
    clock.start();
    window->show();
    while (!shown) app.processEvents(QEventLoop::WaitForMoreEvents);
    window->grab();
    std::printf("open, last 24 h shown: %.1f ms (CPU %.1f ms; %zu sessions, %zu buckets)\n", ms(clock),
                clock.cpu(), window->sessions().shown().size(), window->buckets().size());
    while (!window->complete()) app.processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("the whole history read behind it: %.1f s (CPU %.1f s; %zu sessions held)\n",
                ms(clock) / 1000, clock.cpu() / 1000, window->sessions().size());
    const long loaded = residentKib();

    std::vector<double> year, day, filter, sortCall, yearCpu, filterCpu;
    for (int i = 0; i < 5; ++i) {
        clock.restart();
        window->chooseRange(dx::ShownRange::Year);
        window->grab();
        year.push_back(ms(clock));
        yearCpu.push_back(clock.cpu());
        clock.restart();
        window->filterBox->setText(QStringLiteral("g4a"));
        window->grab();
        filter.push_back(ms(clock));
        filterCpu.push_back(clock.cpu());
        window->filterBox->clear();
        clock.restart();
        window->model->sort(static_cast<int>(dx::SessionColumn::Call), Qt::AscendingOrder);
        window->grab();
        sortCall.push_back(ms(clock));
        window->model->sort(static_cast<int>(dx::SessionColumn::Start), Qt::DescendingOrder);
        clock.restart();
        window->chooseRange(dx::ShownRange::Day);
        window->grab();
        day.push_back(ms(clock));
    }
    std::printf("switch to 1 year: median %.1f ms (of 5; first %.1f; CPU median %.1f)\n", median(year),
                year[0], median(yearCpu));
    std::printf("call filter \"g4a\" over 1 year: median %.1f ms (CPU median %.1f)\n", median(filter),
                median(filterCpu));
    std::printf("sort 1 year by call: median %.1f ms\n", median(sortCall));
    std::printf("switch back to 24 h: median %.1f ms\n", median(day));

    window->chooseRange(dx::ShownRange::Year);
    QTemporaryDir dir;
    clock.restart();
    const bool saved = window->saveSessions(dir.filePath(QStringLiteral("year.csv")));
    const double exportMs = clock.cpu();
    std::printf("CSV export of %zu sessions: CPU %.0f ms, %.0f rows/s, %lld bytes%s\n",
                window->sessions().shown().size(), exportMs,
                static_cast<double>(window->sessions().shown().size()) / exportMs * 1000,
                static_cast<long long>(QFile(dir.filePath(QStringLiteral("year.csv"))).size()),
                saved ? "" : " (FAILED)");

    std::printf("resident memory: %ld MiB before the window, %ld MiB with the year read (+%ld MiB)\n",
                before / 1024, loaded / 1024, (loaded - before) / 1024);
    delete window;
    dx::ui::handBackFreedMemory();  // as the program does when the window closes
    app.processEvents();
    std::printf("resident memory after the window closed: %ld MiB\n", residentKib() / 1024);
    return 0;
}
