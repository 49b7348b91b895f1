// The store's share of capturing one copy: look up the newest item, build the new one,
// insert, save and trim, at several history limits.

#include "benchstats.h"
#include "store/historystore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

ClipItemPtr textItem(const QString &text)
{
    const QByteArray content = text.toUtf8();
    return ClipItem::create(content, ClipContentType::Text, makeTextPreview(text), std::nullopt, std::nullopt,
                            computeContentHash(ClipContentType::Text, content));
}

HistoryStore openStore(const QTemporaryDir &dir)
{
    QString error;
    auto store = createHistoryStore(dir.filePath(u"history.sqlite"_s), &error);
    if (!store)
        qFatal("%s", qPrintable(error));
    return std::move(*store);
}

void measure(int limit)
{
    QTemporaryDir dir;
    HistoryStore store = openStore(dir);
    ModelContext &context = *store.context;

    // A full history: the limit's worth of unpinned items and a few pinned ones.
    for (int i = 0; i < 10; ++i) {
        auto item = textItem(u"pinned snippet %1"_s.arg(i));
        item->setIsPinned(true);
        context.insert(item);
    }
    for (int i = 0; i < limit; ++i)
        context.insert(textItem(u"copied paragraph %1 "_s.arg(i).repeated(20)));
    (void)context.save();

    std::vector<double> timings;
    for (int i = 0; i < 300; ++i) {
        const QString text = u"new copy %1 "_s.arg(i).repeated(30);
        QElapsedTimer timer;
        timer.start();
        auto item = textItem(text);
        const ClipItemPtr newest = fetchNewestItem(context);
        if (!newest || newest->contentHash() != item->contentHash()) {
            context.insert(item);
            (void)context.save();
            trimHistory(context, limit);
        }
        timings.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    printTimings(qPrintable(u"capture path, history limit %1"_s.arg(limit)), timings);
}

// What the main thread spends on one huge picture, step by step: the hash, the save of
// the new row, and the save that adds its thumbnail (which rewrites the whole row).
void measureHugePicture(qsizetype bytes)
{
    QTemporaryDir dir;
    HistoryStore store = openStore(dir);
    ModelContext &context = *store.context;
    std::vector<double> hashing, saving, thumbnailSaving;
    for (int i = 0; i < 5; ++i) {
        const QByteArray content(bytes, char('a' + i));
        QElapsedTimer timer;
        timer.start();
        auto item = ClipItem::create(content, ClipContentType::Image, u"Image"_s, std::nullopt, std::nullopt,
                                     computeContentHash(ClipContentType::Image, content));
        hashing.push_back(double(timer.nsecsElapsed()) / 1e6);
        timer.restart();
        context.insert(item);
        (void)context.save();
        trimHistory(context, 100);
        saving.push_back(double(timer.nsecsElapsed()) / 1e6);
        timer.restart();
        item->setThumbnailData(QByteArray(20 * 1024, 't'));
        (void)context.save();
        thumbnailSaving.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    const QString size = u"%1 MB picture"_s.arg(bytes / (1024 * 1024));
    printTimings(qPrintable(size + u": hash"_s), hashing);
    printTimings(qPrintable(size + u": insert + save + trim"_s), saving);
    printTimings(qPrintable(size + u": thumbnail save"_s), thumbnailSaving);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::printf("fetchNewestItem + insert + save + trimHistory (each save synced to disk)\n");
    for (int limit : {100, 500, 5000})
        measure(limit);
    measureHugePicture(qsizetype(120) * 1024 * 1024);
    return 0;
}
