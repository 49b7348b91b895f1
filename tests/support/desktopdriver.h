#pragma once

// Drives the real jotterly program from outside, as a person at the X server does:
// xclip copies and reads the clipboard, xdotool presses keys and clicks, trayer hosts
// the tray icon. The program runs with fresh XDG folders and reports its milestones
// and what its panel lists on its log (the jotterly.app and jotterly.rows categories).

#include "support/x11testing.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>

/// The shell's output, or an empty string when it failed.
inline QString shellOutput(const QString &command, int timeoutMs = 10000)
{
    QProcess shell;
    shell.start(QStringLiteral("sh"), {QStringLiteral("-c"), command});
    if (!shell.waitForFinished(timeoutMs)) {
        shell.kill();
        shell.waitForFinished();
        return {};
    }
    return QString::fromUtf8(shell.readAllStandardOutput());
}

/// Writes `bytes` to the file at `path`, making its folder first.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

/// The geometry of the last window that `xdotool search ARGUMENTS` finds; an empty
/// rectangle when there is none.
inline QRect windowGeometry(const QString &searchArguments)
{
    const QString out = shellOutput(
        QStringLiteral("xdotool search %1 getwindowgeometry --shell %@ | tail -n 6").arg(searchArguments));
    const auto value = [&](const QString &key) {
        const auto match = QRegularExpression(key + QStringLiteral("=(\\d+)")).match(out);
        return match.hasMatch() ? match.captured(1).toInt() : -1;
    };
    return QRect(value(QStringLiteral("X")), value(QStringLiteral("Y")), value(QStringLiteral("WIDTH")),
                 value(QStringLiteral("HEIGHT")));
}

/// Presses keys as `xdotool key` names them ("alt+shift+v", "Down Return").
inline bool pressKeys(const QString &keys)
{
    return runShell(QStringLiteral("xdotool key --delay 30 %1").arg(keys));
}

/// Clicks a button (1 left, 3 right) at a screen point, holding `modifiers` ("ctrl").
inline bool clickAt(const QPoint &point, const QString &modifiers = {}, int button = 1)
{
    const QString down = modifiers.isEmpty() ? QString() : QStringLiteral("keydown %1 ").arg(modifiers);
    const QString up = modifiers.isEmpty() ? QString() : QStringLiteral(" keyup %1").arg(modifiers);
    return runShell(QStringLiteral("xdotool mousemove %1 %2 %3click %4%5")
                        .arg(point.x())
                        .arg(point.y())
                        .arg(down)
                        .arg(button)
                        .arg(up));
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
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o"),
                                          QStringLiteral("-t"), target});
    if (!xclip.waitForFinished(10000))
        return {};
    return xclip.readAllStandardOutput();
}

#ifdef SCREENSHOT_PATH
/// Where the screenshots go: JOTTERLY_SCREENSHOTS, or the build folder's screenshots/.
inline QString screenshotsFolder()
{
    const QString folder = qEnvironmentVariable("JOTTERLY_SCREENSHOTS", QStringLiteral(SCREENSHOTS_DEFAULT));
    QDir().mkpath(folder);
    return folder;
}

/// Saves the screen, once the scene has finished drawing, as NAME.png for a person to look at.
inline bool saveScreenshot(const QString &name)
{
    QTest::qWait(300);
    return runShell(QStringLiteral("%1 %2/%3.png").arg(QStringLiteral(SCREENSHOT_PATH), screenshotsFolder(), name));
}

/// What the screen shows in `area` now.
inline QImage grabScreen(const QRect &area)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("grab.png"));
    if (!runShell(QStringLiteral("%1 %2 %3 %4 %5 %6")
                      .arg(QStringLiteral(SCREENSHOT_PATH), file)
                      .arg(area.x())
                      .arg(area.y())
                      .arg(area.width())
                      .arg(area.height())))
        return {};
    return QImage(file);
}
#endif

/// Gives a window the keyboard; it may not be mapped yet, so this tries again a while.
inline bool focusWindow(const QString &window)
{
    return QTest::qWaitFor([&] { return runShell(QStringLiteral("xdotool windowfocus --sync %1").arg(window)); }, 5000);
}

