#include "history/rowformat.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

QString rowLabelText(const std::optional<QString> &preview)
{
    if (!preview || preview->isEmpty())
        return QCoreApplication::translate("RowFormat", "Unknown");
    // Line feed, carriage return, the Unicode line and paragraph separators and the other
    // vertical breaks each become one "↵".
    static const QRegularExpression lineBreaks(u"\\r\\n|[\\n\\r\\x{0B}\\x{0C}\\x{85}\\x{2028}\\x{2029}]"_s);
    return QString(*preview).replace(lineBreaks, u"↵"_s);
}

QString copiedText(const QDateTime &timestamp, const QLocale &locale)
{
    // QLocale has no medium date: it is the long one without the weekday and with the
    // month abbreviated ("Dec 6, 2026", "6. Dez. 2026").
    static const QRegularExpression weekday(u"dddd[,.]?\\s*|[,\\s]*dddd"_s);
    QString date = locale.dateFormat(QLocale::LongFormat);
    date.remove(weekday);
    date.replace(u"MMMM"_s, u"MMM"_s);
    // The short time of some locales (C among them) has seconds; a copy's minute is enough.
    static const QRegularExpression seconds(u"[:.]ss?"_s);
    const QString time = locale.timeFormat(QLocale::ShortFormat).remove(seconds);
    const QDateTime local = timestamp.toLocalTime();
    return locale.toString(local.date(), date.trimmed()) + u", "_s + locale.toString(local.time(), time);
}

std::optional<QColor> swatchColor(const ClipItem &item)
{
    const ClipContentType type = item.contentType();
    if ((type != ClipContentType::Text && type != ClipContentType::RichText) || !item.textPreview())
        return std::nullopt;
    const QString code = item.textPreview()->trimmed();
    if (!code.startsWith(u'#'))
        return std::nullopt;
    const QString digits = code.mid(1);
    bool ok = false;
    const quint64 value = digits.toULongLong(&ok, 16);
    if (!ok || digits.contains(u'+') || digits.contains(u'-') || digits.startsWith(u"0x"_s, Qt::CaseInsensitive))
        return std::nullopt;
    switch (digits.size()) {
    case 3:
        return QColor::fromRgbF(float((value >> 8) & 0xf) / 15.f, float((value >> 4) & 0xf) / 15.f,
                                float(value & 0xf) / 15.f);
    case 6:
        return QColor::fromRgb(int((value >> 16) & 0xff), int((value >> 8) & 0xff), int(value & 0xff));
    case 8:
        return QColor::fromRgb(int((value >> 24) & 0xff), int((value >> 16) & 0xff), int((value >> 8) & 0xff),
                               int(value & 0xff));
    default:
        return std::nullopt;
    }
}

QString sizeText(qint64 bytes)
{
    if (bytes < 1024)
        return u"%1 B"_s.arg(bytes);
    if (bytes < 1048576)
        return u"%1 KB"_s.arg(bytes / 1024);
    return QString::asprintf("%.1f MB", double(bytes) / 1048576.0);
}

QString typeName(ClipContentType type)
{
    switch (type) {
    case ClipContentType::Text: return QCoreApplication::translate("RowFormat", "Text");
    case ClipContentType::RichText: return QCoreApplication::translate("RowFormat", "Rich Text");
    case ClipContentType::Image: return QCoreApplication::translate("RowFormat", "Image");
    case ClipContentType::FileURL: return QCoreApplication::translate("RowFormat", "File");
    case ClipContentType::URL: return QCoreApplication::translate("RowFormat", "URL");
    }
    return QCoreApplication::translate("RowFormat", "Text");
}

QString kindSymbol(ClipContentType type)
{
    switch (type) {
    case ClipContentType::Image: return u"photo"_s;
    case ClipContentType::FileURL: return u"folder"_s;
    case ClipContentType::URL: return u"link"_s;
    default: return u"doc.text"_s;
    }
}

namespace {
const ClipItem *asItem(QObject *object)
{
    return qobject_cast<const ClipItem *>(object);
}
} // namespace

QString RowFormat::label(QObject *item) const
{
    const ClipItem *clip = asItem(item);
    return clip ? rowLabelText(clip->textPreview()) : QString();
}

QColor RowFormat::swatch(QObject *item) const
{
    const ClipItem *clip = asItem(item);
    return clip ? swatchColor(*clip).value_or(QColor()) : QColor();
}

QString RowFormat::symbol(QObject *item) const
{
    const ClipItem *clip = asItem(item);
    return clip ? kindSymbol(clip->contentType()) : QString();
}

QString RowFormat::type(QObject *item) const
{
    const ClipItem *clip = asItem(item);
    return clip ? typeName(clip->contentType()) : QString();
}

QString RowFormat::size(QObject *item) const
{
    const ClipItem *clip = asItem(item);
    return clip ? sizeText(clip->contentForOneUse().size()) : QString();
}

QString RowFormat::copied(QObject *item) const
{
    const ClipItem *clip = asItem(item);
    if (!clip)
        return {};
    return copiedText(clip->timestamp(), QLocale());
}

QString RowFormat::fullText(QObject *item) const
{
    const ClipItem *clip = asItem(item);
    if (!clip)
        return {};
    // Laying out a text takes time in proportion to its length, on the thread that draws
    // the panel: a copied 50 MB log would freeze it for minutes. The preview shows the
    // beginning and says how much there is.
    // Read for the preview only: a long text stays on disk once the preview is made.
    const QByteArray content = clip->contentForOneUse();
    const qsizetype prefix = std::min(content.size(), previewCharacterLimit * 4); // UTF-8: at most 4 bytes each
    // Cut short, the prefix may end inside a character; whole, a broken end is an error.
    const bool whole = prefix == content.size();
    QStringDecoder decoder(QStringDecoder::Utf8, whole ? QStringDecoder::Flag::Stateless : QStringDecoder::Flag::Default);
    QString text = decoder(QByteArrayView(content).first(prefix));
    if (decoder.hasError())
        return clip->textPreview().value_or(QString());
    if (text.size() <= previewCharacterLimit && whole)
        return text;
    qsizetype end = std::min(text.size(), previewCharacterLimit);
    if (end > 0 && text.at(end - 1).isHighSurrogate())
        --end;
    text.truncate(end);
    return text + u"\n\n… %1 in all: the rest is not shown here."_s.arg(sizeText(content.size()));
}

bool RowFormat::isImage(QObject *item) const
{
    const ClipItem *clip = asItem(item);
    return clip && clip->contentType() == ClipContentType::Image;
}

bool RowFormat::isLongText(const QString &text) const
{
    return makeTextPreview(text, 300) != text;
}
