#pragma once

#include "store/clipitem.h"

#include <QColor>
#include <QDateTime>
#include <QLocale>
#include <QObject>
#include <QString>
#include <qqmlintegration.h>

#include <optional>

/// The one-line label of a row: the preview with its lines joined by "↵", or "Unknown".
[[nodiscard]] QString rowLabelText(const std::optional<QString> &preview);
/// The colour a text item names when its preview is a colour code (#rgb, #rrggbb or
/// #rrggbbaa, white space around allowed); none otherwise.
[[nodiscard]] std::optional<QColor> swatchColor(const ClipItem &item);
/// A byte count as "900 B", "1 KB" or "2.4 MB".
[[nodiscard]] QString sizeText(qint64 bytes);
/// The kind as the preview's facts name it: "Text", "Rich Text", "Image", "File", "URL".
[[nodiscard]] QString typeName(ClipContentType type);
/// The symbol of a kind: "doc.text", "photo", "folder" or "link".
[[nodiscard]] QString kindSymbol(ClipContentType type);
/// When an item was copied, in the locale's medium date and short time, in local time.
[[nodiscard]] QString copiedText(const QDateTime &timestamp, const QLocale &locale);

/// The row texts for QML, for one item at a time.
class RowFormat : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    Q_INVOKABLE QString label(QObject *item) const;
    /// The swatch colour, or an invalid colour when there is none.
    Q_INVOKABLE QColor swatch(QObject *item) const;
    Q_INVOKABLE QString symbol(QObject *item) const;
    Q_INVOKABLE QString type(QObject *item) const;
    Q_INVOKABLE QString size(QObject *item) const;
    /// The copy time with a medium date and a short time, in the user's locale.
    Q_INVOKABLE QString copied(QObject *item) const;
    /// At most this many UTF-16 units of a text are shown in its preview.
    static constexpr qsizetype previewCharacterLimit = 20000;

    /// The text the preview shows: the content as UTF-8 (its first previewCharacterLimit
    /// units and a line that says how large it is, when it is longer), else the preview,
    /// else "".
    Q_INVOKABLE QString fullText(QObject *item) const;
    Q_INVOKABLE bool isImage(QObject *item) const;
    /// Whether a text has more than 300 characters (and so scrolls in the preview).
    Q_INVOKABLE bool isLongText(const QString &text) const;
};
