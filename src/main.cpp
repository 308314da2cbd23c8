// dxmonitor: watches a DX-cluster node's sockets through the monitor port of its socket server.
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "app.h"
#include "end_signals.h"
#include "options.h"

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
