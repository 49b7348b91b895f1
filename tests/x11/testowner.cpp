// A clipboard owner for the X11 tests: offers several targets at once, as real
// applications do, or misbehaves on purpose.
//
//   testowner [--silent] [--die-mid-transfer] TARGET=TEXT | TARGET=@FILE ...
//   (with a file, the target name may contain '=' too)
//
// --silent: takes the clipboard and never answers a request.
// --die-mid-transfer: sends large data incrementally and exits after the first part.
// Prints "ready" once it owns the clipboard; exits when it loses it, or after a minute.

#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <poll.h>
#include <string>
#include <vector>

namespace {

xcb_connection_t *connection;

xcb_atom_t atom(const std::string &name)
{
    auto *reply = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.c_str()), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

void setProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, uint8_t format, size_t length, const void *data)
{
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, property, type, format, uint32_t(length), data);
}

struct Transfer {
    xcb_atom_t target;
    const std::string *data;
    size_t offset;
};

constexpr size_t chunkSize = 64 * 1024;

} // namespace

int main(int argc, char *argv[])
{
    connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection))
        return 2;
    bool silent = false;
    bool dieMidTransfer = false;
    std::map<xcb_atom_t, std::string> offers;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        silent |= arg == "--silent";
        dieMidTransfer |= arg == "--die-mid-transfer";
        if (arg.starts_with("--"))
            continue;
        // A target name may hold '=' itself (text/plain;charset=utf-8): a file follows the last "=@".
        const size_t fileAt = arg.rfind("=@");
        const size_t equals = fileAt != std::string::npos ? fileAt : arg.find('=');
        if (equals == std::string::npos)
            return 2;
        std::string value = arg.substr(equals + 1);
        if (value.starts_with('@')) {
            std::ifstream file(value.substr(1), std::ios::binary);
            value.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        }
        offers[atom(arg.substr(0, equals))] = value;
    }

    const xcb_atom_t clipboard = atom("CLIPBOARD");
    const xcb_atom_t targets = atom("TARGETS");
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(connection, window, clipboard, XCB_CURRENT_TIME);
    auto *owner = xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, clipboard), nullptr);
    if (!owner || owner->owner != window)
        return 1;
    std::free(owner);
    std::printf("ready\n");
    std::fflush(stdout);

    // Incremental transfers in progress, by requestor window and property.
    std::map<std::pair<xcb_window_t, xcb_atom_t>, Transfer> transfers;
    const auto started = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - started < std::chrono::minutes(1)) {
        xcb_generic_event_t *event = xcb_poll_for_event(connection);
        if (!event) {
            if (xcb_connection_has_error(connection))
                return 1;
            pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
            ::poll(&fd, 1, 1000);
            continue;
        }
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_CLEAR)
            return 0;
        if (type == XCB_SELECTION_REQUEST && !silent) {
            const auto *request = reinterpret_cast<xcb_selection_request_event_t *>(event);
            xcb_selection_notify_event_t notify{XCB_SELECTION_NOTIFY, 0, 0, request->time, request->requestor,
                                                request->selection, request->target, request->property};
            const auto it = offers.find(request->target);
            if (request->target == targets) {
                std::vector<xcb_atom_t> list{targets};
                for (const auto &offer : offers)
                    list.push_back(offer.first);
                setProperty(request->requestor, request->property, XCB_ATOM_ATOM, 32, list.size(), list.data());
            } else if (it == offers.end()) {
                notify.property = XCB_ATOM_NONE;
            } else if (it->second.size() > chunkSize) {
                const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(connection, request->requestor, XCB_CW_EVENT_MASK, &events);
                const auto size = uint32_t(it->second.size());
                setProperty(request->requestor, request->property, atom("INCR"), 32, 1, &size);
                transfers[{request->requestor, request->property}] = {it->first, &it->second, 0};
            } else {
                setProperty(request->requestor, request->property, it->first, 8, it->second.size(), it->second.data());
            }
            xcb_send_event(connection, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&notify));
            xcb_flush(connection);
        }
        if (type == XCB_PROPERTY_NOTIFY) {
            const auto *notify = reinterpret_cast<xcb_property_notify_event_t *>(event);
            const auto it = transfers.find({notify->window, notify->atom});
            if (notify->state == XCB_PROPERTY_DELETE && it != transfers.end()) {
                Transfer &transfer = it->second;
                const size_t size = std::min(chunkSize, transfer.data->size() - transfer.offset);
                setProperty(notify->window, notify->atom, transfer.target, 8, size, transfer.data->data() + transfer.offset);
                xcb_flush(connection);
                if (dieMidTransfer)
                    return 0;
                transfer.offset += size;
                if (size == 0)
                    transfers.erase(it);
            }
        }
        std::free(event);
    }
    return 0;
}
