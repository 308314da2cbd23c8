#include "options.h"

#include <QCommandLineParser>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTime>

#include "file_writer.h"
#include "history_location.h"
#include "traffic_log.h"

namespace dx::ui {
namespace {
constexpr int kLongestFirstWait = 3600;

// Qt's own options (-platform, -display, -style, ...) are the application object's, which reads
// them from the same command line: they are passed over here.
QStringList withoutQtOptions(const QStringList& arguments) {
    static const QStringList withValue{
        "platform",     "platformpluginpath", "platformtheme",   "plugin",       "display",     "style",
        "stylesheet",   "geometry",           "qwindowgeometry", "qwindowtitle", "qwindowicon", "session",
        "qmljsdebugger"};
    static const QStringList flags{"reverse", "widgetcount", "nograb", "dograb", "sync"};
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (i > 0 && a.startsWith(u'-')) {
            const QString name =
                QString(a).remove(QRegularExpression(QStringLiteral("^-+"))).section(u'=', 0, 0);
            if (flags.contains(name)) continue;
            if (withValue.contains(name)) {
                if (!a.contains(u'=')) ++i;
                continue;
            }
        }
        kept << a;
    }
    return kept;
}

// A UTC time as --since and --until take it, "YYYY-MM-DD[ HH:MM[:SS]]", as the history writes
// its times ("YYYY-MM-DD HH:MM:SS"); nothing when it is no such time.
std::optional<QString> historyTimeOf(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral(R"(^([0-9]{4})-([0-9]{2})-([0-9]{2})(?: ([0-9]{2}):([0-9]{2})(?::([0-9]{2}))?)?$)"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch()) return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    return date.toString(QStringLiteral("yyyy-MM-dd")) + u' ' + time.toString(QStringLiteral("HH:mm:ss"));
}

// A node as the history names it: its address, ":" and its port.
bool isNodeName(const QString& text) {
    static const QRegularExpression form(QStringLiteral(R"(^[^\s]+:([0-9]{1,5})$)"));
    const QRegularExpressionMatch m = form.match(text);
    return m.hasMatch() && m.captured(1).toInt() >= 1 && m.captured(1).toInt() <= 65535;
}

ParsedCommandLine bad(const QString& why, const QString& usage) {
    ParsedCommandLine r;
    r.exitCode = 2;
    r.err = QStringLiteral("dxmonitor: ") + why + u'\n' + usage;
    return r;
}

// The file-name option (--config, --log) whose name would reach the file system as other bytes
// than were given (bytes not valid in the system's encoding come out as U+FFFD), or none.
QString unkeptFileName(const QStringList& arguments, const QList<QByteArray>& raw) {
    if (raw.size() != arguments.size()) return {};
    const auto kept = [&](qsizetype i) { return QFile::encodeName(arguments[i]) == raw[i]; };
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QStringLiteral("--")) break;
        for (const QString& option :
             {QStringLiteral("--config"), QStringLiteral("--log"), QStringLiteral("--history")}) {
            if ((a == option && i + 1 < arguments.size() && !kept(i + 1)) ||
                (a.startsWith(option + u'=') && !kept(i)))
                return option;
        }
    }
    return {};
}
}  // namespace

std::optional<ParsedCommandLine> refuseLog(const QString& logPath, const QString& configPath,
                                           const QString& usage) {
    if (logPath.isEmpty()) return std::nullopt;
    const auto why = TrafficLog::refusal(logPath, configPath);
    if (!why) return std::nullopt;
    return bad(QStringLiteral("--log: '%1' cannot be the traffic log: %2.").arg(logPath, *why), usage);
}

QString versionText() {
    return QStringLiteral("dxmonitor " DX_VERSION "\n");
}

