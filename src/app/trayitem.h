#pragma once

#include <QIcon>
#include <QObject>
#include <QRect>

class QSystemTrayIcon;

/// jotterly's icon in the system tray: a paperclip, filled while a paste queue runs.
/// A primary click asks for the panel. Without a tray the program runs on without it.
class TrayItem : public QObject
{
    Q_OBJECT

public:
    explicit TrayItem(QObject *parent = nullptr);
    ~TrayItem() override;

    /// Whether a tray shows the icon.
    [[nodiscard]] bool isAvailable() const;
    /// Where the icon is on screen; empty when the tray does not say.
    [[nodiscard]] QRect geometry() const;
    /// Shows the queue-active look, or the idle one.
    void setQueueActive(bool active);
    [[nodiscard]] QString accessibleDescription() const;
    /// A passing message from the icon (a desktop notification where the tray offers them).
    void showMessage(const QString &title, const QString &message);

    /// One of our symbols drawn as an icon in `color`.
    [[nodiscard]] static QIcon symbolIcon(const QString &name, const QColor &color);

Q_SIGNALS:
    void clicked();

private:
    QSystemTrayIcon *m_icon = nullptr;
};
