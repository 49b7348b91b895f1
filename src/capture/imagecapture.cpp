#include "capture/imagecapture.h"

#include "capture/clipboardmonitor.h"
#include "capture/pasteboard.h"
#include "store/modelcontext.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPointer>
#include <QThreadPool>

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

std::optional<QByteArray> makeThumbnail(const QByteArray &imageBytes)
{
    QBuffer buffer;
    buffer.setData(imageBytes);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return std::nullopt;

    // Scaled so the longer side is exactly 60; small pictures are scaled up.
    const double scale = double(thumbnailSide) / double(std::max(size.width(), size.height()));
    const QSize thumbnailSize(std::max(1, int(std::lround(size.width() * scale))),
                              std::max(1, int(std::lround(size.height() * scale))));
    // Formats that can decode at a smaller size (JPEG) do so; the rest are scaled after.
    if (reader.supportsOption(QImageIOHandler::ScaledSize))
        reader.setScaledSize(thumbnailSize);
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    if (image.size() != thumbnailSize)
        image = image.scaled(thumbnailSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

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

    allowLargeImages();
    QPointer<ClipboardMonitor> weakMonitor(monitor);
    QThreadPool::globalInstance()->start([weakMonitor, bytes = *bytes, item]() mutable {
        const std::optional<QByteArray> thumbnail = makeThumbnail(bytes);
        // Back to the main thread; the application object outlives every job. The item
        // travels with the call, so its last reference is never dropped on this thread.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
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
