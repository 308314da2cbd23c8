#include "history_location.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlQuery>
#include <array>
#include <string_view>

namespace dx::ui {

namespace {

constexpr int kBusyTimeoutMs = 5000;
constexpr int kConnectTimeoutSeconds = 10;

// libpq's settings that a history's connection may be given in the URI, and what their values
// may be. The driver hands them to libpq as they are; a value libpq would refuse is refused here,
// before any window opens. Left out: the password and the key's password (never in a URI), and
// the client's encoding (the driver sets its own).
struct Setting {
    std::string_view name;
    enum class Shape { Text, Number, Choice } shape;
    std::string_view choices;  // space-separated, for Choice
};
constexpr std::array kSettings{
    Setting{"application_name", Setting::Shape::Text, {}},
    Setting{"fallback_application_name", Setting::Shape::Text, {}},
    Setting{"connect_timeout", Setting::Shape::Number, {}},
    Setting{"sslmode", Setting::Shape::Choice, "disable allow prefer require verify-ca verify-full"},
    Setting{"sslcert", Setting::Shape::Text, {}},
    Setting{"sslkey", Setting::Shape::Text, {}},
    Setting{"sslrootcert", Setting::Shape::Text, {}},
    Setting{"sslcrl", Setting::Shape::Text, {}},
    Setting{"sslcrldir", Setting::Shape::Text, {}},
    Setting{"sslsni", Setting::Shape::Choice, "0 1"},
    Setting{"sslcompression", Setting::Shape::Choice, "0 1"},
    Setting{"ssl_min_protocol_version", Setting::Shape::Choice, "TLSv1 TLSv1.1 TLSv1.2 TLSv1.3"},
    Setting{"ssl_max_protocol_version", Setting::Shape::Choice, "TLSv1 TLSv1.1 TLSv1.2 TLSv1.3"},
    Setting{"gssencmode", Setting::Shape::Choice, "disable prefer require"},
    Setting{"channel_binding", Setting::Shape::Choice, "disable prefer require"},
    Setting{"krbsrvname", Setting::Shape::Text, {}},
    Setting{"requirepeer", Setting::Shape::Text, {}},
    Setting{"target_session_attrs", Setting::Shape::Choice,
            "any read-write read-only primary standby prefer-standby"},
    Setting{"keepalives", Setting::Shape::Choice, "0 1"},
    Setting{"keepalives_idle", Setting::Shape::Number, {}},
    Setting{"keepalives_interval", Setting::Shape::Number, {}},
    Setting{"keepalives_count", Setting::Shape::Number, {}},
    Setting{"tcp_user_timeout", Setting::Shape::Number, {}},
    Setting{"passfile", Setting::Shape::Text, {}},
    Setting{"service", Setting::Shape::Text, {}},
    Setting{"options", Setting::Shape::Text, {}},
    Setting{"hostaddr", Setting::Shape::Text, {}},
};

const Setting* settingNamed(const QString& name) {
    for (const Setting& s : kSettings)
        if (name == QLatin1String(s.name.data(), static_cast<qsizetype>(s.name.size()))) return &s;
    return nullptr;
}

// The setting's value as the driver passes it on: quoted as libpq reads quoted values.
QString quoted(QString value) {
    value.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + value + u'\'';
}

bool isNumber(const QString& value) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    return digits.match(value).hasMatch();
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// libpq's percent-decoding of a part of the URI: "%" and two hex digits are a byte; the bytes
// are UTF-8. A lone "%", a NUL byte or bytes that are no UTF-8 are refused.
std::optional<QString> decoded(QStringView part, const char* what, QString* why) {
    const QByteArray bytes = part.toUtf8();
    QByteArray out;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '%') {
            out += bytes[i];
            continue;
        }
        const int high = i + 2 < bytes.size() ? hexDigit(bytes[i + 1]) : -1;
        const int low = i + 2 < bytes.size() ? hexDigit(bytes[i + 2]) : -1;
        if (high < 0 || low < 0) {
            *why = QStringLiteral("the URI's %1 has a '%' that is not followed by two hex digits.")
                       .arg(QLatin1String(what));
            return std::nullopt;
        }
        const int byte = high * 16 + low;
        if (byte == 0) {
            *why = QStringLiteral("the URI's %1 holds a NUL byte (%00).").arg(QLatin1String(what));
            return std::nullopt;
        }
        out += static_cast<char>(byte);
        i += 2;
    }
    QString text = QString::fromUtf8(out);
    if (text.toUtf8() != out) {
        *why = QStringLiteral("the URI's %1 is not UTF-8 once decoded.").arg(QLatin1String(what));
        return std::nullopt;
    }
    return text;
}

