#include "capture/imagecapture.h"

#include "capture/clipboardmonitor.h"
#include "platform/pasteboard.h"
#include "store/modelcontext.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPointer>
#include <QThreadPool>

#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <mutex>

using namespace Qt::StringLiterals;

namespace {

void allowLargeImages()
{
    // Qt refuses images over 128 MiB by default; a 40-megapixel screenshot needs 160.
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(1024); });
}

} // namespace

QThreadPool &thumbnailPool()
{
    // Made on the main thread at the first picture, a child of the application so that
    // it waits for its jobs before the application is gone.
    static QPointer<QThreadPool> pool;
    if (!pool) {
        pool = new QThreadPool(QCoreApplication::instance());
        // One decode at a time bounds memory to one picture and leaves the other cores
        // to the panel; thumbnails are not urgent.
        pool->setMaxThreadCount(1);
    }
    return *pool;
}

QImage decodePicture(const QByteArray &imageBytes, const std::function<QSize(QSize)> &sizeFor)
{
    allowLargeImages();
    QBuffer buffer;
    buffer.setData(imageBytes);
    QImageReader reader(&buffer);
    // Only the header is read for the size: a picture beyond the budget is refused
    // before a single pixel is decoded.
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || qint64(size.width()) * size.height() > decodablePixels)
        return {};
    const QSize wanted = sizeFor(size);
    // Formats that can decode at a smaller size do so; the rest are scaled after.
    if (wanted != size && reader.supportsOption(QImageIOHandler::ScaledSize))
        reader.setScaledSize(wanted);
    QImage image = reader.read();
    if (!image.isNull() && image.size() != wanted)
        image = image.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

std::optional<QByteArray> makeThumbnail(const QByteArray &imageBytes)
{
    // Scaled so the longer side is exactly 60; small pictures are scaled up.
    const QImage image = decodePicture(imageBytes, [](QSize size) {
        const double scale = double(thumbnailSide) / double(std::max(size.width(), size.height()));
        return QSize(std::max(1, int(std::lround(size.width() * scale))),
                     std::max(1, int(std::lround(size.height() * scale))));
    });
    if (image.isNull())
        return std::nullopt;

    QByteArray png;
    QBuffer output(&png);
    output.open(QIODevice::WriteOnly);
    if (!QImageWriter(&output, "png").write(image))
        return std::nullopt;
    return png;
}

ClipItemPtr captureImage(const Pasteboard &pasteboard, ClipboardMonitor *monitor)
{
    const auto type = pasteboard.availableType({PasteboardType::PNG, PasteboardType::TIFF});
    if (!type)
        return nullptr;
    const std::optional<QByteArray> bytes = pasteboard.data(*type);
    if (!bytes)
        return nullptr;

    // Hashed where it is stored, away from the main thread.
    auto item = ClipItem::create(*bytes, ClipContentType::Image, u"Image"_s, std::nullopt, std::nullopt, QString());

    QPointer<ClipboardMonitor> weakMonitor(monitor);
    QThreadPool *pool = &thumbnailPool();
    pool->start([pool, weakMonitor, bytes = *bytes, item]() mutable {
        // Thumbnails are not urgent: the thread that draws the panel goes first.
        setpriority(PRIO_PROCESS, gettid(), 10);
        const std::optional<QByteArray> thumbnail = makeThumbnail(bytes);
        // Back to the main thread; the pool outlives every job it runs. The item
        // travels with the call, so its last reference is never dropped on this thread.
        QMetaObject::invokeMethod(
            pool,
            [weakMonitor, thumbnail, item = std::move(item)] {
                ClipboardMonitor *monitor = weakMonitor.data();
                if (!monitor)
                    return;
                item->setThumbnailData(thumbnail);
                // A failure is heard by whoever watches the context's saves; the
                // thumbnail stays pending with the rest.
                if (ModelContext *context = monitor->modelContext())
                    (void)context->save();
                monitor->notifyNewItem();
            },
            Qt::QueuedConnection);
    });
    return item;
}
