#include "history/imageproviders.h"

#include "capture/imagecapture.h"
#include "store/clipitem.h"

#include <QFile>
#include <QHash>
#include <QIcon>
#include <QMutex>
#include <QPainter>
#include <QQmlEngine>
#include <QSvgRenderer>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

namespace {

// Keys of whole pictures (as opposed to thumbnails) start with this.
const QString previewPrefix = u"full-"_s;

// Bytes handed from the main thread to the loader thread, a few at a time: thumbnails
// are small, whole pictures are dropped once newer ones come.
class ImageBytes
{
public:
    static ImageBytes &instance()
    {
        static ImageBytes bytes;
        return bytes;
    }

    void put(const QString &key, const QByteArray &data)
    {
        const QMutexLocker lock(&m_mutex);
        if (m_data.contains(key))
            return;
        // One whole picture at a time: it is needed only until its preview is decoded.
        if (key.startsWith(previewPrefix))
            dropPictures();
        m_order.append(key);
        m_data.insert(key, data);
        m_size += data.size();
        while (m_order.size() > 1 && (m_size > maxBytes || m_order.size() > maxEntries)) {
            m_size -= m_data.take(m_order.takeFirst()).size();
        }
    }

    QByteArray get(const QString &key) const
    {
        const QMutexLocker lock(&m_mutex);
        return m_data.value(key);
    }

    void remove(const QString &key)
    {
        const QMutexLocker lock(&m_mutex);
        if (m_order.removeOne(key))
            m_size -= m_data.take(key).size();
    }

    void removePictures()
    {
        const QMutexLocker lock(&m_mutex);
        dropPictures();
    }

private:
    // With the mutex held.
    void dropPictures()
    {
        for (qsizetype i = m_order.size() - 1; i >= 0; --i) {
            if (m_order.at(i).startsWith(previewPrefix))
                m_size -= m_data.take(m_order.takeAt(i)).size();
        }
    }

    static constexpr qsizetype maxBytes = 48 << 20;
    static constexpr qsizetype maxEntries = 1000;
    mutable QMutex m_mutex;
    QHash<QString, QByteArray> m_data;
    QStringList m_order;
    qsizetype m_size = 0;
};

// The last whole picture shown, at the size shown: resting on the same row again does
// not decode a large picture again while the panel is open.
class LastPreview
{
public:
    static LastPreview &instance()
    {
        static LastPreview preview;
        return preview;
    }

    QImage get(const QString &id, QSize requestedSize) const
    {
        const QMutexLocker lock(&m_mutex);
        return m_id == id && m_requestedSize == requestedSize ? m_image : QImage();
    }

    void set(const QString &id, QSize requestedSize, const QImage &image)
    {
        const QMutexLocker lock(&m_mutex);
        m_id = id;
        m_requestedSize = requestedSize;
        m_image = image;
    }

