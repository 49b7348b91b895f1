#include "app/popover.h"

#include "app/logging.h"

#include "history/cliplistviewmodel.h"
#include "history/imageproviders.h"
#include "queue/pastequeuemanager.h"

#include <QCursor>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>

#include <malloc.h>

using namespace Qt::StringLiterals;

Popover::Popover(QQmlEngine *engine, ClipListViewModel *viewModel, PasteQueueManager *queue, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_viewModel(viewModel)
    , m_queue(queue)
    , m_window(new QQuickWindow)
{
    m_window->setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    m_window->setTitle(u"jotterly"_s);
    // A click elsewhere takes the focus away: that closes the panel, as a popover does.
    connect(m_window, &QWindow::activeChanged, this, [this] {
        if (m_window->isActive())
            m_wasActive = true;
        else if (m_wasActive && m_window->isVisible())
            close();
    });
    connect(m_window, &QWindow::visibleChanged, this, &Popover::shownChanged);
    connect(m_window, &QWindow::visibleChanged, this, [this](bool visible) {
        if (!visible)
            releaseMemory();
    });
    // What the panel asks for reaches us through its view-model, whichever panel is shown.
    connect(m_viewModel, &ClipListViewModel::closeRequested, this, &Popover::close);
    connect(m_viewModel, &ClipListViewModel::settingsRequested, this, &Popover::settingsRequested);
}

Popover::~Popover()
{
    delete m_panel;
    delete m_window;
}

bool Popover::isShown() const
{
    return m_window->isVisible();
}

bool Popover::prepare()
{
    if (m_panel)
        return true;
    QQmlComponent component(m_engine, QUrl(u"qrc:/Jotterly/History/ClipListView.qml"_s));
    QObject *object = component.createWithInitialProperties(
        {{u"viewModel"_s, QVariant::fromValue(m_viewModel)}, {u"pasteQueueManager"_s, QVariant::fromValue(m_queue)}});
    m_panel = qobject_cast<QQuickItem *>(object);
    if (!m_panel) {
        qWarning() << "jotterly: the panel could not be built:" << component.errorString();
        delete object;
        return false;
    }
    m_panel->setParentItem(m_window->contentItem());
    const auto resize = [this] {
        m_panel->setHeight(m_panel->implicitHeight());
        m_window->resize(int(m_panel->width()), int(m_panel->implicitHeight()));
    };
    connect(m_panel, &QQuickItem::implicitHeightChanged, this, resize);
    resize();
    qCDebug(lcApp) << "panel built";
    return true;
}

void Popover::show(const QRect &anchor, bool atTop)
{
    if (!prepare())
        return;
    QMetaObject::invokeMethod(m_panel, "opened");
    place(anchor, atTop);
    m_wasActive = false;
    m_window->show();
    m_window->raise();
    m_window->requestActivate();
    m_panel->forceActiveFocus();
}

void Popover::close()
{
    m_window->hide();
}

void Popover::releaseMemory()
{
    // A closed panel holds no picture preview; what the script engine no longer uses and
    // what the allocator holds freed go back too, so the program rests small.
    releasePictureMemory();
    m_engine->collectGarbage();
    malloc_trim(0);
}

void Popover::place(const QRect &anchor, bool atTop)
{
    // A Wayland window cannot place itself, nor learn where the tray icon or the pointer
    // is: the panel is centred on the screen.
    if (QGuiApplication::platformName().startsWith(u"wayland"_s)) {
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        m_window->setPosition(available.center() - QPoint(m_window->width() / 2, m_window->height() / 2));
        return;
    }
    const QPoint reference = anchor.isValid() ? anchor.center() : QCursor::pos();
    QScreen *screen = QGuiApplication::screenAt(reference);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect available = screen->availableGeometry();
    const QSize size = m_window->size();
    QPoint position;
    if (anchor.isValid()) {
        // Under the icon when it sits in the top half of the screen, above it otherwise.
        const bool below = anchor.center().y() < available.center().y();
        position = QPoint(anchor.center().x() - size.width() / 2, below ? anchor.bottom() + 4 : anchor.top() - size.height() - 4);
    } else if (atTop) {
        position = QPoint(available.center().x() - size.width() / 2, available.top() + 40);
    } else {
        position = QPoint(reference.x() - size.width() / 2, reference.y() + 8);
    }
    position.setX(std::clamp(position.x(), available.left(), std::max(available.left(), available.right() - size.width())));
    position.setY(std::clamp(position.y(), available.top(), std::max(available.top(), available.bottom() - size.height())));
    m_window->setPosition(position);
}
