// The Wayland clipboard on a headless compositor: how long a copy takes to be read and
// reported, how many of a burst are, and how long a client waits for content we put on
// the clipboard.
//
//   bench_waylandclipboard          (starts its own sway; needs sway and wl-clipboard)
//   JOTTERLY_TEST_COMPOSITOR=kwin bench_waylandclipboard       (KWin instead)

#include "../tests/support/headlesskwin.h"
#include "benchstats.h"
#include "platform/wayland/waylandclipboardwatcher.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

constexpr int rounds = 50;

WaylandClipboardWatcher::Options textOptions(const QString &socket)
{
    WaylandClipboardWatcher::Options options;
    options.display = socket;
    options.groups = {{{u"UTF8_STRING"_s, u"text/plain;charset=utf-8"_s, u"text/plain"_s}, false}};
    return options;
}

// Runs the event loop until `content` is reported; false after 10 s.
bool waitForCopy(WaylandClipboardWatcher &watcher, const QByteArray &text)
{
    QEventLoop loop;
    bool seen = false;
    const auto connection = QObject::connect(&watcher, &WaylandClipboardWatcher::contentChanged, &loop,
                                             [&](const QMap<QString, QByteArray> &content) {
                                                 if (content.value(u"UTF8_STRING"_s) == text) {
                                                     seen = true;
                                                     loop.quit();
                                                 }
                                             });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    if (!seen)
        loop.exec();
    QObject::disconnect(connection);
    return seen;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const std::unique_ptr<HeadlessCompositor> compositor = makeHeadlessCompositor();
    HeadlessCompositor &sway = *compositor;
    QString error;
    if (!sway.start(&error))
        qFatal("no headless compositor: %s", qPrintable(error));
    WaylandClipboardWatcher watcher(textOptions(sway.socketPath()));
    if (!watcher.isAvailable())
        qFatal("no data control on the compositor");
    std::printf("data control through %s\n", qPrintable(watcher.protocolName()));

    // A copy by wl-copy, from starting the program (what a user's copy costs end to end,
    // wl-copy's own start included).
    std::vector<double> wlCopy;
    for (int i = 0; i < rounds; ++i) {
        const QByteArray text = "copy " + QByteArray::number(i);
        QProcess copy;
        copy.setProcessEnvironment(sway.clientEnvironment());
        copy.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        copy.start(u"wl-copy"_s, {QString::fromLatin1(text)});
        if (!waitForCopy(watcher, text))
            qFatal("copy %d was not reported", i);
        wlCopy.push_back(double(clock.nsecsElapsed()) / 1e6);
        copy.waitForFinished(5000);
    }
    printTimings("wl-copy started -> content reported", wlCopy);

    // 20 copies 100 ms apart, as fast as a user copies: how many are reported.
    int burst = 0;
    const auto counting = QObject::connect(&watcher, &WaylandClipboardWatcher::contentChanged, [&burst](const QMap<QString, QByteArray> &content) {
        burst += content.value(u"UTF8_STRING"_s).startsWith("burst ");
    });
    QProcess copies;
    copies.setProcessEnvironment(sway.clientEnvironment());
    copies.start(u"sh"_s, {u"-c"_s, u"for i in $(seq 1 20); do printf \"burst $i\" | wl-copy; sleep 0.1; done"_s});
    copies.waitForFinished(30000);
    waitForCopy(watcher, "burst 20");
    QObject::disconnect(counting);
    std::printf("burst of 20 copies 100 ms apart: %d reported\n", burst);

    // A copy by another data-control client of this process: the compositor and our
    // thread alone.
    std::vector<double> direct;
    WaylandClipboardWatcher other(textOptions(sway.socketPath()));
    for (int i = 0; i < rounds; ++i) {
        const QByteArray text = "direct " + QByteArray::number(i);
        QElapsedTimer clock;
        clock.start();
        other.setSelection({{u"UTF8_STRING"_s, text}});
        if (!waitForCopy(watcher, text))
            qFatal("copy %d was not reported", i);
        direct.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    printTimings("data-control copy -> content reported", direct);

    // Our content, from setSelection() until wl-paste has it (wl-paste's start included;
    // the first attempts may come before the compositor has our offer, and are retried).
    std::vector<double> pasteBack;
    for (int i = 0; i < rounds; ++i) {
        const QByteArray text = "ours " + QByteArray::number(i);
        QElapsedTimer clock;
        clock.start();
        watcher.setSelection({{u"text/plain;charset=utf-8"_s, text}});
        QByteArray pasted;
        while (pasted != text && clock.elapsed() < 10000) {
            QProcess paste;
            paste.setProcessEnvironment(sway.clientEnvironment());
            paste.start(u"wl-paste"_s, {u"--no-newline"_s, u"--type"_s, u"text/plain;charset=utf-8"_s});
            paste.waitForFinished(5000);
            pasted = paste.readAllStandardOutput();
        }
        if (pasted != text)
            qFatal("paste %d did not get our content", i);
        pasteBack.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    printTimings("setSelection -> wl-paste has the bytes", pasteBack);
    return 0;
}