#ifdef PASTEPAD_PATH
/// Another application: a text window that pastes with Ctrl+V and copies with Ctrl+C.
class Pastepad
{
public:
    ~Pastepad()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    bool start(const QString &text = {})
    {
        m_process.start(QStringLiteral(PASTEPAD_PATH), text.isEmpty() ? QStringList() : QStringList{text});
        if (!m_process.waitForStarted() || !m_process.waitForReadyRead(10000))
            return false;
        m_output = m_process.readAllStandardOutput();
        const auto match = QRegularExpression(QStringLiteral("ready (\\d+)")).match(QString::fromUtf8(m_output));
        m_window = match.captured(1);
        return match.hasMatch();
    }

    /// Gives it the keyboard, and with that the place of the active window.
    bool focus()
    {
        return focusWindow(m_window)
            && QTest::qWaitFor([&] { return (m_output += m_process.readAllStandardOutput()).contains("focused"); }, 5000);
    }

    /// Its whole text now.
    [[nodiscard]] QString text()
    {
        m_output += m_process.readAllStandardOutput();
        const qsizetype at = m_output.lastIndexOf("text ");
        if (at < 0)
            return {};
        const qsizetype end = m_output.indexOf('\n', at);
        if (end < 0)
            return {};
        const QByteArray json = '[' + m_output.mid(at + 5, end - at - 5) + ']';
        return QJsonDocument::fromJson(json).array().at(0).toString();
    }

private:
    QProcess m_process;
    QByteArray m_output;
    QString m_window;
};
#endif

/// Gives a window the keyboard and names it the active window, as a window manager
/// would (the tests' X server has none).
inline bool activateWindow(const QString &window)
{
    if (!focusWindow(window))
        return false;
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const QByteArray name("_NET_ACTIVE_WINDOW");
    const auto atom = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()), nullptr);
    const xcb_window_t id = window.toUInt();
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, root, atom ? atom->atom : XCB_ATOM_NONE, XCB_ATOM_WINDOW, 32, 1, &id);
    std::free(atom);
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr)); // a round trip
    xcb_disconnect(connection);
    return true;
}

/// A real terminal, xterm, that pastes the clipboard with Ctrl+Shift+V and Shift+Insert
/// (as a user sets it up: by default xterm pastes the primary selection) into `cat`,
/// which writes what was pasted to a file.
class Terminal
{
public:
    ~Terminal()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    bool start(const QString &outputFile)
    {
        m_outputFile = outputFile;
        m_process.start(QStringLiteral("xterm"),
                        {QStringLiteral("-xrm"),
                         QStringLiteral("XTerm*VT100.translations: #override Ctrl Shift <Key>V: insert-selection(CLIPBOARD) "
                                        "\\n Shift <Key>Insert: insert-selection(CLIPBOARD)"),
                         QStringLiteral("-geometry"), QStringLiteral("60x8+40+400"), QStringLiteral("-e"), QStringLiteral("sh"),
                         QStringLiteral("-c"), QStringLiteral("stty -icanon -echo; exec cat > '%1'").arg(outputFile)});
        if (!m_process.waitForStarted())
            return false;
        m_window = shellOutput(QStringLiteral("xdotool search --sync --onlyvisible --pid %1 | head -n1").arg(m_process.processId()))
                       .trimmed();
        return !m_window.isEmpty() && activateWindow(m_window);
    }

    /// What has been pasted into it.
    [[nodiscard]] QString pasted() const
    {
        QFile file(m_outputFile);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QProcess m_process;
    QString m_outputFile;
    QString m_window;
};

#ifdef SCREENSHOT_PATH
/// Clicks and waits until the screen below and right of the point changes, as it does
/// when a menu, a list or a dialog opens there; false when nothing opened.
inline bool clickAndWaitForPopup(const QPoint &point, int button = 1)
{
    // The pointer first, and a pause for the hover highlight, which must not count.
    if (!runShell(QStringLiteral("xdotool mousemove %1 %2").arg(point.x()).arg(point.y())))
        return false;
    QTest::qWait(200);
    const QRect area(point + QPoint(2, 2), QSize(160, 100));
    const QImage before = grabScreen(area);
    if (before.isNull() || !clickAt(point, {}, button) || !QTest::qWaitFor([&] { return grabScreen(area) != before; }, 5000))
        return false;
    QTest::qWait(150); // an opening animation
    return true;
}
#endif

/// trayer as the tray host: one window at the top right of the screen.
class TrayHost
{
public:
    ~TrayHost() { stop(); }

