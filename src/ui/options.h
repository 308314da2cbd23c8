#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "history_export.h"

namespace dx::ui {

// What the operator asked for on the command line.
struct Options {
    QString configPath;        // the configuration file to use; empty: the usual Monitor.cfg
    bool connect = false;      // press Connect once the windows are up
    int reconnectSeconds = 0;  // the first wait before connecting again after the link is lost; 0: never
    QString logPath;           // the traffic log; empty: none
    // The history: an SQLite file (absolute) or a postgresql:// URI as given; empty: history.sqlite
    // beside the configuration.
    QString historyPath;
    // A table of the history to write to standard output instead of opening any window.
    std::optional<HistoryExport> historyExport;
};

// The history to use with the configuration in use: the file or URI named, else history.sqlite in
// the configuration's directory; none when the configuration is the null device (nothing kept).
QString historyPathFor(const Options& options, const QString& configPath);

// The command line read, before any window or display is needed: either the options to run with,
// or what to print and the exit code (help and version on standard output, exit 0; a bad option
// on standard error, exit 2).
struct ParsedCommandLine {
    std::optional<Options> run;
    int exitCode = 0;
    QString out;
    QString err;
    QString usage;  // what a bad option is followed by
};

// `rawArguments`, when given, are the bytes the arguments were decoded from: a file name that
// does not survive the decoding is refused.
ParsedCommandLine parseCommandLine(const QStringList& arguments, const QList<QByteArray>& rawArguments = {});

// The traffic log checked against the configuration in use: a bad option naming --log when it
// cannot be the log, else nothing. parseCommandLine checks it against a configuration named with
// --config; the usual configuration's place is known only once the application is up.
std::optional<ParsedCommandLine> refuseLog(const QString& logPath, const QString& configPath,
                                           const QString& usage);

// The program's version, as --version says it.
QString versionText();

}  // namespace dx::ui
