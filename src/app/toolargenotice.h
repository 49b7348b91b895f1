#pragma once

#include <QObject>

class ClipboardMonitor;
class Pasteboard;

/// A copy too large to keep is dropped, but never silently: the user is told once, and
/// again only after a copy has been kept since.
class TooLargeNotice : public QObject
{
    Q_OBJECT

public:
    TooLargeNotice(Pasteboard *pasteboard, ClipboardMonitor *monitor, QObject *parent = nullptr);

Q_SIGNALS:
    /// The user should read this.
    void noticeRequested(const QString &title, const QString &message);

private:
    void copyTooLarge(qint64 maximumBytes);

    bool m_told = false;
};
