// Another application for the end-to-end tests: a text window that pastes with Ctrl+V
// and copies with Ctrl+C through the clipboard like any editor, and prints its whole text
// as a JSON string on each change ("text \"...\""). When it gains the focus it names
// itself the active window on the root window, as a window manager would, since the
// tests' X server has none. Its desktop-file id is "pastepad".
//
//   pastepad [TEXT]

#include "platform/x11/xcbutil.h"

#include <QApplication>
#include <QJsonDocument>
#include <QJsonValue>
#include <QPlainTextEdit>

#include <cstdio>

namespace {

class Pad : public QPlainTextEdit
{
protected:
    void focusInEvent(QFocusEvent *event) override
    {
        QPlainTextEdit::focusInEvent(event);
        xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        const auto window = xcb_window_t(winId());
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, root, internAtom(connection, "_NET_ACTIVE_WINDOW"),
                            XCB_ATOM_WINDOW, 32, 1, &window);
        xcbPtr(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr)); // a round trip
        xcb_disconnect(connection);
        std::printf("focused\n");
        std::fflush(stdout);
    }
};

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pastepad"));
    QApplication::setDesktopFileName(QStringLiteral("pastepad"));
    Pad pad;
    pad.setWindowTitle(QStringLiteral("pastepad"));
    if (argc > 1)
        pad.setPlainText(QString::fromUtf8(argv[1]));
    QObject::connect(&pad, &QPlainTextEdit::textChanged, [&pad] {
        const QByteArray json = QJsonDocument::fromVariant(QVariantList{pad.toPlainText()}).toJson(QJsonDocument::Compact);
        std::printf("text %s\n", json.mid(1, json.size() - 2).constData());
        std::fflush(stdout);
    });
    pad.setGeometry(40, 400, 400, 200);
    pad.show();
    std::printf("ready %llu\n", static_cast<unsigned long long>(pad.winId()));
    std::fflush(stdout);
    return QApplication::exec();
}
