#pragma once

// Starts a headless KWin (`kwin_wayland --virtual`) on a session bus of its own, for tests
// that need KWin's Wayland protocols or KDE's desktop portal. The bus starts the portal
// and the shortcut daemon on first use, as in a Plasma session; they run in the bus's
// process group and end with it. KWin's binary carries a file capability that a
// container refuses to execute, so a copy without it is run.

#include "headlesssway.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>

#include <csignal>

class HeadlessKwin : public HeadlessCompositor
{
public:
    ~HeadlessKwin() override
    {
        for (QProcess *process : {&m_kwin, &m_bus}) {
            if (process->processId() > 0)
                ::kill(-pid_t(process->processId()), SIGTERM);
            if (!process->waitForFinished(5000))
                process->kill();
        }
    }

    bool start(QString *error) override
    {
        using namespace Qt::StringLiterals;
        const QString kwin = QStandardPaths::findExecutable(u"kwin_wayland"_s);
        const QString copy = m_base.filePath(u"kwin_wayland"_s);
        QProcessEnvironment environment = prepare();
        *error = kwin.isEmpty() ? u"kwin_wayland is not installed"_s : u"cannot copy kwin_wayland"_s;
        if (kwin.isEmpty() || !QFile::copy(kwin, copy))
            return false;
        error->clear();

        environment.insert(u"XDG_CURRENT_DESKTOP"_s, u"KDE"_s);
        environment.insert(u"WAYLAND_DISPLAY"_s, u"wayland-jotterly"_s);
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        for (QProcess *process : {&m_kwin, &m_bus})
            process->setChildProcessModifier([] { ::setpgid(0, 0); });
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
        m_kwin.start(copy, {u"--virtual"_s, u"--no-lockscreen"_s, u"--socket"_s, u"wayland-jotterly"_s});
        return waitForSocket(m_kwin, log, 20000, error);
    }

    [[nodiscard]] QProcessEnvironment clientEnvironment() const override
    {
        QProcessEnvironment environment = HeadlessCompositor::clientEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_busAddress);
        return environment;
    }

    /// A connection to KWin's session bus, one per name.
    [[nodiscard]] QDBusConnection connectToBus(const QString &name) const
    {
        return QDBusConnection::connectToBus(m_busAddress, name + m_busAddress);
    }

    /// Presses the global shortcut `name` as its keys would, through the shortcut daemon.
    bool invokeShortcut(const QString &name) const
    {
        const QString path = componentOf(name);
        return !path.isEmpty() && callDaemon(path, u"Component", u"invokeShortcut", {name});
    }

    /// Takes the key of the global shortcut `name` away, as the user can in System Settings.
    bool clearShortcut(const QString &name) const
    {
        const QString component = componentOf(name).section(u'/', -1);
        return !component.isEmpty()
               && callDaemon(QStringLiteral("/kglobalaccel"), u"KGlobalAccel", u"setForeignShortcut",
                             {QStringList{component, name, component, name}, QVariant::fromValue(QList<int>{})});
    }

private:
    // Calls the shortcut daemon; true on a reply, which `reply` then holds.
    bool callDaemon(const QString &path, QStringView interface, QStringView method, const QVariantList &arguments,
                    QVariant *reply = nullptr) const
    {
        const QString prefix = interface == u"Component" ? QStringLiteral("org.kde.kglobalaccel.") : QStringLiteral("org.kde.");
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.kde.kglobalaccel"), path,
                                                           prefix + interface.toString(), method.toString());
        call.setArguments(arguments);
        const QDBusMessage answer = connectToBus(QStringLiteral("daemon")).call(call);
        if (reply)
            *reply = answer.arguments().value(0);
        return answer.type() == QDBusMessage::ReplyMessage;
    }

    // The path of the daemon's component that has the shortcut `name`; empty if none has.
    QString componentOf(const QString &name) const
    {
        QVariant components;
        callDaemon(QStringLiteral("/kglobalaccel"), u"KGlobalAccel", u"allComponents", {}, &components);
        for (const QDBusObjectPath &path : qdbus_cast<QList<QDBusObjectPath>>(components)) {
            QVariant names;
            if (callDaemon(path.path(), u"Component", u"shortcutNames", {}, &names) && names.toStringList().contains(name))
                return path.path();
        }
        return {};
    }

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
