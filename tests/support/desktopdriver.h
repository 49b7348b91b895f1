#pragma once

// Drives the real jotterly program from outside, as a person at the X server does:
// xclip copies and reads the clipboard, xdotool presses keys and clicks, trayer hosts
// the tray icon. The program runs with fresh XDG folders and reports its milestones
// and what its panel lists on its log (the jotterly.app and jotterly.rows categories).

#include "support/storetesting.h"
#include "support/testhelpers.h"
#include "support/x11testing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
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

using namespace Qt::StringLiterals;

/// The shell's output, or an empty string when it failed.
inline QString shellOutput(const QString &command, int timeoutMs = 10000)
{
    QProcess shell;
    shell.start(u"sh"_s, {u"-c"_s, command});
    if (!shell.waitForFinished(timeoutMs)) {
        endProcess(shell);
        return {};
    }
    return QString::fromUtf8(shell.readAllStandardOutput());
}

/// The geometry of the last window that `xdotool search ARGUMENTS` finds; an empty
/// rectangle when there is none.
inline QRect windowGeometry(const QString &searchArguments)
{
    const QString out = shellOutput(u"xdotool search %1 getwindowgeometry --shell %@ | tail -n 6"_s.arg(searchArguments));
    const auto value = [&](const char *key) {
        const auto match = QRegularExpression(QLatin1StringView(key) + u"=(\\d+)"_s).match(out);
        return match.hasMatch() ? match.captured(1).toInt() : -1;
    };
    return QRect(value("X"), value("Y"), value("WIDTH"), value("HEIGHT"));
}

/// Presses keys as `xdotool key` names them ("alt+shift+v", "Down Return").
inline bool pressKeys(const QString &keys) { return runShell(u"xdotool key --delay 30 "_s + keys); }

/// Clicks a button (1 left, 3 right) at a screen point, holding `modifiers` ("ctrl").
inline bool clickAt(const QPoint &point, const QString &modifiers = {}, int button = 1)
{
    const QString hold = modifiers.isEmpty() ? QString() : u"keydown %1 "_s.arg(modifiers);
    const QString release = modifiers.isEmpty() ? QString() : u" keyup %1"_s.arg(modifiers);
    return runShell(u"xdotool mousemove %1 %2 %3click %4%5"_s.arg(point.x()).arg(point.y()).arg(hold).arg(button).arg(release));
}

/// Saves the screen (ImageMagick's import), once the scene has finished drawing, as
/// NAME.png for a person to look at: in JOTTERLY_SCREENSHOTS, or the build folder's screenshots/.
inline bool saveScreenshot(const QString &name)
{
    const QString folder = qEnvironmentVariable("JOTTERLY_SCREENSHOTS", QStringLiteral(SCREENSHOTS_DEFAULT));
    QDir().mkpath(folder);
    QTest::qWait(300);
    return runShell(u"import -window root '%1/%2.png'"_s.arg(folder, name));
}

/// What the screen shows in `area` now.
inline QImage grabScreen(const QRect &area)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"grab.png"_s);
    const QString crop = u"%1x%2+%3+%4"_s.arg(area.width()).arg(area.height()).arg(area.x()).arg(area.y());
    // import writes few-coloured pictures with a palette of its own choosing: compare pixels.
    return runShell(u"import -window root -crop %1 +repage %2"_s.arg(crop, file))
        ? QImage(file).convertToFormat(QImage::Format_RGB32)
        : QImage();
}

/// Clicks and waits until the screen below and right of the point changes, as it does
/// when a menu, a list or a dialog opens there; false when nothing opened.
inline bool clickAndWaitForPopup(const QPoint &point, int button = 1)
{
    // The pointer first, and a pause for the hover highlight, which must not count.
    if (!runShell(u"xdotool mousemove %1 %2"_s.arg(point.x()).arg(point.y())))
        return false;
    QTest::qWait(200);
    const QRect area(point + QPoint(2, 2), QSize(160, 100));
    const QImage before = grabScreen(area);
    if (before.isNull() || !clickAt(point, {}, button) || !QTest::qWaitFor([&] { return grabScreen(area) != before; }, 5000))
        return false;
    QTest::qWait(150); // an opening animation
    return true;
}

/// Gives a window the keyboard (it may not be mapped yet, so this tries again a while)
/// and names it the active window, as a window manager would (the tests' X server has none).
inline bool activateWindow(const QString &window)
{
    if (!QTest::qWaitFor([&] { return runShell(u"xdotool windowfocus --sync "_s + window); }, 5000))
        return false;
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const auto atom = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, 18, "_NET_ACTIVE_WINDOW"), nullptr);
    const xcb_window_t id = window.toUInt();
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, root, atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE), XCB_ATOM_WINDOW, 32, 1, &id);
    std::free(atom);
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr)); // a round trip
    xcb_disconnect(connection);
    return true;
}