const QString kPasswordRefused = QStringLiteral(
    "the URI holds a password; leave it out and give it in ~/.pgpass (or the passfile named) or in "
    "PGPASSWORD.");

bool takePort(const QString& text, HistoryLocation& location, QString* why) {
    if (text.isEmpty()) return true;  // libpq's default
    bool ok = false;
    const int port = text.toInt(&ok);
    if (!ok || port < 1 || port > 65535 || !text.front().isDigit()) {
        *why = QStringLiteral("the URI's port '%1' is not a port number from 1 to 65535.").arg(text);
        return false;
    }
    location.port = port;
    return true;
}

std::optional<HistoryLocation> parsePostgres(const QString& uri, qsizetype schemeLength, QString* why) {
    HistoryLocation l;
    l.kind = HistoryLocation::Kind::Postgres;
    QStringView rest = QStringView(uri).mid(schemeLength);
    const qsizetype queryAt = rest.indexOf(u'?');
    const QStringView query = queryAt < 0 ? QStringView() : rest.mid(queryAt + 1);
    rest = queryAt < 0 ? rest : rest.left(queryAt);
    const qsizetype slash = rest.indexOf(u'/');
    QStringView authority = slash < 0 ? rest : rest.left(slash);
    if (slash >= 0) {
        const auto database = decoded(rest.mid(slash + 1), "database name", why);
        if (!database) return std::nullopt;
        l.database = *database;
    }
    // user[:password]@ — an '@' in a user's name is written %40.
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0) {
        const QStringView userInfo = authority.left(at);
        if (userInfo.contains(u':')) {
            *why = kPasswordRefused;
            return std::nullopt;
        }
        const auto user = decoded(userInfo, "user name", why);
        if (!user) return std::nullopt;
        l.user = *user;
        authority = authority.mid(at + 1);
    }
    if (authority.contains(u',')) {
        *why = QStringLiteral("the URI names several hosts; the history is kept on one server.");
        return std::nullopt;
    }
    QStringView host = authority;
    QStringView port;
    if (authority.startsWith(u'[')) {  // an IPv6 address
        const qsizetype close = authority.indexOf(u']');
        if (close < 0 || (close + 1 < authority.size() && authority[close + 1] != u':')) {
            *why = QStringLiteral("the URI's IPv6 address is not closed by ']'.");
            return std::nullopt;
        }
        host = authority.mid(1, close - 1);
        port = authority.mid(std::min(close + 2, authority.size()));
    } else if (const qsizetype colon = authority.indexOf(u':'); colon >= 0) {
        host = authority.left(colon);
        port = authority.mid(colon + 1);
    }
    const auto hostName = decoded(host, "host", why);
    if (!hostName || !takePort(port.toString(), l, why)) return std::nullopt;
    l.host = *hostName;

    for (const QStringView pair : query.split(u'&', Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(u'=');
        if (eq < 0) {
            *why = QStringLiteral("the URI's setting '%1' has no '=' and no value.").arg(pair);
            return std::nullopt;
        }
        const auto name = decoded(pair.left(eq), "setting", why);
        if (!name) return std::nullopt;
        const auto value = decoded(pair.mid(eq + 1), "setting", why);
        if (!value) return std::nullopt;
        if (*name == QStringLiteral("password") || *name == QStringLiteral("sslpassword")) {
            *why = kPasswordRefused;
            return std::nullopt;
        }
        if (*name == QStringLiteral("host")) {
            l.host = *value;
        } else if (*name == QStringLiteral("port")) {
            if (!takePort(*value, l, why)) return std::nullopt;
        } else if (*name == QStringLiteral("dbname")) {
            l.database = *value;
        } else if (*name == QStringLiteral("user")) {
            l.user = *value;
        } else if (const Setting* s = settingNamed(*name)) {
            const bool fits =
                s->shape == Setting::Shape::Text ||
                (s->shape == Setting::Shape::Number && isNumber(*value)) ||
                (s->shape == Setting::Shape::Choice &&
                 QString::fromLatin1(s->choices.data(), static_cast<qsizetype>(s->choices.size()))
                     .split(u' ')
                     .contains(*value));
            if (!fits) {
                *why = s->shape == Setting::Shape::Number
                           ? QStringLiteral("the URI's %1 '%2' is not a whole number.").arg(*name, *value)
                           : QStringLiteral("the URI's %1 '%2' is not one of: %3.")
                                 .arg(*name, *value,
                                      QString::fromLatin1(s->choices.data(),
                                                          static_cast<qsizetype>(s->choices.size())));
                return std::nullopt;
            }
            // The driver reads ';' as the end of a setting, whatever the quotes.
            if (value->contains(u';')) {
                *why = QStringLiteral("the URI's %1 holds a ';', which the connection cannot pass on.")
                           .arg(*name);
                return std::nullopt;
            }
            l.connectOptions << *name + u'=' + quoted(*value);
        } else {
            *why = QStringLiteral("the URI's setting '%1' is not one the history's connection takes.")
                       .arg(*name);
            return std::nullopt;
        }
    }
    if (l.host.contains(u',')) {
        *why = QStringLiteral("the URI names several hosts; the history is kept on one server.");
        return std::nullopt;
    }
    return l;
}

}  // namespace