ParsedCommandLine parseCommandLine(const QStringList& arguments, const QList<QByteArray>& rawArguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Watches a DX-cluster node's sockets through the monitor port of its socket server.\n"
        "Where the desktop has a tray, an icon there shows the link's state (green up, red down,\n"
        "amber silent) and the node's users by kind; a click raises the windows, and its menu has\n"
        "Connect, History, Configuration and Exit."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows these options and exits."));
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the program's version and exits."));
    const QCommandLineOption config(
        QStringLiteral("config"),
        QStringLiteral("Reads and saves FILE instead of Monitor.cfg, e.g. one file per node. A missing "
                       "file is a first run; Apply creates it. The watch list is kept in dxmonitor.ini "
                       "beside it, with whether the desktop is notified (through its notification service; "
                       "a click on a notification shows the monitor window)."),
        QStringLiteral("FILE"));
    const QCommandLineOption connect(QStringLiteral("connect"),
                                     QStringLiteral("Presses Connect once the windows are up."));
    const QCommandLineOption reconnect(
        QStringLiteral("reconnect"),
        QStringLiteral("When the link is lost or refused, connects again after SECONDS (1 to 3600), "
                       "doubling the wait after each failed try up to ten times SECONDS."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption log(
        QStringLiteral("log"),
        QStringLiteral("Appends every line the traffic pane shows to FILE, each after its UTC time."),
        QStringLiteral("FILE"));
    const QCommandLineOption history(
        QStringLiteral("history"),
        QStringLiteral(
            "Keeps the users' sessions, their numbers by minute and the link's ups and downs in the "
            "SQLite file FILE (default: history.sqlite beside the configuration), or in a PostgreSQL "
            "database named by a URI, postgresql://USER@HOST:PORT/DATABASE, shared by the monitors of "
            "several nodes (its password from ~/.pgpass or PGPASSWORD, never in the URI)."),
        QStringLiteral("FILE-or-URI"));
    const QCommandLineOption exportTable(
        QStringLiteral("export"),
        QStringLiteral("Writes the history's sessions, its counts of users by minute or its link stretches "
                       "to standard output as CSV, and exits; no display is needed."),
        QStringLiteral("sessions|counts|links"));
    const QCommandLineOption since(
        QStringLiteral("since"),
        QStringLiteral("With --export: from the UTC time T (YYYY-MM-DD[ HH:MM[:SS]]) on."),
        QStringLiteral("T"));
    const QCommandLineOption until(QStringLiteral("until"),
                                   QStringLiteral("With --export: up to the UTC time T, not included."),
                                   QStringLiteral("T"));
    const QCommandLineOption node(
        QStringLiteral("node"),
        QStringLiteral("With --export: only the node ADDRESS:PORT (default: every node in the history)."),
        QStringLiteral("ADDRESS:PORT"));
    const QCommandLineOption historyKeep(
        QStringLiteral("history-keep"),
        QStringLiteral("Removes from the history what this node did more than DAYS days ago (1 or more), "
                       "at start and once a day (default: everything is kept)."),
        QStringLiteral("DAYS"));
    parser.addOptions({help, version, config, connect, reconnect, log, history, historyKeep, exportTable,
                       since, until, node});
    // The program says its own name, however it was started.
    QString usage = parser.helpText();
    const qsizetype name = usage.indexOf(QStringLiteral("Usage: ")) + 7;
    usage.replace(name, usage.indexOf(u' ', name) - name, QStringLiteral("dxmonitor"));

    if (!parser.parse(withoutQtOptions(arguments))) return bad(parser.errorText(), usage);
    if (parser.isSet(help)) return ParsedCommandLine{std::nullopt, 0, usage, {}, usage};
    if (parser.isSet(version)) return ParsedCommandLine{std::nullopt, 0, versionText(), {}, usage};
    if (!parser.positionalArguments().isEmpty())
        return bad(QStringLiteral("unexpected argument '%1'.").arg(parser.positionalArguments().constFirst()),
                   usage);
    // Another file than the one named would be read or written in its place.
    if (const QString option = unkeptFileName(arguments, rawArguments); !option.isEmpty())
        return bad(QStringLiteral("%1: the file name is not valid in the system's encoding.").arg(option),
                   usage);

    Options o;
    if (parser.isSet(exportTable)) {
        const QString name = parser.value(exportTable);
        const auto table = exportTableNamed(name);
        if (!table)
            return bad(QStringLiteral("--export takes sessions, counts or links, not '%1'.").arg(name),
                       usage);
        // The export runs no window, no link and no log, and removes nothing.
        for (const QCommandLineOption* windowsOnly : {&connect, &reconnect, &log, &historyKeep})
            if (parser.isSet(*windowsOnly))
                return bad(QStringLiteral("--%1 cannot be used with --export.")
                               .arg(windowsOnly->names().constFirst()),
                           usage);
        HistoryExport& e = o.historyExport.emplace();
        e.table = *table;
        for (const auto& [option, value] : {std::pair{&since, &e.since}, std::pair{&until, &e.until}}) {
            if (!parser.isSet(*option)) continue;
            const QString text = parser.value(*option);
            const auto time = historyTimeOf(text);
            if (!time)
                return bad(QStringLiteral("--%1 takes a UTC time YYYY-MM-DD[ HH:MM[:SS]], not '%2'.")
                               .arg(option->names().constFirst(), text),
                           usage);
            *value = *time;
        }
        if (!e.since.isEmpty() && !e.until.isEmpty() && e.since > e.until)
            return bad(QStringLiteral("--since '%1' is after --until '%2'.").arg(e.since, e.until), usage);
        if (parser.isSet(node)) {
            e.node = parser.value(node);
            if (!isNodeName(e.node))
                return bad(QStringLiteral("--node takes the node's ADDRESS:PORT, not '%1'.").arg(e.node),
                           usage);
        }
    } else {
        for (const QCommandLineOption* exportOnly : {&since, &until, &node})
            if (parser.isSet(*exportOnly))
                return bad(
                    QStringLiteral("--%1 is used only with --export.").arg(exportOnly->names().constFirst()),
                    usage);
    }
    o.connect = parser.isSet(connect);
    if (parser.isSet(reconnect)) {
        const QString text = parser.value(reconnect);
        bool whole = false;
        const int seconds = text.trimmed().toInt(&whole);
        if (!whole || seconds < 1 || seconds > kLongestFirstWait)
            return bad(QStringLiteral("--reconnect takes a whole number of seconds from 1 to 3600, not '%1'.")
                           .arg(text),
                       usage);
        o.reconnectSeconds = seconds;
    }
    if (parser.isSet(config)) {
        o.configPath = parser.value(config);
        const QFileInfo file(o.configPath);
        if (o.configPath.isEmpty()) return bad(QStringLiteral("--config needs a file name."), usage);
        if (file.isDir())
            return bad(QStringLiteral("--config: '%1' is a directory.").arg(o.configPath), usage);
        // The null device keeps no settings; any other device, a FIFO or a socket is no file of
        // settings, and a save would never be read back.
        if (file.exists() && !file.isFile() && !isNullDevice(o.configPath))
            return bad(QStringLiteral("--config: '%1' is not a regular file.").arg(o.configPath), usage);
        if (file.exists() && !file.isReadable())
            return bad(QStringLiteral("--config: '%1' cannot be read.").arg(o.configPath), usage);
        o.configPath = file.absoluteFilePath();
    }
    if (parser.isSet(log)) {
        o.logPath = parser.value(log);
        const QFileInfo file(o.logPath);
        if (o.logPath.isEmpty()) return bad(QStringLiteral("--log needs a file name."), usage);
        // A FIFO, a device, a directory or the configuration itself is no log.
        if (auto refused = refuseLog(o.logPath, o.configPath, usage)) return *std::move(refused);
        if (!file.absoluteDir().exists())
            return bad(QStringLiteral("--log: the directory of '%1' does not exist.").arg(o.logPath), usage);
        o.logPath = file.absoluteFilePath();
    }
    if (parser.isSet(history)) {
        o.historyPath = parser.value(history);
        if (o.historyPath.isEmpty())
            return bad(QStringLiteral("--history needs a file name or a postgresql:// URI."), usage);
        QString why;
        // An export reads a history that is there; one that is not is said when it is looked for.
        const auto location = parseHistoryLocation(
            o.historyPath, &why, o.historyExport ? HistoryAccess::Read : HistoryAccess::Write);
        if (!location) return bad(QStringLiteral("--history: ") + why, usage);
        // A file is kept by its absolute name; a server's URI as it was given.
        if (!location->isPostgres()) o.historyPath = location->file;
    }
    if (parser.isSet(historyKeep)) {
        const QString text = parser.value(historyKeep);
        bool whole = false;
        o.historyKeepDays = text.trimmed().toInt(&whole);
        if (!whole || o.historyKeepDays < 1)
            return bad(
                QStringLiteral("--history-keep takes a whole number of days, 1 or more, not '%1'.").arg(text),
                usage);
    }
    if (o.historyExport && o.historyPath.isEmpty() && isNullDevice(o.configPath))
        return bad(QStringLiteral("--config: '%1' keeps no history to export; name one with --history.")
                       .arg(o.configPath),
                   usage);
    return ParsedCommandLine{o, 0, {}, {}, usage};
}

QString historyPathFor(const Options& options, const QString& configPath) {
    if (!options.historyPath.isEmpty()) return options.historyPath;
    if (isNullDevice(configPath)) return {};
    return QFileInfo(configPath).absoluteDir().filePath(QStringLiteral("history.sqlite"));
}

}  // namespace dx::ui
