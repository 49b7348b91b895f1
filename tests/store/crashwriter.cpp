// Saves items into the store at argv[1] in a loop, printing each item's name once its
// save has returned, until it is killed.

#include "store/historystore.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QString prefix = QString::fromLocal8Bit(argv[2]);
    QString error;
    auto store = createHistoryStore(QString::fromLocal8Bit(argv[1]), &error);
    if (!store) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    ClipItemPtr previous;
    for (int n = 0;; ++n) {
        const QString name = prefix + QString::number(n);
        // Sizes from a few bytes to several pages, so saves touch overflow pages too.
        const QByteArray content = name.toUtf8() + QByteArray((n * 7919) % 40000, 'x');
        auto item = ClipItem::create(content, ClipContentType::Text, name, std::nullopt, std::nullopt,
                                     computeContentHash(ClipContentType::Text, content));
        store->context->insert(item);
        if (previous && n % 5 == 0)
            previous->setIsPinned(true);
        if (store->context->save()) {
            std::printf("%s\n", qPrintable(name));
            std::fflush(stdout);
        }
        previous = item;
    }
}