QString HistoryLocation::name() const {
    if (!isPostgres()) return file;
    const bool socket = host.startsWith(u'/');
    QString n = QStringLiteral("postgresql://");
    if (!user.isEmpty()) n += user + u'@';
    if (!socket) n += host.contains(u':') ? u'[' + host + u']' : host;
    if (port >= 0) n += u':' + QString::number(port);
    n += u'/' + database;
    if (socket) n += QStringLiteral("?host=") + host;
    return n;
}

std::optional<HistoryLocation> parseHistoryLocation(const QString& value, QString* why,
                                                    HistoryAccess access) {
    for (const QLatin1String scheme : {QLatin1String("postgresql://"), QLatin1String("postgres://")})
        if (value.startsWith(scheme)) return parsePostgres(value, scheme.size(), why);
    static const QRegularExpression otherScheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    if (otherScheme.match(value).hasMatch()) {
        *why = QStringLiteral("'%1' is neither an SQLite file nor a postgresql:// URI.").arg(value);
        return std::nullopt;
    }
    const QFileInfo file(value);
    if (value.isEmpty()) {
        *why = QStringLiteral("no file name or URI given.");
    } else if (file.isDir()) {
        *why = QStringLiteral("'%1' is a directory.").arg(value);
    } else if (file.exists() && !file.isFile()) {
        *why = QStringLiteral("'%1' is not a regular file.").arg(value);
    } else if (access == HistoryAccess::Write && !file.absoluteDir().exists()) {
        *why = QStringLiteral("the directory of '%1' does not exist.").arg(value);
    } else {
        HistoryLocation l;
        l.file = file.absoluteFilePath();
        return l;
    }
    return std::nullopt;
}

void setHistoryConnection(QSqlDatabase& db, const HistoryLocation& location) {
    db.setHostName(location.host);
    db.setPort(location.port);
    db.setDatabaseName(location.database);
    db.setUserName(location.user);
    QStringList options = location.connectOptions;
    if (options.filter(QRegularExpression(QStringLiteral("^connect_timeout="))).isEmpty())
        options << QStringLiteral("connect_timeout='%1'").arg(kConnectTimeoutSeconds);
    db.setConnectOptions(options.join(u';'));
}

QSqlDatabase openHistoryDatabase(const HistoryLocation& location, const QString& connectionName,
                                 HistoryAccess access) {
    if (!location.isPostgres()) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(location.file);
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs);
        if (access == HistoryAccess::Read) options += QStringLiteral(";QSQLITE_OPEN_READONLY");
        db.setConnectOptions(options);
        db.open();
        return db;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    setHistoryConnection(db, location);
    // A reader's mistake can never change the history.
    if (db.open() && access == HistoryAccess::Read)
        QSqlQuery(db).exec(QStringLiteral("SET default_transaction_read_only = on"));
    return db;
}

}  // namespace dx::ui
