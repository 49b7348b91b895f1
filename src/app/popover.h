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
/// panel asks. The panel is built once and kept: each opening reloads its rows in place
/// and starts its own view state afresh (the search field focused, the list at its top),
/// while what the view-model holds (search text, selection, marks) carries over.
class Popover : public QObject
{
    Q_OBJECT

public:
    Popover(QQmlEngine *engine, ClipListViewModel *viewModel, PasteQueueManager *queue, QObject *parent = nullptr);
    ~Popover() override;

    [[nodiscard]] bool isShown() const;
    /// Builds the panel unless it is built; false when it cannot be built. Called ahead
    /// of the first opening so the shortcut finds it ready.
    bool prepare();
    /// Shows the panel by `anchor` (the tray icon's screen rectangle; an empty one means
    /// at the pointer, or near the top of the screen if `atTop`).
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
    void releaseMemory();

    QQmlEngine *m_engine;
    ClipListViewModel *m_viewModel;
    PasteQueueManager *m_queue;
    QQuickWindow *m_window;
    QPointer<QQuickItem> m_panel;
    bool m_wasActive = false;
};