    void clear() { set({}, {}, {}); }

private:
    mutable QMutex m_mutex;
    QString m_id;
    QSize m_requestedSize;
    QImage m_image;
};

class ClipImageProvider : public QQuickImageProvider
{
public:
    ClipImageProvider()
        : QQuickImageProvider(QQuickImageProvider::Image, QQmlImageProviderBase::ForceAsynchronousImageLoading)
    {
    }

    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override
    {
        const bool sized = requestedSize.isValid() && !requestedSize.isEmpty();
        QImage image = LastPreview::instance().get(id, requestedSize);
        if (image.isNull()) {
            // Decoded straight at the size shown where the format allows; a picture
            // beyond the pixel budget is not decoded at all.
            image = decodePicture(ImageBytes::instance().get(id), [&](QSize original) {
                const QSize fitted = sized ? original.scaled(requestedSize, Qt::KeepAspectRatio) : original;
                return fitted.width() < original.width() ? fitted : original;
            });
            if (id.startsWith(previewPrefix) && !image.isNull())
                LastPreview::instance().set(id, requestedSize, image);
        }
        // The decoded preview is kept; the copied bytes are not needed again, also when
        // the preview was already there and they were not even read.
        if (id.startsWith(previewPrefix) && !image.isNull())
            ImageBytes::instance().remove(id);
        // Bytes that do not decode are kept as they were copied; the preview shows that
        // there is a picture it cannot draw rather than failing.
        if (image.isNull())
            image = unreadablePicture(sized ? requestedSize : QSize(60, 60));
        if (size)
            *size = image.size();
        return image;
    }

private:
    static QImage unreadablePicture(QSize size)
    {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QFile file(u":/jotterly/symbols/photo.svg"_s);
        if (file.open(QIODevice::ReadOnly)) {
            QByteArray svg = file.readAll();
            svg.replace("currentColor", QColor(Qt::gray).name().toLatin1());
            QSvgRenderer renderer(svg);
            const int side = std::min(size.width(), size.height());
            QPainter painter(&image);
            renderer.render(&painter, QRectF((size.width() - side) / 2.0, (size.height() - side) / 2.0, side, side));
        }
        return image;
    }
};

// Symbols of the panel: the desktop's icon theme where it has one, else our own drawing
// in the colour asked for.
class SymbolProvider : public QQuickImageProvider
{
public:
    SymbolProvider()
        : QQuickImageProvider(QQuickImageProvider::Image)
    {
    }

    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override
    {
        const QUrl url(id);
        const QString name = url.path();
        const QColor color(QUrlQuery(url).queryItemValue(u"color"_s, QUrl::FullyDecoded));
        const QSize target = requestedSize.isValid() && !requestedSize.isEmpty() ? requestedSize : QSize(16, 16);

        static const QHash<QString, QString> themeNames = {
            {u"doc.text"_s, u"text-x-generic"_s},  {u"photo"_s, u"image-x-generic"_s},
            {u"folder"_s, u"folder"_s},            {u"link"_s, u"insert-link"_s},
            {u"gear"_s, u"preferences-system"_s},  {u"power"_s, u"application-exit"_s},
            {u"magnifyingglass"_s, u"edit-find"_s}, {u"xmark.circle.fill"_s, u"edit-clear"_s},
            {u"doc.on.clipboard"_s, u"edit-paste"_s},
        };
        QImage image(target, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        const QString theme = themeNames.value(name);
        if (!theme.isEmpty() && QIcon::hasThemeIcon(theme)) {
            image = QIcon::fromTheme(theme).pixmap(target).toImage();
        } else {
            QFile file(u":/jotterly/symbols/%1.svg"_s.arg(name));
            if (file.open(QIODevice::ReadOnly)) {
                QByteArray svg = file.readAll();
                svg.replace("currentColor", (color.isValid() ? color : QColor(Qt::gray)).name().toLatin1());
                QSvgRenderer renderer(svg);
                QPainter painter(&image);
                renderer.render(&painter);
            }
        }
        if (size)
            *size = image.size();
        return image;
    }
};

const ClipItem *asItem(QObject *object)
{
    return qobject_cast<const ClipItem *>(object);
}

} // namespace

void installImageProviders(QQmlEngine &engine)
{
    engine.addImageProvider(u"clip"_s, new ClipImageProvider);
    engine.addImageProvider(u"symbol"_s, new SymbolProvider);
}

void releasePictureMemory()
{
    ImageBytes::instance().removePictures();
    LastPreview::instance().clear();
}

QString ClipImages::thumbnail(QObject *item) const
{
    const ClipItem *clip = asItem(item);
    if (!clip || !clip->thumbnailData())
        return {};
    // The key changes with the bytes, so a new thumbnail is a new image.
    const QString key = u"thumb-%1-%2"_s.arg(clip->id().toString(QUuid::WithoutBraces)).arg(qHash(*clip->thumbnailData()));
    ImageBytes::instance().put(key, *clip->thumbnailData());
    return u"image://clip/"_s + key;
}

QString ClipImages::picture(QObject *item) const
{
    const ClipItem *clip = asItem(item);
    if (!clip)
        return {};
    const QString key = previewPrefix + clip->id().toString(QUuid::WithoutBraces);
    ImageBytes::instance().put(key, clip->contentForOneUse());
    return u"image://clip/"_s + key;
}
