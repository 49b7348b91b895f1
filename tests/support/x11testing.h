#pragma once

// Helpers for tests and benchmarks that drive the real X server: real clipboard
// clients and a main-thread stall probe.

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

/// For benchmarks: stops with a message when there is no X server, and points Qt at it.
inline void requireX11Display()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qFatal("needs an X server (DISPLAY)");
    qputenv("QT_QPA_PLATFORM", "xcb");
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

/// Puts text on the clipboard from xclip, which keeps serving it in the background.
inline bool copyText(const QByteArray &text, const QString &target = QStringLiteral("UTF8_STRING"))
{
    QProcess xclip;
    xclip.setStandardOutputFile(QProcess::nullDevice());
    xclip.setStandardErrorFile(QProcess::nullDevice());
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"), target});
    if (!xclip.waitForStarted())
        return false;
    xclip.write(text);
    xclip.closeWriteChannel();
    return xclip.waitForFinished(30000) && xclip.exitCode() == 0;
}

/// What the clipboard holds as `target`, read with xclip.
inline QByteArray clipboardContent(const QString &target = QStringLiteral("UTF8_STRING"))
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o"), QStringLiteral("-t"), target});
    return xclip.waitForFinished(10000) ? xclip.readAllStandardOutput() : QByteArray();
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
