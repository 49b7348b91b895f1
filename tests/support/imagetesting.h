#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>

/// A plain picture of the given size, encoded in `format` ("png", "tiff", "jpeg"); one
/// bit per pixel makes a large size in a small file.
inline QByteArray encodedImage(int width, int height, const char *format, QImage::Format pixels = QImage::Format_RGB32)
{
    QImage image(width, height, pixels);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}
