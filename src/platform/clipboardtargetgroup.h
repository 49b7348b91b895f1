#pragma once

#include <QStringList>

/// Target (MIME type) names that stand for one representation of a copy, most preferred
/// first: a clipboard watcher reads at most one of them. Once a conclusive group has been
/// read, nothing more is (a picture wins over anything else offered).
struct ClipboardTargetGroup {
    QStringList targets;
    bool conclusive = false;
};
