#pragma once
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>
#include <QVersionNumber>
#include <cstdlib>
#include <string>

namespace dx::test {

// A PostgreSQL server of the test's own: a new cluster in a temporary directory, listening only
// on a Unix socket there, with password (SCRAM) logins, a role "monitor" and its database
// "dxhistory". The server refuses to run as the superuser, so a test run by root runs the server's
// programs as an unprivileged system user (postgres, else nobody) that owns the directory. It is
// stopped and its directory removed when the object goes, however the test ends.
// `ready()` answers whether it runs; `why()` says why not (the test then skips, or fails where
// DX_NEED_POSTGRESQL=1 says the server must be there, as in CI).
class PostgresServer {
  public:
    static constexpr const char* kPassword = "r1g-Password";

    PostgresServer() {
        bin_ = newestBinDir();
        if (bin_.isEmpty()) {
            why_ = "PostgreSQL's server programs are not installed (Debian: postgresql-15)";
            return;
        }
        if (!dir_.isValid()) {
            why_ = "no temporary directory";
            return;
        }
        if (::geteuid() == 0 && !chooseUser()) return;
        if (!writeFile(QStringLiteral("owner-password"), "owner-password\n")) return;
        if (!run(bin_ + QStringLiteral("/initdb"),
                 {"-D", data(), "-U", "owner", "-A", "scram-sha-256", "--pwfile", path("owner-password"),
                  "-E", "UTF8", "--locale=C", "--no-sync"}))
            return;
        const QString settings = QStringLiteral(
                                     "listen_addresses = ''\nunix_socket_directories = '%1'\nport = %2\n"
                                     "fsync = off\nmax_connections = 20\n")
                                     .arg(dir_.path())
                                     .arg(kPort);
        QFile conf(data() + QStringLiteral("/postgresql.conf"));
        if (!conf.open(QIODevice::Append) || conf.write(settings.toUtf8()) != settings.toUtf8().size()) {
            why_ = "postgresql.conf cannot be written";
            return;
        }
        conf.close();
        if (!start()) return;
        QProcess psql;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGPASSWORD"), QStringLiteral("owner-password"));
        psql.setProcessEnvironment(env);
        psql.start(bin_ + QStringLiteral("/psql"),
                   {"-X", "-q", "-v", "ON_ERROR_STOP=1", "-h", dir_.path(), "-p", QString::number(kPort),
                    "-U", "owner", "-d", "postgres", "-c",
                    QStringLiteral("CREATE ROLE monitor LOGIN PASSWORD '%1'").arg(QLatin1String(kPassword)),
                    "-c", "CREATE DATABASE dxhistory OWNER monitor"});
        if (!psql.waitForFinished(30000) || psql.exitStatus() != QProcess::NormalExit ||
            psql.exitCode() != 0) {
            why_ = "the test's role cannot be made: " + psql.readAllStandardError().toStdString();
            return;
        }
        ready_ = true;
    }
    ~PostgresServer() {
        if (running_) run(bin_ + QStringLiteral("/pg_ctl"), {"-D", data(), "-m", "immediate", "-w", "stop"});
    }
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    bool ready() const { return ready_; }
    const std::string& why() const { return why_; }

    // The history's URI for the role "monitor", its password taken from a password file (in
    // ~/.pgpass's form) that holds `password`.
    QString uri(const QString& password = QString::fromLatin1(kPassword)) {
        const QString file = path(QStringLiteral("pgpass-%1").arg(++passfiles_));
        writeFile(QFileInfo(file).fileName(), QStringLiteral("*:*:*:monitor:%1\n").arg(password).toUtf8());
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        return QStringLiteral("postgresql://monitor@/dxhistory?host=%1&port=%2&passfile=%3")
            .arg(dir_.path())
            .arg(kPort)
            .arg(file);
    }

