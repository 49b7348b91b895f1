#pragma once

#include "store/clipitem.h"

#include <QtQml/qqml.h>

/// A history item as the rows see it: made by the store alone, never by a view.
struct ClipItemForeign
{
    Q_GADGET
    QML_FOREIGN(ClipItem)
    QML_NAMED_ELEMENT(ClipItem)
    QML_UNCREATABLE("Items come from the history store.")
};
