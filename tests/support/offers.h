#pragma once

// The clipboard offers of real programs, recorded in tests/data/offers (see its README).

#include <QDir>
#include <QFile>
#include <QMap>

/// The files of the offer recorded in `tests/data/offers/NAME`, by target name.
inline QMap<QString, QString> recordedOfferFiles(const QString &name)
{
    const QDir dir(QStringLiteral(OFFERS_DIR "/") + name);
    QFile list(dir.filePath(QStringLiteral("TARGETS")));
    if (!list.open(QIODevice::ReadOnly))
        return {};
    QMap<QString, QString> files;
    for (const QByteArray &line : list.readAll().split('\n')) {
        QString fileName = QString::fromUtf8(line);
        for (const char16_t c : {u'/', u';', u'=', u' '})
            fileName.replace(QChar(c), u'_');
        if (!line.isEmpty() && line != "TARGETS" && dir.exists(fileName))
            files.insert(QString::fromUtf8(line), dir.filePath(fileName));
    }
    return files;
}

/// What the program offered: bytes by target name.
inline QMap<QString, QByteArray> recordedOffer(const QString &name)
{
    QMap<QString, QByteArray> offer;
    const auto files = recordedOfferFiles(name);
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        QFile file(it.value());
        if (file.open(QIODevice::ReadOnly))
            offer.insert(it.key(), file.readAll());
    }
    return offer;
}
