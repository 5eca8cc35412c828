// A window switch as the user meets it: a click sent through the X server's input (XTEST) on a point
// of one window, then the time until another top-level window is mapped (map events on the root
// window, no polling). Both windows are known by their titles, which may be the same.
// Usage: switchwait FROM_TITLE X Y TO_TITLE   X, Y inside FROM_TITLE's window.
// Prints "UNMAPPED MAPPED PAINTED": milliseconds from the click until the first window is unmapped, the
// other one mapped, and the other one's picture last changed before it settled. A TO_TITLE of "-"
// only clicks.
#include "bench/xcbwindow.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/uio.h>
#include <thread>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

namespace {
std::string title(xcb_connection_t *connection, xcb_window_t window)
{
    static const xcb_atom_t netWmName = atom(connection, "_NET_WM_NAME");
    static const xcb_atom_t utf8 = atom(connection, "UTF8_STRING");
    return windowTitle(connection, window, netWmName, utf8);
}

// The mapped top-level window of that title, or none.
xcb_window_t findMapped(xcb_connection_t *connection, xcb_window_t root, const char *wanted)
{
    xcb_query_tree_reply_t *tree =
        xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr);
    xcb_window_t found = XCB_WINDOW_NONE;
    if (!tree)
        return found;
    const xcb_window_t *children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree) && found == XCB_WINDOW_NONE; ++i) {
        xcb_get_window_attributes_reply_t *attributes = xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, children[i]), nullptr);
        const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attributes);
        if (viewable && title(connection, children[i]) == wanted)
            found = children[i];
    }
    std::free(tree);
    return found;
}

// XTEST's FakeInput request, which xcb itself does not wrap here.
void fakeInput(xcb_connection_t *connection,
               uint8_t opcode,
               uint8_t type,
               uint8_t detail,
               xcb_window_t root,
               int16_t x,
               int16_t y)
{
    struct
    {
        uint8_t major, minor;
        uint16_t length;
        uint8_t type, detail;
        uint16_t pad0;
        uint32_t time, root, pad1, pad2;
        int16_t x, y;
        uint32_t pad3;
        uint16_t pad4;
        uint8_t pad5, device;
    } request{opcode, 2, 9, type, detail, 0, 0, root, 0, 0, x, y, 0, 0, 0, 0};

    static_assert(sizeof(request) == 36);
    // xcb needs two spare parts in front of the request's; without an extension named it writes the
    // opcode given here into the request's first byte.
    iovec parts[3] = {};
    parts[2].iov_base = &request;
    parts[2].iov_len = sizeof(request);
    xcb_protocol_request_t protocol{1, nullptr, opcode, 1};
    xcb_send_request(connection, 0, parts + 2, &protocol);
}
} // namespace

int main(int argc, char *argv[])
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: switchwait FROM_TITLE X Y TO_TITLE\n");
        return 2;
    }
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "switchwait: cannot connect to the X server\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_query_extension_reply_t *xtest =
        xcb_query_extension_reply(connection, xcb_query_extension(connection, 5, "XTEST"), nullptr);
    if (!xtest || !xtest->present) {
        std::fprintf(stderr, "switchwait: the X server has no XTEST\n");
        return 2;
    }
    const uint8_t opcode = xtest->major_opcode;
    std::free(xtest);
    const xcb_window_t from = findMapped(connection, root, argv[1]);
    if (from == XCB_WINDOW_NONE) {
        std::fprintf(stderr, "switchwait: no mapped window \"%s\"\n", argv[1]);
        return 1;
    }
    xcb_translate_coordinates_reply_t *origin = xcb_translate_coordinates_reply(
        connection, xcb_translate_coordinates(connection, from, root, 0, 0), nullptr);
    const int16_t x = int16_t(origin->dst_x + std::atoi(argv[2]));
    const int16_t y = int16_t(origin->dst_y + std::atoi(argv[3]));
    std::free(origin);

    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    // The pointer arrives first and the button is hovered, as under a hand.
    fakeInput(connection, opcode, XCB_MOTION_NOTIFY, 0, root, x, y);
    xcb_flush(connection);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    const auto start = std::chrono::steady_clock::now();
    fakeInput(connection, opcode, XCB_BUTTON_PRESS, 1, root, x, y);
    fakeInput(connection, opcode, XCB_BUTTON_RELEASE, 1, root, x, y);
    xcb_flush(connection);
    if (std::strcmp(argv[4], "-") == 0) {
        // A round trip: the server has the click before this program goes.
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
        return 0;
    }
    const auto since = [&] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    double unmapped = -1;
    double mapped = -1;
    xcb_window_t to = XCB_WINDOW_NONE;
    while (mapped < 0 || unmapped < 0) {
        xcb_generic_event_t *event = xcb_wait_for_event(connection);
        if (!event)
            return 1;
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_UNMAP_NOTIFY && reinterpret_cast<xcb_unmap_notify_event_t *>(event)->window == from)
            unmapped = since();
        if (type == XCB_MAP_NOTIFY) {
            const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t *>(event)->window;
            if (window != from && title(connection, window) == argv[4]) {
                mapped = since();
                to = window;
            }
        }
        std::free(event);
    }
    // The window is on the screen once its picture stops changing: sampled every 2 ms, settled after
    // a quarter second without change.
    xcb_get_geometry_reply_t *size =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, to), nullptr);
    const uint16_t width = size ? size->width : 1;
    const uint16_t height = size ? size->height : 1;
    std::free(size);
    std::string last;
    double painted = mapped;
    while (since() - painted < 250 && since() < 5000) {
        xcb_get_image_reply_t *image = xcb_get_image_reply(
            connection,
            xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, to, 0, 0, width, height, ~0u),
            nullptr);
        if (image) {
            const std::string pixels(reinterpret_cast<const char *>(xcb_get_image_data(image)),
                                     size_t(xcb_get_image_data_length(image)));
            std::free(image);
            if (pixels != last) {
                last = pixels;
                painted = since();
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::printf("%.1f %.1f %.1f\n", unmapped, mapped, painted);
    return 0;
}
