// dxmonitor: watches a DX-cluster node's sockets through the monitor port of its socket server.
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "app.h"
#include "checked_output.h"
#include "end_signals.h"
#include "history_export.h"
#include "options.h"

namespace {

// --export: a table of the history to standard output, and the program ends. Nothing here needs a
// display or opens a window, so it runs from cron or over ssh.
int exportHistory(int argc, char** argv, const dx::ui::Options& options) {
    // The application object only finds the database drivers.
    const QCoreApplication application(argc, argv);
    // A reader that has gone (`| head`) is a write that failed, said as such, not a silent end.
    std::signal(SIGPIPE, SIG_IGN);
    const QString configPath =
        options.configPath.isEmpty() ? dx::ui::App::usualConfigPath() : options.configPath;
    dx::ui::CheckedOutput out(STDOUT_FILENO);
    const auto failure =
        dx::ui::exportHistory(*options.historyExport, dx::ui::historyPathFor(options, configPath), out);
    if (!failure) return 0;
    std::fputs(("dxmonitor: " + *failure + u'\n').toLocal8Bit().constData(), stderr);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    // The command line is read before anything needs a display: --help and --version work on a
    // machine without one, and a bad option says so before any window opens.
    QStringList arguments;
    QList<QByteArray> rawArguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
        rawArguments << QByteArray(argv[i]);
    }
    const dx::ui::ParsedCommandLine command = dx::ui::parseCommandLine(arguments, rawArguments);
    if (!command.run) {
        std::fputs(command.out.toLocal8Bit().constData(), stdout);
        std::fputs(command.err.toLocal8Bit().constData(), stderr);
        return command.exitCode;
    }
    const dx::ui::Options& options = *command.run;
    if (options.historyExport) return exportHistory(argc, argv, options);

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dxmonitor"));
    const QString configPath =
        options.configPath.isEmpty() ? dx::ui::App::defaultConfigPath() : options.configPath;
    // The usual configuration's place is known only now; the log must not be it.
    if (const auto refused = dx::ui::refuseLog(options.logPath, configPath, command.usage)) {
        std::fputs(refused->err.toLocal8Bit().constData(), stderr);
        return refused->exitCode;
    }
    dx::ui::Options withHistory = options;
    withHistory.historyPath = dx::ui::historyPathFor(options, configPath);
    dx::ui::App app(configPath, withHistory);
    // A logout, a service manager or Ctrl+C ends the program as closing the monitor window does.
    dx::ui::EndSignals endSignals(
        [&app] { app.runEvent("a signal to end", [&app] { app.core().link.monitorUnload(); }); });
    app.start();
    if (options.connect) QTimer::singleShot(0, &app, [&app] { app.pressConnect(); });
    return QApplication::exec();
}
