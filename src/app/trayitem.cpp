#include "app/trayitem.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QSvgRenderer>
#include <QSystemTrayIcon>

using namespace Qt::StringLiterals;

QIcon TrayItem::symbolIcon(const QString &name, const QColor &color)
{
    QFile file(u":/jotterly/symbols/%1.svg"_s.arg(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray svg = file.readAll();
    svg.replace("currentColor", color.name().toLatin1());
    QSvgRenderer renderer(svg);
    QIcon icon;
    for (int side : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        icon.addPixmap(pixmap);
    }
    return icon;
}

TrayItem::TrayItem(QObject *parent)
    : QObject(parent)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_icon = new QSystemTrayIcon(this);
    setQueueActive(false);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            Q_EMIT clicked();
    });
    m_icon->show();
}

TrayItem::~TrayItem() = default;

bool TrayItem::isAvailable() const
{
    return m_icon && m_icon->isVisible();
}

QRect TrayItem::geometry() const
{
    return m_icon ? m_icon->geometry() : QRect();
}

void TrayItem::setQueueActive(bool active)
{
    if (!m_icon)
        return;
    const QColor ink = QGuiApplication::palette().color(QPalette::WindowText);
    m_icon->setIcon(active ? symbolIcon(u"paperclip.circle.fill"_s, QColor(0xff, 0x95, 0x00))
                           : symbolIcon(u"paperclip"_s, ink));
    m_icon->setToolTip(active ? tr("jotterly - Paste Queue Active") : u"jotterly"_s);
}

QString TrayItem::accessibleDescription() const
{
    return m_icon ? m_icon->toolTip() : QString();
}

void TrayItem::showMessage(const QString &title, const QString &message)
{
    if (m_icon)
        m_icon->showMessage(title, message, QSystemTrayIcon::Warning);
}
