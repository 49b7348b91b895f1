#include "app/toolargenotice.h"

#include "app/logging.h"
#include "capture/clipboardmonitor.h"
#include "platform/pasteboard.h"

#include <QLocale>

TooLargeNotice::TooLargeNotice(Pasteboard *pasteboard, ClipboardMonitor *monitor, QObject *parent)
    : QObject(parent)
{
    connect(pasteboard, &Pasteboard::copyTooLarge, this, &TooLargeNotice::copyTooLarge);
    connect(monitor, &ClipboardMonitor::itemStored, this, [this] { m_told = false; });
}

void TooLargeNotice::copyTooLarge(qint64 maximumBytes)
{
    const QString size = QLocale().formattedDataSize(maximumBytes, 0);
    qCWarning(lcApp).noquote() << "a copy was not kept: it is larger than" << size;
    if (m_told)
        return;
    m_told = true;
    Q_EMIT noticeRequested(
        tr("A copy was not kept"),
        tr("What you copied is larger than %1, more than jotterly keeps. Everything else is recorded as usual.").arg(size));
}
