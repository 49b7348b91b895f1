#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>

/// A plain picture of the given size, encoded in `format` ("png", "tiff", "jpeg").
inline QByteArray encodedImage(int width, int height, const char *format)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}
