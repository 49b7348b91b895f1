#pragma once

#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QRect>

class ClipListViewModel;
class PasteQueueManager;
class QQmlEngine;
class QQuickWindow;

/// The history panel's window: frameless and transient, the panel's own size, under
/// the tray icon (or at the pointer, or near the top of the screen without a tray). It
/// takes the keyboard at once and closes on Escape, on a click outside, or when the
/// panel asks. Each opening builds a new panel; the state lives in the view-model.
class Popover : public QObject
{
    Q_OBJECT

public:
    Popover(QQmlEngine *engine, ClipListViewModel *viewModel, PasteQueueManager *queue, QObject *parent = nullptr);
    ~Popover() override;

    [[nodiscard]] bool isShown() const;
    /// Builds a new panel and shows it by `anchor` (the tray icon's screen rectangle; an
    /// empty one means at the pointer, or near the top of the screen if `atTop`).
    void show(const QRect &anchor, bool atTop);

public Q_SLOTS:
    void close();

public:

    [[nodiscard]] QQuickWindow *window() const { return m_window; }
    [[nodiscard]] QQuickItem *panel() const { return m_panel; }

Q_SIGNALS:
    void settingsRequested();
    void shownChanged();

private:
    void place(const QRect &anchor, bool atTop);

    QQmlEngine *m_engine;
    ClipListViewModel *m_viewModel;
    PasteQueueManager *m_queue;
    QQuickWindow *m_window;
    QPointer<QQuickItem> m_panel;
    bool m_wasActive = false;
};