/// Starts a program with a window and gives that window the keyboard.
inline bool startActive(QProcess &process, const QString &program, const QStringList &arguments)
{
    process.start(program, arguments);
    const QString window = process.waitForStarted()
        ? shellOutput(u"xdotool search --sync --onlyvisible --pid %1 | head -n1"_s.arg(process.processId())).trimmed()
        : QString();
    return !window.isEmpty() && activateWindow(window);
}

/// A real terminal, xterm, that pastes the clipboard with Ctrl+Shift+V and Shift+Insert
/// (as a user sets it up: by default xterm pastes the primary selection) into `cat`,
/// which writes what was pasted to a file.
class Terminal
{
public:
    ~Terminal() { endProcess(m_process); }

    bool start(const QString &outputFile)
    {
        m_outputFile = outputFile;
        return startActive(m_process, u"xterm"_s,
                           {u"-xrm"_s,
                            u"XTerm*VT100.translations: #override Ctrl Shift <Key>V: insert-selection(CLIPBOARD) "
                            u"\\n Shift <Key>Insert: insert-selection(CLIPBOARD)"_s,
                            u"-geometry"_s, u"60x8+40+400"_s, u"-e"_s, u"sh"_s, u"-c"_s,
                            u"stty -icanon -echo; exec cat > '%1'"_s.arg(outputFile)});
    }

    /// What has been pasted into it.
    [[nodiscard]] QString pasted() const { return QString::fromUtf8(readFile(m_outputFile)); }

private:
    QProcess m_process;
    QString m_outputFile;
};

/// trayer as the tray host: one window at the top right of the screen.
class TrayHost
{
public:
    ~TrayHost() { endProcess(m_process); }

    [[nodiscard]] static QRect geometry() { return windowGeometry(u"--class trayer"_s); }

    /// Starts trayer (again, when a run before left one that refuses to start).
    bool start()
    {
        for (int attempt = 0; attempt < 3 && geometry().width() <= 0; ++attempt) {
            endProcess(m_process);
            m_process.start(u"trayer"_s, QProcess::splitCommand(u"--edge top --align right --widthtype request --height 24 "
                                                                u"--transparent false --tint 0x303030"_s));
            if (!m_process.waitForStarted())
                return false;
            (void)QTest::qWaitFor([] { return geometry().width() > 0; }, 5000);
        }
        return geometry().width() > 0;
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
    ~JotterlyProcess() { endProcess(m_process); }

    [[nodiscard]] QString path(const QString &relative) const { return m_home + u'/' + relative; }
    [[nodiscard]] QString storePath() const { return path(u"data/jotterly/history.sqlite"_s); }
    [[nodiscard]] QString configPath() const { return path(u"config/jotterly/jotterly.conf"_s); }
    [[nodiscard]] QString autostartPath() const { return path(u"config/autostart/jotterly.desktop"_s); }
    [[nodiscard]] QProcess &process() { return m_process; }
    /// The store's previews on disk, newest first.
    [[nodiscard]] QStringList stored() const { return DiskView(storePath()).previews(); }
    [[nodiscard]] bool isRunning() const { return m_process.state() == QProcess::Running; }
    [[nodiscard]] const QByteArray &log()
    {
        readLog();
        return m_log;
    }

    /// The program's environment: its own folders, its milestones logged, `extra` on top.
    [[nodiscard]] QProcessEnvironment environment(const QProcessEnvironment &extra = {}) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_DATA_HOME"_s, path(u"data"_s));
        env.insert(u"XDG_CONFIG_HOME"_s, path(u"config"_s));
        const QString runtime = path(u"runtime"_s);
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(u"XDG_RUNTIME_DIR"_s, runtime);
        env.insert(u"QT_LOGGING_RULES"_s, u"jotterly.app.debug=true\njotterly.rows.debug=true"_s);
        // Seconds since the start on every line, for reading a failed run's log.
        env.insert(u"QT_MESSAGE_PATTERN"_s, u"%{time process} %{category}: %{message}"_s);
        env.remove(u"QT_QPA_PLATFORM"_s);
        for (const QString &key : extra.keys())
            env.insert(key, extra.value(key));
        for (const QString &key : m_removed)
            env.remove(key);
        return env;
    }
    /// Variables of the test's own environment that the program does not get (DISPLAY,
    /// for a session without X11).
    void removeFromEnvironment(const QStringList &keys) { m_removed = keys; }

