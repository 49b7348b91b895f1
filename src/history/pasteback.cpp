#include "history/pasteback.h"

#include "capture/pasteboard.h"
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
        if (const auto rtf = item.richTextData())
            pasteboard.setData(*rtf, PasteboardType::RTF);
        break;
    case ClipContentType::Image:
        // Written as PNG whatever it was captured as.
        pasteboard.setData(content, PasteboardType::PNG);
        break;
    case ClipContentType::FileURL:
        if (const auto path = decodeUtf8(content))
            pasteboard.writeURLs({QUrl::fromLocalFile(*path)});
        break;
    case ClipContentType::URL:
        if (const auto text = decodeUtf8(content)) {
            pasteboard.setString(*text, PasteboardType::String);
            const QUrl url(*text, QUrl::StrictMode);
            if (url.isValid() && !url.scheme().isEmpty()) {
                pasteboard.setString(*text, PasteboardType::URL);
                pasteboard.writeURLs({url});
            }
        }
        break;
    }
}
