#pragma once

// Starts a headless sway for tests that need a real Wayland compositor: no GPU, no
// input devices, no XWayland. sway refuses to run as root, so when the tests run as
// root it runs as the unprivileged "nobody" (setpriv), with a runtime folder of its
// own; root still connects to its socket, and so do the clients the tests start.

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

class HeadlessSway
{
public:
    HeadlessSway() = default;
    HeadlessSway(const HeadlessSway &) = delete;
    HeadlessSway &operator=(const HeadlessSway &) = delete;
    ~HeadlessSway() { stop(); }

    /// Starts sway and waits (10 s at most) for its socket. On failure, `error` says why.
    bool start(QString *error)
    {
        const QString sway = QStandardPaths::findExecutable(QStringLiteral("sway"));
        if (sway.isEmpty())
            return fail(error, QStringLiteral("sway is not installed"));
        if (!m_base.isValid())
            return fail(error, QStringLiteral("no temporary folder"));
        const bool root = ::geteuid() == 0;
        const uid_t nobody = 65534;
        // Our folder must be passable by "nobody"; its runtime folder is its own.
        QFile::setPermissions(m_base.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                 | QFile::ExeGroup | QFile::ExeOther);
        m_runtime = m_base.filePath(QStringLiteral("run"));
        QDir().mkpath(m_runtime);
        QFile::setPermissions(m_runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (root && ::chown(m_runtime.toLocal8Bit().constData(), nobody, nobody) != 0)
            return fail(error, QStringLiteral("cannot hand the runtime folder to nobody"));
        const QString config = m_base.filePath(QStringLiteral("sway.conf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly) || file.write("xwayland disable\n") < 0)
            return fail(error, QStringLiteral("cannot write the sway configuration"));
        file.close();
        QFile::setPermissions(config, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);

        QProcessEnvironment environment;
        environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH", QStringLiteral("/usr/bin:/bin")));
        environment.insert(QStringLiteral("HOME"), m_base.path());
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime);
        environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
        environment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
        environment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
        m_process.setProcessEnvironment(environment);
        m_process.setStandardOutputFile(m_base.filePath(QStringLiteral("sway.log")));
        m_process.setStandardErrorFile(m_base.filePath(QStringLiteral("sway.log")), QIODevice::Append);
        const QStringList swayArguments{QStringLiteral("-c"), config};
        if (root) {
            m_process.start(QStringLiteral("setpriv"), QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                                                   QStringLiteral("--clear-groups"), sway}
                                                           + swayArguments);
        } else {
            m_process.start(sway, swayArguments);
        }
        if (!m_process.waitForStarted(5000))
            return fail(error, QStringLiteral("sway did not start"));

        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
            const QStringList sockets = QDir(m_runtime).entryList({QStringLiteral("wayland-*")}, QDir::System);
            for (const QString &name : sockets) {
                if (!name.endsWith(QStringLiteral(".lock"))) {
                    m_socket = name;
                    return true;
                }
            }
            QThread::msleep(20);
        }
        QFile log(m_base.filePath(QStringLiteral("sway.log")));
        log.open(QIODevice::ReadOnly);
        return fail(error, QStringLiteral("sway did not open its socket: ") + QString::fromLocal8Bit(log.readAll().right(600)));
    }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }

    /// The compositor's socket, as an absolute path.
    [[nodiscard]] QString socketPath() const { return m_runtime + QLatin1Char('/') + m_socket; }

    /// The environment of a Wayland client of this compositor (wl-copy, wl-paste).
    [[nodiscard]] QProcessEnvironment clientEnvironment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime);
        environment.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
        environment.remove(QStringLiteral("DISPLAY"));
        return environment;
    }

    /// Runs a sway command (swaymsg) on this compositor; true when sway accepted it.
    bool command(const QString &command) const
    {
        const QStringList sockets = QDir(m_runtime).entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
        if (sockets.isEmpty())
            return false;
        QProcess swaymsg;
        swaymsg.setProcessEnvironment(clientEnvironment());
        swaymsg.start(QStringLiteral("swaymsg"), {QStringLiteral("-s"), m_runtime + QLatin1Char('/') + sockets.constFirst(), command});
        return swaymsg.waitForFinished(10000) && swaymsg.exitCode() == 0;
    }

private:
    static bool fail(QString *error, const QString &message)
    {
        if (error)
            *error = message;
        return false;
    }

    QTemporaryDir m_base;
    QString m_runtime;
    QString m_socket;
    QProcess m_process;
};
