// Saves what the X screen shows as a PNG: screenshot FILE [x y width height]

#include <QGuiApplication>
#include <QImage>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    if (argc != 2 && argc != 6) {
        std::fprintf(stderr, "usage: screenshot FILE [x y width height]\n");
        return 2;
    }
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection))
        return 1;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    int x = 0, y = 0, width = screen->width_in_pixels, height = screen->height_in_pixels;
    if (argc == 6) {
        x = std::atoi(argv[2]);
        y = std::atoi(argv[3]);
        width = std::atoi(argv[4]);
        height = std::atoi(argv[5]);
    }
    auto *reply = xcb_get_image_reply(connection,
                                      xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, int16_t(x),
                                                    int16_t(y), uint16_t(width), uint16_t(height), ~0u),
                                      nullptr);
    if (!reply || screen->root_depth < 24)
        return 1;
    // 24- and 32-bit visuals deliver 4 bytes a pixel, blue first.
    const QImage image(xcb_get_image_data(reply), width, height, width * 4, QImage::Format_RGB32);
    const bool saved = image.save(QString::fromLocal8Bit(argv[1]), "PNG");
    std::free(reply);
    xcb_disconnect(connection);
    return saved ? 0 : 1;
}
