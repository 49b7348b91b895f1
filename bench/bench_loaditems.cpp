// The panel's reload (ClipListViewModel::loadItems) on a large history, and how long a
// launch takes to reach running capture with that history.
//
//   bench_loaditems [path to the jotterly executable]

#include "benchstats.h"
#include "platform/mimedatapasteboard.h"
#include "history/cliplistviewmodel.h"
#include "platform/manualscheduler.h"
#include "settings/preferencedefaults.h"
#include "settings/preferences.h"
#include "store/historystore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

// 50 pinned and 500 unpinned items, 100 of the unpinned ones 5 MB images.
void populate(const QString &path)
{
    QString error;
    auto store = createHistoryStore(path, &error);
    if (!store)
        qFatal("%s", qPrintable(error));
    qint64 clock = 1'700'000'000'000;
    const auto add = [&](ClipItemPtr item, bool pinned) {
        item->setIsPinned(pinned);
        item->setTimestamp(QDateTime::fromMSecsSinceEpoch(clock += 1000, Qt::UTC));
        store->context->insert(item);
        (void)store->context->save();
    };
    for (int i = 0; i < 550; ++i) {
        if (i % 5 == 2 && i >= 50) {
            const QByteArray image(5 << 20, char(i));
            add(ClipItem::create(image, ClipContentType::Image, u"Image"_s, QByteArray(3000, 't'), std::nullopt,
                                 computeContentHash(ClipContentType::Image, image)),
                false);
        } else {
            const QString text = u"copied paragraph number %1 about things "_s.arg(i).repeated(6);
            add(ClipItem::create(text.toUtf8(), ClipContentType::Text, makeTextPreview(text), std::nullopt, std::nullopt,
                                 computeContentHash(ClipContentType::Text, text.toUtf8())),
                i < 50);
        }
    }
}

void measureReloads(const QString &folder)
{
    QString error;
    auto store = createHistoryStore(folder + u"/data/jotterly/history.sqlite"_s, &error);
    Preferences preferences(folder + u"/jotterly.conf"_s);
    registerPreferenceDefaults(preferences);
    preferences.setInteger(u"historyLimit"_s, 500);
    MimeDataPasteboard pasteboard;
    ManualScheduler scheduler;
    ClipListViewModel list(&pasteboard, &scheduler);
    list.configure(store->context.get(), nullptr, preferences);

    for (const QString &query : {QString(), u"number 3"_s, u"image"_s}) {
        list.setSearchText(query);
        std::vector<double> timings;
        for (int i = 0; i < 50; ++i) {
            QElapsedTimer timer;
            timer.start();
            list.loadItems();
            timings.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        printTimings(qPrintable(u"loadItems, %1 rows, search \"%2\""_s.arg(list.displayedItems().size()).arg(query)),
                     timings);
    }
    list.setSearchText({});
    list.loadItems();
    const auto rows = list.displayedItems();
    const auto loaded = std::count_if(rows.cbegin(), rows.cend(), [](const auto &item) { return item->areLargeFieldsLoaded(); });
    std::printf("  items whose content was read from disk: %lld of %lld\n", qlonglong(loaded), qlonglong(rows.size()));
}

void measureLaunch(const QString &folder, const QString &executable)
{
    std::vector<double> timings;
    for (int i = 0; i < 5; ++i) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_DATA_HOME"_s, folder + u"/data"_s);
        env.insert(u"XDG_CONFIG_HOME"_s, folder + u"/config"_s);
        env.insert(u"XDG_RUNTIME_DIR"_s, folder);
        env.insert(u"QT_LOGGING_RULES"_s, u"jotterly.app.debug=true"_s);
        if (!env.contains(u"DISPLAY"_s))
            env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        QProcess app;
        app.setProcessEnvironment(env);
        app.setProcessChannelMode(QProcess::MergedChannels);
        QElapsedTimer timer;
        timer.start();
        app.start(executable, {});
        QByteArray output;
        while (!output.contains("monitoring started") && app.waitForReadyRead(20000))
            output += app.readAll();
        timings.push_back(double(timer.nsecsElapsed()) / 1e6);
        app.terminate();
        app.waitForFinished();
    }
    printTimings("process start -> monitoring running", timings);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    populate(dir.filePath(u"data/jotterly/history.sqlite"_s));
    std::printf("history: 50 pinned, 500 unpinned of which 100 are 5 MB images\n");
    measureReloads(dir.path());
    if (argc > 1)
        measureLaunch(dir.path(), QString::fromLocal8Bit(argv[1]));
    return 0;
}