    [[nodiscard]] static QRect geometry() { return windowGeometry(QStringLiteral("--class trayer")); }

    /// Starts trayer (again, when a run before left one that refuses to start).
    bool start()
    {
        for (int attempt = 0; attempt < 3 && geometry().width() <= 0; ++attempt) {
            stop();
            m_process.start(QStringLiteral("trayer"),
                            {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"), QStringLiteral("right"),
                             QStringLiteral("--widthtype"), QStringLiteral("request"), QStringLiteral("--height"),
                             QStringLiteral("24"), QStringLiteral("--transparent"), QStringLiteral("false"),
                             QStringLiteral("--tint"), QStringLiteral("0x303030")});
            if (!m_process.waitForStarted())
                return false;
            QTest::qWaitFor([] { return geometry().width() > 0; }, 5000);
        }
        return geometry().width() > 0;
    }

    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    /// The centre of the only icon in the tray: at its right end.
    [[nodiscard]] static QPoint iconCentre()
    {
        const QRect tray = geometry();
        return QPoint(tray.right() - 12, tray.center().y());
    }

private:
    QProcess m_process;
};

/// What the program logs for each copy it stored, followed by the copy's hash.
inline constexpr char recordedLine[] = "jotterly.app: recorded ";

/// The jotterly executable with its own XDG folders under `home`, which outlive it,
/// so that a restart finds what the last run left.
class JotterlyProcess
{
public:
    explicit JotterlyProcess(QString home)
        : m_home(std::move(home))
    {
    }
    ~JotterlyProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    [[nodiscard]] QString path(const QString &relative) const { return m_home + u'/' + relative; }
    [[nodiscard]] QString storePath() const { return path(QStringLiteral("data/jotterly/history.sqlite")); }
    [[nodiscard]] QString configPath() const { return path(QStringLiteral("config/jotterly/jotterly.conf")); }
    [[nodiscard]] QString autostartPath() const { return path(QStringLiteral("config/autostart/jotterly.desktop")); }
    [[nodiscard]] QProcess &process() { return m_process; }
    [[nodiscard]] bool isRunning() const { return m_process.state() == QProcess::Running; }
    [[nodiscard]] const QByteArray &log()
    {
        readLog();
        return m_log;
    }

    /// Starts the program and waits until its launch sequence has run.
    bool start(const QProcessEnvironment &extra = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        const QString runtime = path(QStringLiteral("runtime"));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("jotterly.app.debug=true\njotterly.rows.debug=true"));
        // Seconds since the start on every line, for reading a failed run's log.
        env.insert(QStringLiteral("QT_MESSAGE_PATTERN"), QStringLiteral("%{time process} %{category}: %{message}"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        for (const QString &key : extra.keys())
            env.insert(key, extra.value(key));
        m_process.setProcessEnvironment(env);
        m_log.clear();
        m_process.start(QStringLiteral(JOTTERLY_PATH), {});
        return m_process.waitForStarted() && waitForLog("launched", 30000, 0);
    }

    /// Sends a signal and waits for the process to end; true when it ended with status 0.
    bool stop(int signal = SIGTERM)
    {
        ::kill(pid_t(m_process.processId()), signal);
        if (!m_process.waitForFinished(30000))
            return false;
        readLog();
        return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }

    /// At the end of a test case: the log when a test failed or JOTTERLY_TEST_LOG is set,
    /// then an orderly stop.
    void finish()
    {
        if (QTest::currentTestFailed() || qEnvironmentVariableIsSet("JOTTERLY_TEST_LOG"))
            qWarning().noquote() << log();
        if (isRunning())
            stop();
    }

    /// Copies with `copy` and waits until the history has one more row.
    bool copyAndWait(const std::function<bool()> &copy)
    {
        const qsizetype before = rows().size();
        return copy() && waitForRowCount(int(before) + 1);
    }

    /// Ends the process at once, as a crash or a power cut does.
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished();
        readLog();
    }

    /// Where the log ends now: later waits can look only at what comes after.
    [[nodiscard]] qsizetype mark()
    {
        readLog();
        return m_log.size();
    }