    // The server stopped as a fast shutdown stops it (connections closed), and started again.
    bool stop() {
        running_ = !run(bin_ + QStringLiteral("/pg_ctl"), {"-D", data(), "-m", "fast", "-w", "stop"});
        return !running_;
    }
    bool start() {
        running_ = run(bin_ + QStringLiteral("/pg_ctl"),
                       {"-D", data(), "-l", path(QStringLiteral("server.log")), "-w", "-t", "60", "start"});
        if (!running_) {
            QFile log(path(QStringLiteral("server.log")));
            if (log.open(QIODevice::ReadOnly)) why_ += "; its log: " + log.readAll().right(600).toStdString();
        }
        return running_;
    }

  private:
    static constexpr int kPort = 5432;  // names the socket only: it is in the test's own directory

    static QString newestBinDir() {
        QDir root(QStringLiteral("/usr/lib/postgresql"));
        QString best;
        QVersionNumber newest;
        for (const QString& v : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QVersionNumber n = QVersionNumber::fromString(v);
            if (QFile::exists(root.filePath(v + QStringLiteral("/bin/initdb"))) && n > newest) {
                newest = n;
                best = root.filePath(v + QStringLiteral("/bin"));
            }
        }
        return best;
    }

    bool chooseUser() {
        for (const char* name : {"postgres", "nobody"}) {
            if (const passwd* p = ::getpwnam(name); p != nullptr && p->pw_uid != 0) {
                uid_ = p->pw_uid;
                gid_ = p->pw_gid;
                break;
            }
        }
        if (uid_ == 0) {
            why_ = "no unprivileged user (postgres or nobody) to run the server as";
            return false;
        }
        if (::chown(QFile::encodeName(dir_.path()).constData(), uid_, gid_) != 0) {
            why_ = "the temporary directory cannot be given to the server's user";
            return false;
        }
        return true;
    }

    QString path(const QString& name) const { return dir_.filePath(name); }
    QString data() const { return path(QStringLiteral("data")); }

    bool writeFile(const QString& name, const QByteArray& content) {
        QFile f(path(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size()) {
            why_ = "cannot write " + name.toStdString();
            return false;
        }
        f.close();
        if (uid_ != 0 && ::chown(QFile::encodeName(path(name)).constData(), uid_, gid_) != 0) {
            why_ = "cannot give " + name.toStdString() + " to the server's user";
            return false;
        }
        return true;
    }

    // Runs one of the server's programs as the server's user; false, and why, when it fails.
    bool run(const QString& program, QStringList arguments) {
        QProcess p;
        p.setWorkingDirectory(dir_.path());
        p.setProcessChannelMode(QProcess::MergedChannels);
        if (uid_ != 0) {
            arguments = QStringList{"--reuid",        QString::number(uid_),
                                    "--regid",        QString::number(gid_),
                                    "--clear-groups", "--",
                                    program} +
                        arguments;
            p.start(QStringLiteral("setpriv"), arguments);
        } else {
            p.start(program, arguments);
        }
        if (!p.waitForFinished(90000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            why_ = QFileInfo(program).fileName().toStdString() + " failed: " +
                   (p.error() == QProcess::FailedToStart ? std::string("it could not be started")
                                                         : p.readAll().right(600).toStdString());
            return false;
        }
        return true;
    }

    QTemporaryDir dir_;
    QString bin_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    bool running_ = false;
    bool ready_ = false;
    int passfiles_ = 0;
    std::string why_;
};

// Skips the test when the server or Qt's driver for it is not to be had here, saying why in one
// line; a server that cannot be started fails the test instead where it must be there.
#define DX_NEED_POSTGRES(server)                                                                 \
    do {                                                                                         \
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))                           \
            GTEST_SKIP() << "Qt's PostgreSQL driver is not installed (Debian: libqt6sql6-psql)"; \
        if (!(server).ready()) {                                                                 \
            if (std::getenv("DX_NEED_POSTGRESQL") != nullptr) FAIL() << (server).why();          \
            GTEST_SKIP() << "no PostgreSQL server: " << (server).why();                          \
        }                                                                                        \
    } while (false)

}  // namespace dx::test
