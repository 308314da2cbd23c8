#include "options.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "file_writer.h"

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

ParsedCommandLine bad(const QString& why, const QString& usage) {
    ParsedCommandLine r;
    r.exitCode = 2;
    r.err = QStringLiteral("dxmonitor: ") + why + u'\n' + usage;
    return r;
}
}  // namespace

QString versionText() {
    return QStringLiteral("dxmonitor " DX_VERSION "\n");
}

ParsedCommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Watches a DX-cluster node's sockets through the monitor port of its socket server."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows these options and exits."));
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the program's version and exits."));
    const QCommandLineOption config(
        QStringLiteral("config"),
        QStringLiteral("Reads and saves FILE instead of Monitor.cfg, e.g. one file per node. A missing "
                       "file is a first run; Apply creates it."),
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
    parser.addOptions({help, version, config, connect, reconnect, log});
    // The program says its own name, however it was started.
    QString usage = parser.helpText();
    const qsizetype name = usage.indexOf(QStringLiteral("Usage: ")) + 7;
    usage.replace(name, usage.indexOf(u' ', name) - name, QStringLiteral("dxmonitor"));

    if (!parser.parse(withoutQtOptions(arguments))) return bad(parser.errorText(), usage);
    if (parser.isSet(help)) return ParsedCommandLine{std::nullopt, 0, usage, {}};
    if (parser.isSet(version)) return ParsedCommandLine{std::nullopt, 0, versionText(), {}};
    if (!parser.positionalArguments().isEmpty())
        return bad(QStringLiteral("unexpected argument '%1'.").arg(parser.positionalArguments().constFirst()),
                   usage);

    Options o;
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
        if (file.isDir()) return bad(QStringLiteral("--log: '%1' is a directory.").arg(o.logPath), usage);
        if (!file.absoluteDir().exists())
            return bad(QStringLiteral("--log: the directory of '%1' does not exist.").arg(o.logPath), usage);
        o.logPath = file.absoluteFilePath();
    }
    return ParsedCommandLine{o, 0, {}, {}};
}

}  // namespace dx::ui