    /// Starts the program and waits until its launch sequence has run.
    bool start(const QProcessEnvironment &extra = {}, const QStringList &arguments = {})
    {
        m_process.setProcessEnvironment(environment(extra));
        m_log.clear();
        m_process.start(QStringLiteral(JOTTERLY_PATH), arguments);
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
        endProcess(m_process);
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
        const auto logged = [&] { return log().indexOf(line, from) >= 0; };
        (void)QTest::qWaitFor([&] { return logged() || !isRunning(); }, timeoutMs);
        return logged();
    }

    /// How many times `line` was logged.
    [[nodiscard]] int count(const QByteArray &line) { return int(log().count(line)); }

    /// The panel's rows as last logged: objects with kind, label, pinned and queued.
    [[nodiscard]] QJsonArray rows() { return state().value(u"rows"_s).toArray(); }
    /// The keyboard-selected row as last logged, or -1.
    [[nodiscard]] int selectedRow() { return state().value(u"selected"_s).toInt(-1); }
    /// The rows' labels, in display order.
    [[nodiscard]] QStringList labels() { return field(u"label"_s); }
    /// The rows' kinds, in display order.
    [[nodiscard]] QStringList kinds() { return field(u"kind"_s); }

    /// Waits until the logged rows satisfy `condition`.
    bool waitForRows(const std::function<bool(const QJsonArray &)> &condition, int timeoutMs = 10000)
    {
        (void)QTest::qWaitFor([&] { return condition(rows()) || !isRunning(); }, timeoutMs);
        return condition(rows());
    }
    bool waitForRowCount(int count, int timeoutMs = 10000)
    {
        return waitForRows([count](const QJsonArray &rows) { return rows.size() == count; }, timeoutMs);
    }

    /// Presses the shortcut and waits for the panel's first frame, and until it has
    /// taken the keyboard; false when it did not open.
    bool openPanel(const QString &shortcut = u"alt+shift+v"_s)
    {
        const qsizetype from = mark();
        if (!pressKeys(shortcut) || !waitForLog("panel drawn", 10000, from))
            return false;
        QTest::qWait(200); // the panel takes the keyboard once it is mapped
        return true;
    }
    /// Closes the panel with Escape and waits until it is gone from the screen.
    bool closePanel()
    {
        // As long as an opening may take: only a hang fails.
        return pressKeys(u"Escape"_s) && QTest::qWaitFor([] { return panelGeometry().width() <= 0; }, 10000);
    }
    [[nodiscard]] static QRect panelGeometry() { return windowGeometry(u"--onlyvisible --name '^jotterly$'"_s); }

    /// Clicks the open panel's gear; the geometry of the settings window titled `title`
    /// once it is on screen, or an empty rectangle.
    QRect openSettings(const QString &title = u"jotterly Settings"_s)
    {
        const QRect panel = panelGeometry();
        const qsizetype from = mark();
        const QString window = u"--onlyvisible --name '^%1$'"_s.arg(title);
        if (!clickAt(QPoint(panel.left() + 24, panel.bottom() - 17)) || !waitForLog("settings shown", 10000, from)
            || !QTest::qWaitFor([&] { return windowGeometry(window).width() == 450; }, 5000))
            return {};
        QTest::qWait(300);
        return windowGeometry(window);
    }

    /// Goes through the welcome window titled `title` with its two buttons, saving a
    /// screenshot of each step, until the program says the onboarding is completed.
    bool completeWelcome(const QString &title, const QString &firstShot, const QString &secondShot)
    {
        const QString welcome = u"--onlyvisible --name '^%1$'"_s.arg(title);
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
        static const QByteArray prefix = "jotterly.rows: rows ";
        const qsizetype lastLine = log().lastIndexOf('\n');
        const qsizetype at = lastLine < 0 ? -1 : m_log.lastIndexOf(prefix, lastLine);
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
    QStringList m_removed;
    QProcess m_process;
    QByteArray m_log;
};

/// The base of an end-to-end test: a home folder of its own, trayer as the tray host
/// and the program, started by initTestCase with startDesktop().
class DesktopTest : public QObject
{
protected:
    /// Starts the tray host and the program; `welcomed`: as for someone who has been
    /// through the welcome before.
    bool startDesktop(bool welcomed, const QProcessEnvironment &env = {})
    {
        m_app = std::make_unique<JotterlyProcess>(m_home.path());
        return m_tray.start() && (!welcomed || writeFile(m_app->configPath(), "[General]\nonboardingShown=true\n"))
            && m_app->start(env);
    }

    QTemporaryDir m_home;
    TrayHost m_tray;
    std::unique_ptr<JotterlyProcess> m_app;
};
