#pragma once

#include <QObject>
#include <QQuickImageProvider>
#include <qqmlintegration.h>

class QQmlEngine;

/// Installs the panel's image providers on `engine`: "symbol" (named symbols in a
/// colour: image://symbol/photo?color=#ff9500) and "clip" (thumbnails and pictures of
/// history items, handed over by ClipImages).
void installImageProviders(QQmlEngine &engine);

/// Drops the whole pictures that previews were made from and the last preview decoded,
/// for when the panel closes: thumbnails stay, as the panel shows them at once.
void releasePictureMemory();

/// Where the panel gets the pictures of items: the bytes are read on the main thread
/// and decoded by Qt Quick's loader thread, scaled to the size the view asks for.
class ClipImages : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    /// The source of the item's thumbnail; empty when it has none.
    Q_INVOKABLE QString thumbnail(QObject *item) const;
    /// The source of the item's whole picture.
    Q_INVOKABLE QString picture(QObject *item) const;
};
