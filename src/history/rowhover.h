#pragma once

#include "platform/scheduler.h"

#include <QObject>
#include <qqmlintegration.h>

/// When a row's preview shows: one second after the pointer came to rest on the row,
/// for as long as the pointer is on the row or on the preview, until 0.4 s after it left
/// both. Timed by the view scheduler (viewScheduler()), so tests run it on virtual time.
class RowHover : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(bool isHovered READ isHovered NOTIFY changed)
    Q_PROPERTY(bool isPopoverHovered READ isPopoverHovered NOTIFY changed)
    Q_PROPERTY(bool showPopover READ showPopover NOTIFY changed)

public:
    static constexpr std::chrono::milliseconds openDelay{1000};
    static constexpr std::chrono::milliseconds closeDelay{400};

    explicit RowHover(QObject *parent = nullptr);

    [[nodiscard]] bool isHovered() const { return m_isHovered; }
    [[nodiscard]] bool isPopoverHovered() const { return m_isPopoverHovered; }
    [[nodiscard]] bool showPopover() const { return m_showPopover; }

    Q_INVOKABLE void rowEntered();
    Q_INVOKABLE void rowExited();
    Q_INVOKABLE void popoverEntered();
    Q_INVOKABLE void popoverExited();

Q_SIGNALS:
    void changed();

private:
    void scheduleDismiss();

    bool m_isHovered = false;
    bool m_isPopoverHovered = false;
    bool m_showPopover = false;
    ScheduledTask m_hoverTimer;
    ScheduledTask m_dismissTimer;
};
