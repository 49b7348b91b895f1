// The real program at rest: launched with a tray host beside it (when trayer is
// installed), its panel opened and closed once, then left alone for 30 s with nothing
// copied. Prints the CPU ticks (utime + stime) and the wake-ups (voluntary context
// switches) it spent in those 30 s, for the whole process and thread by thread, so a
// thread that still wakes up shows by name.
//
//   bench_rest PATH-TO-jotterly [SECONDS]      (needs DISPLAY; the test command's Xvfb will do)

#include "../tests/support/x11testing.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

struct ThreadCost {
    QString name;
    qint64 ticks = 0;
    qint64 wakeups = 0;
};

QByteArray readProc(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every thread of `pid` by thread id: its name, ticks and voluntary switches so far.
QMap<QString, ThreadCost> threadCosts(qint64 pid)
{
    QMap<QString, ThreadCost> costs;
    const QString tasks = u"/proc/%1/task"_s.arg(pid);
    for (const QString &tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        ThreadCost cost;
        cost.name = QString::fromLocal8Bit(readProc(tasks + u'/' + tid + u"/comm"_s).trimmed());
        // The fields after the command name's closing parenthesis start at the state
        // (field 3): utime and stime are fields 14 and 15.
        const QByteArray stat = readProc(tasks + u'/' + tid + u"/stat"_s);
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 12)
            cost.ticks = fields[11].toLongLong() + fields[12].toLongLong();
        for (const QByteArray &line : readProc(tasks + u'/' + tid + u"/status"_s).split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:"))
                cost.wakeups = line.mid(24).trimmed().toLongLong();
        }
        costs.insert(tid, cost);
    }
    return costs;
}

void pause(int milliseconds)
{
    QThread::msleep(ulong(milliseconds));
}

} // namespace

int main(int argc, char *argv[])
{
    requireX11Display();
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_rest PATH-TO-jotterly [SECONDS]\n");
        return 2;
    }
    const int seconds = argc > 2 ? QByteArray(argv[2]).toInt() : 30;
    QTemporaryDir folder;

    QProcess tray;
    const QString trayer = QStandardPaths::findExecutable(u"trayer"_s);
    if (!trayer.isEmpty()) {
        tray.start(trayer, {});
        pause(500);
    }

    // Past the first run: the welcome window is not part of rest.
    QDir().mkpath(folder.path() + u"/config/jotterly"_s);
    QFile config(folder.path() + u"/config/jotterly/jotterly.conf"_s);
    if (!config.open(QIODevice::WriteOnly) || config.write("[General]\nonboardingShown=true\n") < 0)
        qFatal("cannot write the preferences");
    config.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_DATA_HOME"_s, folder.path() + u"/data"_s);
    env.insert(u"XDG_CONFIG_HOME"_s, folder.path() + u"/config"_s);
    env.insert(u"XDG_RUNTIME_DIR"_s, folder.path());
    env.insert(u"QT_LOGGING_RULES"_s, u"jotterly.app.debug=true"_s);
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QString::fromLocal8Bit(argv[1]), {});
    QByteArray log;
    const auto waitForLog = [&](const QByteArray &line) {
        QElapsedTimer timer;
        timer.start();
        while (log.indexOf(line) < 0 && timer.elapsed() < 30000) {
            program.waitForReadyRead(100);
            log += program.readAll();
        }
        return log.indexOf(line) >= 0;
    };
    if (!waitForLog("launched"))
        qFatal("jotterly did not start: %s", log.constData());
    // A few copies, then the panel once, as a user would before leaving it alone.
    for (int i = 0; i < 5; ++i)
        runShell(u"printf 'copied before the rest %1' | xclip -selection clipboard"_s.arg(i));
    pause(1000);
    runShell(u"xdotool key alt+shift+v"_s);
    if (!waitForLog("panel shown"))
        qFatal("the panel did not show");
    pause(1000);
    runShell(u"xdotool key Escape"_s);
    pause(3000); // launch and the panel settle

    const qint64 pid = program.processId();
    const QMap<QString, ThreadCost> before = threadCosts(pid);
    pause(seconds * 1000);
    const QMap<QString, ThreadCost> after = threadCosts(pid);

    qint64 ticks = 0;
    qint64 wakeups = 0;
    std::printf("%-20s %8s %8s\n", "thread", "ticks", "wake-ups");
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        const ThreadCost start = before.value(it.key());
        const qint64 threadTicks = it->ticks - start.ticks;
        const qint64 threadWakeups = it->wakeups - start.wakeups;
        ticks += threadTicks;
        wakeups += threadWakeups;
        std::printf("%-20s %8lld %8lld%s\n", qPrintable(it->name), qlonglong(threadTicks), qlonglong(threadWakeups),
                    before.contains(it.key()) ? "" : "  (started during the rest)");
    }
    std::printf("at rest for %d s after the panel was opened and closed once (%s tray host): %lld ticks of CPU "
                "(utime+stime), %lld wake-ups (voluntary context switches)\n",
                seconds, trayer.isEmpty() ? "no" : "with a", qlonglong(ticks), qlonglong(wakeups));

    if (qEnvironmentVariableIsSet("JOTTERLY_BENCH_LOG"))
        std::printf("%s%s\n", log.constData(), program.readAll().constData());
    ::kill(pid_t(pid), SIGTERM);
    program.waitForFinished(10000);
    if (tray.state() != QProcess::NotRunning) {
        tray.terminate();
        tray.waitForFinished(5000);
    }
    return 0;
}
