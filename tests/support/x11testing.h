#pragma once

// Helpers for tests and benchmarks that drive the real X server: real clipboard
// clients, a window the way a window manager makes it active, and a main-thread
// stall probe.

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

/// main() of a test that needs the X server and a QGuiApplication on it.
#define JOTTERLY_X11_TEST_MAIN(TestClass)                                                                        \
    int main(int argc, char *argv[])                                                                           \
    {                                                                                                          \
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {                                                          \
            std::fprintf(stderr, "These tests need an X server: run them through scripts/test.sh.\n");         \
            return 1;                                                                                          \
        }                                                                                                      \
        qputenv("QT_QPA_PLATFORM", "xcb");                                                                     \
        QGuiApplication app(argc, argv);                                                                       \
        TestClass test;                                                                                        \
        return QTest::qExec(&test, argc, argv);                                                                \
    }

/// Runs a shell command to completion (xclip and xsel fork and return once they own
/// the clipboard); true when it exited with status 0.
inline bool runShell(const QString &command)
{
    // The forked clients must not hold on to our output, or whoever reads it waits.
    QProcess shell;
    shell.setStandardOutputFile(QProcess::nullDevice());
    shell.setStandardErrorFile(QProcess::nullDevice());
    shell.start(QStringLiteral("sh"), {QStringLiteral("-c"), command});
    return shell.waitForFinished(20000) && shell.exitStatus() == QProcess::NormalExit && shell.exitCode() == 0;
}

#ifdef TESTOWNER_PATH
/// Starts the test clipboard owner and waits until it owns the clipboard.
inline bool startTestOwner(QProcess &owner, const QStringList &arguments)
{
    owner.start(QStringLiteral(TESTOWNER_PATH), arguments);
    return owner.waitForStarted(5000) && owner.waitForReadyRead(5000) && owner.readLine().startsWith("ready");
}
#endif

/// The longest time the event loop of this thread went without running, while alive.
class StallProbe
{
public:
    StallProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, m_clock.restart());
        });
        m_clock.start();
        m_timer.start();
    }
    /// Starts a new measurement.
    void reset()
    {
        m_longest = 0;
        m_clock.restart();
    }
    /// The longest gap between ticks, in milliseconds (a tick is due every millisecond),
    /// counting the gap still open since the last tick.
    [[nodiscard]] qint64 longestStallMs() const { return std::max(m_longest, m_clock.elapsed()); }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

/// A top-level window with the class and application id a test gives it, made the
/// active window by setting _NET_ACTIVE_WINDOW on the root window, as window managers do.
class ActiveWindow
{
public:
    ActiveWindow()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~ActiveWindow() { xcb_disconnect(m_connection); }

    /// Makes a window with WM_CLASS (instance, windowClass) and, when given, the GTK
    /// application id, and makes it active.
    void activate(const QByteArray &instance, const QByteArray &windowClass, const QByteArray &gtkApplicationId = {})
    {
        const xcb_window_t window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        const QByteArray wmClass = instance + '\0' + windowClass + '\0';
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            uint32_t(wmClass.size()), wmClass.constData());
        if (!gtkApplicationId.isEmpty())
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, atom("_GTK_APPLICATION_ID"),
                                atom("UTF8_STRING"), 8, uint32_t(gtkApplicationId.size()), gtkApplicationId.constData());
        setActive(window);
    }

    /// No window is active.
    void clear() { setActive(XCB_WINDOW_NONE); }

private:
    void setActive(xcb_window_t window)
    {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_root, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 32, 1,
                            &window);
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr)); // round trip
    }

    xcb_atom_t atom(const char *name)
    {
        auto *reply = xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name),
                                            nullptr);
        const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return result;
    }

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
};
