#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

struct xcb_connection_t;

/// Tells which reads of jotterly's clipboard are pastes into the application the user
/// works in, whatever way that application was told to paste (Ctrl+V, Ctrl+Shift+V in
/// a terminal, Shift+Insert, a menu).
///
/// Qt answers other clients' requests for our clipboard itself; this filter sees each
/// request before Qt does. A request for content (not only for the list of forms or the
/// time of ownership) is a paste when it comes from the client that owns the active
/// window (_NET_ACTIVE_WINDOW) or the window with the input focus. Requests of any
/// other client (a clipboard manager, a script run in the background) are not, and
/// jotterly's own reads never reach the X server.
class X11PasteDetector : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    /// Needs a QGuiApplication on the xcb platform; connects to the display named by
    /// DISPLAY for its own queries.
    explicit X11PasteDetector(QObject *parent = nullptr);
    ~X11PasteDetector() override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

    /// Whether `window` was made by the client of the active or the focused window.
    [[nodiscard]] bool belongsToActiveClient(quint32 window) const;

Q_SIGNALS:
    /// The active application asked for the content of our clipboard: once per form.
    void pasted();

private:
    [[nodiscard]] quint32 client(quint32 window) const { return window & ~m_resourceIdMask; }

    xcb_connection_t *m_connection = nullptr;
    quint32 m_root = 0;
    quint32 m_resourceIdMask = 0;
    quint32 m_clipboardAtom = 0;
    quint32 m_activeWindowAtom = 0;
    quint32 m_metaTargets[3] = {}; // TARGETS, TIMESTAMP, SAVE_TARGETS: no content
};
