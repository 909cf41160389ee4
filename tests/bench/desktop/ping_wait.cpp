// How long a window leaves the user waiting, measured from outside: sends
// _NET_WM_PING to the window every 20 ms, as a window manager does to find a
// hung program, and takes the time to each reply. Run under an X server with
// no window manager: it takes the root window's redirect mask (the replies
// go to the root with it) and so maps and configures windows as asked.
//   ping_wait WINDOW-TITLE
// On SIGUSR1 it prints the longest wait since the last report and starts
// again ("phase NAME: longest N ms over M pings"), the phase named by the
// first line of $PING_PHASE_FILE if set; SIGTERM prints and ends.

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <thread>

namespace {

volatile std::sig_atomic_t reportAsked = 0, endAsked = 0;

using Clock = std::chrono::steady_clock;

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(r);
    return a;
}

std::string title(xcb_connection_t* c, xcb_window_t w, xcb_atom_t utf8, xcb_atom_t netName) {
    for (auto [property, type] : {std::pair{netName, utf8}, std::pair<xcb_atom_t, xcb_atom_t>{XCB_ATOM_WM_NAME, XCB_ATOM_STRING}}) {
        xcb_get_property_reply_t* r =
            xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, type, 0, 256), nullptr);
        std::string s;
        if (r) s.assign(static_cast<const char*>(xcb_get_property_value(r)), xcb_get_property_value_length(r));
        std::free(r);
        if (!s.empty()) return s;
    }
    return {};
}

// The first mapped child of the root whose title holds `wanted`.
xcb_window_t findWindow(xcb_connection_t* c, xcb_window_t root, const std::string& wanted, xcb_atom_t utf8,
                        xcb_atom_t netName) {
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
    if (!tree) return XCB_NONE;
    xcb_window_t found = XCB_NONE;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree) && !found; ++i) {
        xcb_get_window_attributes_reply_t* a =
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr);
        const bool viewable = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(a);
        if (viewable && title(c, children[i], utf8, netName).find(wanted) != std::string::npos) found = children[i];
    }
    std::free(tree);
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: ping_wait WINDOW-TITLE\n");
        return 2;
    }
    const std::string wanted = argv[1];
    std::signal(SIGUSR1, [](int) { reportAsked = 1; });
    std::signal(SIGTERM, [](int) { endAsked = 1; });
    std::signal(SIGINT, [](int) { endAsked = 1; });

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return 1;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    if (xcb_request_check(c, xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &mask))) {
        std::fprintf(stderr, "ping_wait: another client manages the windows\n");
        return 1;
    }
    const xcb_atom_t protocols = atom(c, "WM_PROTOCOLS"), ping = atom(c, "_NET_WM_PING");
    const xcb_atom_t utf8 = atom(c, "UTF8_STRING"), netName = atom(c, "_NET_WM_NAME");

    xcb_window_t target = XCB_NONE;
    uint32_t serial = 0;
    std::map<uint32_t, Clock::time_point> pending;  // by the ping's timestamp
    double longest = 0;
    long pings = 0;
    auto report = [&] {
        // A ping still unanswered counts as long as it has waited.
        for (const auto& [stamp, sent] : pending)
            longest = std::max(longest, std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
        std::string phase = "all";
        if (const char* file = std::getenv("PING_PHASE_FILE")) {
            std::ifstream in(file);
            std::getline(in, phase);
        }
        std::printf("phase %s: longest wait %.0f ms over %ld pings\n", phase.c_str(), longest, pings);
        std::fflush(stdout);
        longest = 0;
        pings = 0;
    };
    auto nextPing = Clock::now();
    while (!endAsked) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            switch (e->response_type & 0x7f) {
            case XCB_MAP_REQUEST:
                xcb_map_window(c, reinterpret_cast<xcb_map_request_event_t*>(e)->window);
                break;
            case XCB_CONFIGURE_REQUEST: {
                auto* r = reinterpret_cast<xcb_configure_request_event_t*>(e);
                uint32_t values[7];
                int n = 0;
                uint16_t m = r->value_mask & ~(XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE);
                if (m & XCB_CONFIG_WINDOW_X) values[n++] = static_cast<uint32_t>(r->x);
                if (m & XCB_CONFIG_WINDOW_Y) values[n++] = static_cast<uint32_t>(r->y);
                if (m & XCB_CONFIG_WINDOW_WIDTH) values[n++] = r->width;
                if (m & XCB_CONFIG_WINDOW_HEIGHT) values[n++] = r->height;
                if (m & XCB_CONFIG_WINDOW_BORDER_WIDTH) values[n++] = r->border_width;
                xcb_configure_window(c, r->window, m, values);
                break;
            }
            case XCB_DESTROY_NOTIFY:
                if (reinterpret_cast<xcb_destroy_notify_event_t*>(e)->window == target) {
                    target = XCB_NONE;
                    pending.clear();
                }
                break;
            case XCB_CLIENT_MESSAGE: {
                auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
                if (m->type == protocols && m->data.data32[0] == ping) {
                    auto it = pending.find(m->data.data32[1]);
                    if (it != pending.end()) {
                        longest = std::max(longest,
                                           std::chrono::duration<double, std::milli>(Clock::now() - it->second).count());
                        ++pings;
                        pending.erase(it);
                    }
                }
                break;
            }
            default:
                break;
            }
            std::free(e);
        }
        if (reportAsked) {
            reportAsked = 0;
            report();
        }
        if (Clock::now() >= nextPing) {
            nextPing += std::chrono::milliseconds(20);
            if (target == XCB_NONE) target = findWindow(c, root, wanted, utf8, netName);
            if (target != XCB_NONE) {
                xcb_client_message_event_t m{};
                m.response_type = XCB_CLIENT_MESSAGE;
                m.format = 32;
                m.window = target;
                m.type = protocols;
                m.data.data32[0] = ping;
                m.data.data32[1] = ++serial;  // stands for the timestamp
                m.data.data32[2] = target;
                xcb_send_event(c, 0, target, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&m));
                pending.emplace(serial, Clock::now());
            }
            xcb_flush(c);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    report();
    xcb_disconnect(c);
    return 0;
}
