#include "history/pasteback.h"

#include "platform/pasteboard.h"
#include "store/clipitem.h"

#include <QStringDecoder>

#include <optional>

namespace {

std::optional<QString> decodeUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool isTiff(const QByteArray &bytes)
{
    return bytes.startsWith(QByteArrayView("II*\0", 4)) || bytes.startsWith(QByteArrayView("MM\0*", 4));
}

} // namespace

void writeItemToPasteboard(Pasteboard &pasteboard, const ClipItem &item)
{
    pasteboard.clearContents();
    const QByteArray content = item.content();
    switch (item.contentType()) {
    case ClipContentType::Text:
        if (const auto text = decodeUtf8(content))
            pasteboard.setString(*text, PasteboardType::String);
        break;
    case ClipContentType::RichText:
        if (const auto text = decodeUtf8(content))
            pasteboard.setString(*text, PasteboardType::String);
        if (const auto rich = item.richTextData())
            pasteboard.setData(*rich, richTextType(*rich));
        break;
    case ClipContentType::Image:
        // Under the type its bytes are in: a TIFF labelled PNG is refused by every reader.
        pasteboard.setData(content, isTiff(content) ? PasteboardType::TIFF : PasteboardType::PNG);
        break;
    case ClipContentType::FileURL:
        if (const auto path = decodeUtf8(content)) {
            pasteboard.writeURLs({QUrl::fromLocalFile(*path)});
            // Editors and terminals paste the path, as from a file manager.
            pasteboard.setString(*path, PasteboardType::String);
        }
        break;
    case ClipContentType::URL:
        // Text only, as a browser's "Copy Link" offers it: programs here take a URL list
        // (text/uri-list, text/x-moz-url) for files to open or insert, not text.
        if (const auto text = decodeUtf8(content))
            pasteboard.setString(*text, PasteboardType::String);
        break;
    }
}
