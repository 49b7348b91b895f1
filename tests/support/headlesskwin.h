#pragma once

// Starts a headless KWin (`kwin_wayland --virtual`) on a session bus of its own, for tests
// that need KWin's Wayland protocols or the KDE desktop portal. The portal and the
// shortcut daemon are started by the bus on first use, as in a Plasma session. KWin's
// binary carries a file capability that a container refuses to execute, so a copy
// without it is run.

#include "headlesssway.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>

#include <csignal>

class HeadlessKwin : public HeadlessCompositor
{
public:
    HeadlessKwin() = default;
    ~HeadlessKwin() override
    {
        // The services the bus started (the portals) outlive their bus: end them first.
        if (!m_busAddress.isEmpty()) {
            QDBusConnection bus = connectToBus(QStringLiteral("cleaner"));
            const QDBusMessage names = bus.call(QDBusMessage::createMethodCall(
                QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListNames")));
            for (const QString &name : names.arguments().value(0).toStringList()) {
                QDBusMessage pid = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                    QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"),
                    QStringLiteral("GetConnectionUnixProcessID"));
                const qint64 id = bus.call(pid << name).arguments().value(0).toLongLong();
                if (name.startsWith(u':') && id > 0 && id != QCoreApplication::applicationPid() && id != m_kwin.processId())
                    ::kill(pid_t(id), SIGTERM);
            }
            QDBusConnection::disconnectFromBus(bus.name());
        }
        for (QProcess *process : {&m_kwin, &m_bus}) {
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
            process->waitForFinished(2000);
        }
    }

    bool start(QString *error) override
    {
        using namespace Qt::StringLiterals;
        const QString kwin = QStandardPaths::findExecutable(u"kwin_wayland"_s);
        m_runtime = m_base.filePath(u"run"_s);
        QDir().mkpath(m_runtime);
        QFile::setPermissions(m_runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString copy = m_base.filePath(u"kwin_wayland"_s);
        if (kwin.isEmpty()) {
            *error = u"kwin_wayland is not installed"_s;
            return false;
        }
        if (!QFile::copy(kwin, copy)) {
            *error = u"cannot copy kwin_wayland"_s;
            return false;
        }

        QProcessEnvironment environment;
        environment.insert(u"PATH"_s, qEnvironmentVariable("PATH", u"/usr/bin:/bin"_s));
        environment.insert(u"HOME"_s, m_base.path());
        environment.insert(u"XDG_RUNTIME_DIR"_s, m_runtime);
        environment.insert(u"XDG_CURRENT_DESKTOP"_s, u"KDE"_s);
        environment.insert(u"WAYLAND_DISPLAY"_s, m_socket);
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        m_bus.setProcessEnvironment(environment);
        m_bus.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
        if (!m_bus.waitForStarted(5000) || !m_bus.waitForReadyRead(10000)) {
            *error = u"dbus-daemon did not start"_s;
            return false;
        }
        m_busAddress = QString::fromUtf8(m_bus.readLine().trimmed());
        environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, m_busAddress);

        const QString log = m_base.filePath(u"kwin.log"_s);
        m_kwin.setProcessEnvironment(environment);
        m_kwin.setStandardOutputFile(log);
        m_kwin.setStandardErrorFile(log, QIODevice::Append);
        m_kwin.start(copy, {u"--virtual"_s, u"--no-lockscreen"_s, u"--socket"_s, m_socket, u"--width"_s, u"1024"_s,
                            u"--height"_s, u"768"_s});
        const QDeadlineTimer deadline(20000);
        while (m_kwin.waitForStarted(5000) && !deadline.hasExpired() && m_kwin.state() == QProcess::Running) {
            if (QFile::exists(socketPath()))
                return true;
            QThread::msleep(20);
        }
        QFile output(log);
        output.open(QIODevice::ReadOnly);
        *error = u"KWin did not open its socket: "_s + QString::fromLocal8Bit(output.readAll().right(600));
        return false;
    }

    [[nodiscard]] QString socketPath() const override { return m_runtime + QLatin1Char('/') + m_socket; }

    [[nodiscard]] QProcessEnvironment clientEnvironment() const override
    {
        QProcessEnvironment environment = HeadlessCompositor::clientEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime);
        environment.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_busAddress);
        return environment;
    }

    /// A new connection to KWin's session bus, under a name of its own.
    [[nodiscard]] QDBusConnection connectToBus(const QString &name) const
    {
        return QDBusConnection::connectToBus(m_busAddress, name + m_busAddress);
    }

    /// Presses the global shortcut `name` the way its keys would, through the shortcut
    /// daemon, in whichever component holds it; true when one did.
    bool invokeShortcut(const QString &name) const
    {
        const QString path = componentOf(name);
        return !path.isEmpty() && callDaemon(path, QStringLiteral("org.kde.kglobalaccel.Component"), QStringLiteral("invokeShortcut"), {name}).type() == QDBusMessage::ReplyMessage;
    }

    /// Takes the key of the global shortcut `name` away, as the user can in the desktop's
    /// settings; true when the daemon did.
    bool clearShortcut(const QString &name) const
    {
        const QString path = componentOf(name);
        if (path.isEmpty())
            return false;
        const QString component = path.mid(path.lastIndexOf(u'/') + 1);
        const QStringList action{component, name, component, name};
        return callDaemon(QStringLiteral("/kglobalaccel"), QStringLiteral("org.kde.KGlobalAccel"), QStringLiteral("setForeignShortcut"),
                          {action, QVariant::fromValue(QList<int>{})}).type() == QDBusMessage::ReplyMessage;
    }

private:
    QDBusMessage callDaemon(const QString &path, const QString &interface, const QString &method, const QVariantList &arguments) const
    {
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.kde.kglobalaccel"), path, interface, method);
        call.setArguments(arguments);
        return connectToBus(QStringLiteral("daemon")).call(call);
    }

    // The object path of the shortcut daemon's component that has the shortcut `name`.
    QString componentOf(const QString &name) const
    {
        const QDBusMessage components = callDaemon(QStringLiteral("/kglobalaccel"), QStringLiteral("org.kde.KGlobalAccel"), QStringLiteral("allComponents"), {});
        for (const QDBusObjectPath &path : qdbus_cast<QList<QDBusObjectPath>>(components.arguments().value(0))) {
            const QDBusMessage names = callDaemon(path.path(), QStringLiteral("org.kde.kglobalaccel.Component"), QStringLiteral("shortcutNames"), {});
            if (names.arguments().value(0).toStringList().contains(name))
                return path.path();
        }
        return {};
    }
    QTemporaryDir m_base;
    QString m_runtime;
    const QString m_socket = QStringLiteral("wayland-jotterly");
    QString m_busAddress;
    QProcess m_bus;
    QProcess m_kwin;
};

/// The compositor a test runs against: KWin where JOTTERLY_TEST_COMPOSITOR is "kwin",
/// else sway.
inline std::unique_ptr<HeadlessCompositor> makeHeadlessCompositor()
{
    if (qEnvironmentVariable("JOTTERLY_TEST_COMPOSITOR") == QLatin1String("kwin"))
        return std::make_unique<HeadlessKwin>();
    return std::make_unique<HeadlessSway>();
}
