// The two list fetches of the history panel (every pinned item, the newest 500
// unpinned) on a store that also holds 100 large images, and the peak memory they take.
// Each store is filled by one child process and measured by another, so the figures
// are those of a freshly launched program.

#include "benchstats.h"
#include "store/historystore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

qint64 statusKiB(const char *field)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').constFirst().toLongLong();
    }
    return -1;
}

HistoryStore open(const QString &path)
{
    QString error;
    auto store = createHistoryStore(path, &error);
    if (!store)
        qFatal("%s", qPrintable(error));
    return std::move(*store);
}

int populate(const QString &path, int imageBytes)
{
    auto store = open(path);
    ModelContext &context = *store.context;
    const QByteArray thumbnail(3000, 't');
    for (int i = 0; i < 100; ++i) {
        QByteArray image(imageBytes, char(i));
        auto item = ClipItem::create(image, ClipContentType::Image, u"Image"_s, thumbnail, std::nullopt,
                                     computeContentHash(ClipContentType::Image, image));
        item->setIsPinned(i % 10 == 0);
        context.insert(item);
        (void)context.save(); // one image per transaction, as capture does
    }
    for (int i = 0; i < 600; ++i) {
        const QByteArray text = u"copied text %1 "_s.arg(i).repeated(15).toUtf8();
        auto item = ClipItem::create(text, ClipContentType::Text, makeTextPreview(QString::fromUtf8(text)),
                                     std::nullopt, std::nullopt, computeContentHash(ClipContentType::Text, text));
        item->setIsPinned(i % 50 == 0);
        context.insert(item);
    }
    return context.save() ? 0 : 1;
}

int measure(const QString &path)
{
    QElapsedTimer openTimer;
    openTimer.start();
    auto store = open(path);
    const double openMs = double(openTimer.nsecsElapsed()) / 1e6;
    const qint64 baseline = statusKiB("VmHWM:");

    FetchDescriptor pinned;
    pinned.isPinned = true;
    FetchDescriptor history;
    history.isPinned = false;
    history.fetchLimit = 500;

    std::vector<double> cold, warm;
    qsizetype listed = 0;
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer timer;
        timer.start();
        // The first round builds every object; later ones find them in the identity map
        // only while something holds them, so drop them to measure cold fetches too.
        auto pinnedItems = store.context->fetch(pinned).items;
        auto historyItems = store.context->fetch(history).items;
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        listed = pinnedItems.size() + historyItems.size();
        (i % 2 ? warm : cold).push_back(ms);
        if (i % 2)
            continue;
        // Keep this round's objects alive through the next (warm) round.
        QElapsedTimer again;
        again.start();
        auto pinnedAgain = store.context->fetch(pinned).items;
        auto historyAgain = store.context->fetch(history).items;
        warm.push_back(double(again.nsecsElapsed()) / 1e6);
    }
    std::printf("  open (schema and page check): %.1f ms; %lld items listed\n", openMs, qlonglong(listed));
    printTimings("  both fetches, new objects", cold);
    printTimings("  both fetches, objects already held", warm);
    std::printf("  peak resident memory: %lld KiB after open, %lld KiB after the fetches\n", qlonglong(baseline),
                qlonglong(statusKiB("VmHWM:")));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args.at(1) == u"populate"_s)
        return populate(args.at(2), args.at(3).toInt());
    if (args.size() == 3 && args.at(1) == u"measure"_s)
        return measure(args.at(2));

    QTemporaryDir dir;
    for (int imageBytes : {50 * 1024, 5 * 1024 * 1024}) {
        const QString path = dir.filePath(u"store-%1/history.sqlite"_s.arg(imageBytes));
        std::printf("store with 100 images of %d KiB, 600 texts (30 pinned items in all)\n", imageBytes / 1024);
        if (QProcess::execute(app.applicationFilePath(), {u"populate"_s, path, QString::number(imageBytes)}) != 0)
            qFatal("populating failed");
        std::fflush(stdout);
        QProcess::execute(app.applicationFilePath(), {u"measure"_s, path});
    }
    return 0;
}
