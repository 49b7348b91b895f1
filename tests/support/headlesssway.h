#pragma once

// Starts a headless sway for tests that need a real Wayland compositor: no GPU, no
// input devices, no XWayland. sway refuses to run as root, so when the tests run as
// root it runs as the unprivileged "nobody" (setpriv), with a runtime folder of its
// own; root still connects to its socket, and so do the clients the tests start.

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include "testhelpers.h" // beside this file: the benchmarks include it by its path

#include <optional>

#include <unistd.h>

// A compositor started for a test: its socket and the environment of its clients.
class HeadlessCompositor
{
public:
    HeadlessCompositor() = default;
    HeadlessCompositor(const HeadlessCompositor &) = delete;
    HeadlessCompositor &operator=(const HeadlessCompositor &) = delete;
    virtual ~HeadlessCompositor() = default;

    /// Starts the compositor and waits for its socket. On failure, `error` says why.
    virtual bool start(QString *error) = 0;
    /// The compositor's socket, as an absolute path.
    [[nodiscard]] QString socketPath() const { return m_runtime + QLatin1Char('/') + m_socket; }
    /// The environment of a Wayland client of this compositor (wl-copy, wl-paste).
    [[nodiscard]] virtual QProcessEnvironment clientEnvironment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime);
        environment.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
        return environment;
    }

protected:
    /// A private runtime folder, and the compositor's own environment with it.
    QProcessEnvironment prepare()
    {
        m_runtime = m_base.filePath(QStringLiteral("run"));
        QDir().mkpath(m_runtime);
        QFile::setPermissions(m_runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH", QStringLiteral("/usr/bin:/bin")));
        environment.insert(QStringLiteral("HOME"), m_base.path());
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime);
        return environment;
    }

    /// Waits `timeoutMs` at most for `process` to open a socket in the runtime folder;
    /// on failure, `error` ends with what it logged to `log`.
    bool waitForSocket(QProcess &process, const QString &log, int timeoutMs, QString *error)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (process.waitForStarted(5000) && !deadline.hasExpired() && process.state() == QProcess::Running) {
            for (const QString &name : QDir(m_runtime).entryList({QStringLiteral("wayland-*")}, QDir::System)) {
                if (!name.endsWith(QLatin1String(".lock"))) {
                    m_socket = name;
                    return true;
                }
            }
            QThread::msleep(20);
        }
        *error = QStringLiteral("%1 did not open its socket: %2").arg(QFileInfo(log).baseName(), QString::fromLocal8Bit(readFile(log).right(600)));
        return false;
    }

    QTemporaryDir m_base;
    QString m_runtime;
    QString m_socket;
};

class HeadlessSway : public HeadlessCompositor
{
public:
    ~HeadlessSway() override { endProcess(m_process); }

    bool start(QString *error) override
    {
        using namespace Qt::StringLiterals;
        const QString sway = QStandardPaths::findExecutable(u"sway"_s);
        const bool root = ::geteuid() == 0;
        // Our folder must be passable by "nobody"; its runtime folder is its own.
        QFile::setPermissions(m_base.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
        QProcessEnvironment environment = prepare();
        const QString config = m_base.filePath(u"sway.conf"_s);
        const QString log = m_base.filePath(u"sway.log"_s);
        if (sway.isEmpty())
            *error = u"sway is not installed"_s;
        else if (root && ::chown(QFile::encodeName(m_runtime).constData(), 65534, 65534) != 0)
            *error = u"cannot hand the runtime folder to nobody"_s;
        else if (!writeFile(config, "xwayland disable\n"))
            *error = u"cannot write the sway configuration"_s;
        else
            error->clear();
        if (!error->isEmpty())
            return false;
        QFile::setPermissions(config, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);

        environment.insert(u"WLR_BACKENDS"_s, u"headless"_s);
        environment.insert(u"WLR_RENDERER"_s, u"pixman"_s);
        environment.insert(u"WLR_LIBINPUT_NO_DEVICES"_s, u"1"_s);
        m_process.setProcessEnvironment(environment);
        m_process.setStandardOutputFile(log);
        m_process.setStandardErrorFile(log, QIODevice::Append);
        const QStringList arguments{sway, u"-c"_s, config};
        if (root)
            m_process.start(u"setpriv"_s, QStringList{u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s} + arguments);
        else
            m_process.start(sway, arguments.mid(1));
        return waitForSocket(m_process, log, 10000, error);
    }

    /// Runs a sway command (swaymsg) on this compositor; true when sway accepted it.
    bool command(const QString &command) const { return swaymsg({command}).has_value(); }

    /// sway's tree of outputs, workspaces and windows (swaymsg -t get_tree), as JSON;
    /// empty when sway did not answer.
    QByteArray tree() const { return swaymsg({QStringLiteral("-t"), QStringLiteral("get_tree")}).value_or(QByteArray()); }

private:
    std::optional<QByteArray> swaymsg(const QStringList &arguments) const
    {
        const QStringList sockets = QDir(m_runtime).entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
        if (sockets.isEmpty())
            return std::nullopt;
        QProcess swaymsg;
        swaymsg.setProcessEnvironment(clientEnvironment());
        swaymsg.start(QStringLiteral("swaymsg"), QStringList{QStringLiteral("-s"), m_runtime + QLatin1Char('/') + sockets.constFirst()} + arguments);
        if (!swaymsg.waitForFinished(10000) || swaymsg.exitCode() != 0)
            return std::nullopt;
        return swaymsg.readAllStandardOutput();
    }

    QProcess m_process;
};
