#include "store/clipcontenttype.h"

using namespace Qt::StringLiterals;

QString rawValue(ClipContentType type)
{
    switch (type) {
    case ClipContentType::Text:
        return u"text"_s;
    case ClipContentType::RichText:
        return u"richText"_s;
    case ClipContentType::Image:
        return u"image"_s;
    case ClipContentType::FileURL:
        return u"fileURL"_s;
    case ClipContentType::URL:
        return u"url"_s;
    }
    Q_UNREACHABLE();
    return u"text"_s;
}

std::optional<ClipContentType> clipContentTypeFromRaw(const QString &raw)
{
    for (auto type : {ClipContentType::Text, ClipContentType::RichText, ClipContentType::Image,
                      ClipContentType::FileURL, ClipContentType::URL}) {
        if (raw == rawValue(type))
            return type;
    }
    return std::nullopt;
}
