// The window manager's liveness check, done by hand: sends _NET_WM_PING to the editor's main window
// again and again and prints how long the longest answer took. A desktop shows "not responding"
// when a window leaves the check unanswered for about 5 s.
//
//   wm_ping TITLE SECONDS [LIMIT_MS]   pings the top-level window whose title starts with TITLE;
//                                      fails when a ping goes unanswered or an answer takes
//                                      LIMIT_MS (default 1000) or longer
//
// Run it on the editor's X display (scripts/wm-ping-check does, during a Read and a Write).
#include <xcb/xcb.h>

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

namespace {

using TClock = std::chrono::steady_clock;

template <typename T>
using TReply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  TReply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr),
                                    &std::free);
  return r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

std::string Title(xcb_connection_t* c, xcb_window_t w, xcb_atom_t netWmName, xcb_atom_t utf8) {
  for (auto [prop, type] :
       {std::pair{netWmName, utf8}, std::pair{xcb_atom_t(XCB_ATOM_WM_NAME), xcb_atom_t(XCB_ATOM_STRING)}}) {
    TReply<xcb_get_property_reply_t> r(
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, prop, type, 0, 256), nullptr), &std::free);
    if (r && xcb_get_property_value_length(r.get()) > 0)
      return std::string(static_cast<const char*>(xcb_get_property_value(r.get())),
                         static_cast<size_t>(xcb_get_property_value_length(r.get())));
  }
  return {};
}

// The client window whose title starts with `title`, searched below `parent` (window managers put
// client windows into frames of their own).
xcb_window_t Find(xcb_connection_t* c, xcb_window_t parent, const std::string& title, xcb_atom_t netWmName,
                  xcb_atom_t utf8, xcb_atom_t protocols) {
  TReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, parent), nullptr), &std::free);
  if (!tree) return XCB_WINDOW_NONE;
  const xcb_window_t* kids = xcb_query_tree_children(tree.get());
  for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
    TReply<xcb_get_property_reply_t> p(
        xcb_get_property_reply(c, xcb_get_property(c, 0, kids[i], protocols, XCB_ATOM_ATOM, 0, 32), nullptr),
        &std::free);
    if (p && xcb_get_property_value_length(p.get()) > 0 && Title(c, kids[i], netWmName, utf8).rfind(title, 0) == 0)
      return kids[i];
    if (xcb_window_t w = Find(c, kids[i], title, netWmName, utf8, protocols)) return w;
  }
  return XCB_WINDOW_NONE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: %s TITLE SECONDS [LIMIT_MS]\n", argv[0]);
    return 2;
  }
  int screenNo = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screenNo);
  if (xcb_connection_has_error(c)) {
    std::fprintf(stderr, "cannot reach the X display\n");
    return 1;
  }
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screenNo; ++i) xcb_screen_next(&it);
  const xcb_window_t root = it.data->root;
  const xcb_atom_t protocols = Atom(c, "WM_PROTOCOLS"), ping = Atom(c, "_NET_WM_PING");
  const xcb_window_t target = Find(c, root, argv[1], Atom(c, "_NET_WM_NAME"), Atom(c, "UTF8_STRING"), protocols);
  if (!target) {
    std::fprintf(stderr, "no window titled \"%s...\"\n", argv[1]);
    return 1;
  }
  // The answer goes to the root window, to whoever listens for its structure (or redirects its
  // substructure, as the window manager does).
  const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
  xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);

  const auto end = TClock::now() + std::chrono::seconds(std::atoi(argv[2]));
  double longest = 0;
  long pings = 0, unanswered = 0;
  for (uint32_t stamp = 1; TClock::now() < end; ++stamp) {
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = target;
    ev.type = protocols;
    ev.data.data32[0] = ping;
    ev.data.data32[1] = stamp;
    ev.data.data32[2] = target;
    xcb_send_event(c, 0, target, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&ev));
    xcb_flush(c);
    const auto sent = TClock::now();
    bool answered = false;
    while (!answered && TClock::now() < end + std::chrono::seconds(10)) {
      pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
      ::poll(&fd, 1, 100);
      while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
        const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(e);
        if ((e->response_type & 0x7f) == XCB_CLIENT_MESSAGE && m->data.data32[0] == ping && m->data.data32[1] == stamp)
          answered = true;
        std::free(e);
      }
      if (xcb_connection_has_error(c)) return 1;
    }
    ++pings;
    if (!answered) ++unanswered;
    longest = std::max(longest, std::chrono::duration<double, std::milli>(TClock::now() - sent).count());
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::printf("%ld pings, %ld unanswered, longest answer %.1f ms\n", pings, unanswered, longest);
  xcb_disconnect(c);
  const double limit = argc == 4 ? std::atof(argv[3]) : 1000.0;
  return unanswered == 0 && longest < limit ? 0 : 1;
}