    /// Waits until `line` is logged after `from`: a mark() taken before the action that
    /// makes the program log it (by default: now, for lines not caused by the caller).
    bool waitForLog(const QByteArray &line, int timeoutMs = 10000, qsizetype from = -1)
    {
        if (from < 0)
            from = mark();
        const auto logged = [&] {
            readLog();
            return m_log.indexOf(line, from) >= 0;
        };
        QTest::qWaitFor([&] { return logged() || !isRunning(); }, timeoutMs);
        return logged();
    }

    /// How many times `line` was logged.
    [[nodiscard]] int count(const QByteArray &line)
    {
        readLog();
        return int(m_log.count(line));
    }

    /// The panel's rows as last logged: objects with kind, label, pinned and queued.
    [[nodiscard]] QJsonArray rows() { return state().value(QStringLiteral("rows")).toArray(); }
    /// The keyboard-selected row as last logged, or -1.
    [[nodiscard]] int selectedRow() { return state().value(QStringLiteral("selected")).toInt(-1); }
    /// The rows' labels, in display order.
    [[nodiscard]] QStringList labels() { return field(QStringLiteral("label")); }
    /// The rows' kinds, in display order.
    [[nodiscard]] QStringList kinds() { return field(QStringLiteral("kind")); }

    /// Waits until the logged rows satisfy `condition`.
    bool waitForRows(const std::function<bool(const QJsonArray &)> &condition, int timeoutMs = 10000)
    {
        QTest::qWaitFor([&] { return condition(rows()) || !isRunning(); }, timeoutMs);
        return condition(rows());
    }
    bool waitForRowCount(int count, int timeoutMs = 10000)
    {
        return waitForRows([count](const QJsonArray &rows) { return rows.size() == count; }, timeoutMs);
    }

    /// Presses the shortcut and waits for the panel's first frame; the time it took, or
    /// -1 when it did not open.
    qint64 openPanel(const QString &shortcut = QStringLiteral("alt+shift+v"))
    {
        const qsizetype from = mark();
        QElapsedTimer timer;
        timer.start();
        if (!pressKeys(shortcut) || !waitForLog("panel drawn", 10000, from))
            return -1;
        return timer.elapsed();
    }
    /// Closes the panel with Escape and waits until it is gone from the screen.
    bool closePanel()
    {
        // As long as an opening may take: only a hang fails.
        return pressKeys(QStringLiteral("Escape")) && QTest::qWaitFor([] { return panelGeometry().width() <= 0; }, 10000);
    }
    [[nodiscard]] static QRect panelGeometry() { return windowGeometry(QStringLiteral("--onlyvisible --name '^jotterly$'")); }
    /// Goes through the welcome window titled `title` with its two buttons, saving a
    /// screenshot of each step, until the program says the onboarding is completed.
    bool completeWelcome(const QString &title, const QString &firstShot, const QString &secondShot)
    {
        const QString welcome = QStringLiteral("--onlyvisible --name '^%1$'").arg(title);
        if (!QTest::qWaitFor([&] { return windowGeometry(welcome).width() == 520; }, 5000))
            return false;
        const QRect window = windowGeometry(welcome);
        QTest::qWait(2000); // the welcome animates in
        if (!saveScreenshot(firstShot) || !clickAt(QPoint(window.center().x(), window.top() + 385))) // first step's button
            return false;
        QTest::qWait(3000);
        return saveScreenshot(secondShot) && clickAt(QPoint(window.center().x(), window.top() + 336)) // last step's button
            && waitForLog("onboarding completed", 10000, 0);
    }

private:
    void readLog() { m_log += m_process.readAllStandardError(); }

    // The last complete line of rows.
    QJsonObject state()
    {
        readLog();
        static const QByteArray prefix = "jotterly.rows: rows ";
        const qsizetype lastLine = m_log.lastIndexOf('\n');
        if (lastLine < 0)
            return {};
        const qsizetype at = m_log.lastIndexOf(prefix, lastLine);
        if (at < 0)
            return {};
        const qsizetype start = at + prefix.size();
        return QJsonDocument::fromJson(m_log.mid(start, m_log.indexOf('\n', at) - start)).object();
    }

    QStringList field(const QString &name)
    {
        QStringList values;
        for (const QJsonValue &row : rows())
            values.append(row.toObject().value(name).toString());
        return values;
    }

    QString m_home;
    QProcess m_process;
    QByteArray m_log;
};
