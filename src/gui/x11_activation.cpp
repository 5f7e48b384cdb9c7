#include "gui/x11_activation.h"

#include <QGuiApplication>
#include <QWidget>
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>

#if TONVALE_WITH_XCB
#include <xcb/xcb.h>
#endif

namespace tonvale {

uint32_t StartupIdTime(std::string_view startupId) {
  const size_t at = startupId.rfind("_TIME");
  if (at == std::string_view::npos) return 0;
  const std::string_view digits = startupId.substr(at + 5);
  uint32_t time = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), time);
  return error == std::errc() && end == digits.data() + digits.size() ? time : 0;
}

std::string StartupRemoveMessage(std::string_view startupId) {
  std::string message = "remove: ID=\"";
  for (char c : startupId) {
    if (c == '"' || c == '\\') message += '\\';
    message += c;
  }
  message += '"';
  return message;
}

#if TONVALE_WITH_XCB
namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  const xcb_intern_atom_cookie_t cookie =
      xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

void SendToRoot(xcb_connection_t* connection, xcb_window_t root, uint32_t mask,
                const xcb_client_message_event_t& event) {
  xcb_send_event(connection, 0, root, mask, reinterpret_cast<const char*>(&event));
}

}  // namespace

bool ActivateOnX11(QWidget& window, const std::string& startupId) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || startupId.empty()) return false;
  xcb_connection_t* connection = x11->connection();
  const auto target = static_cast<xcb_window_t>(window.winId());
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;

  // The message goes in pieces of 20 bytes, the first as the beginning, up to and including its
  // terminating zero byte.
  const std::string message = StartupRemoveMessage(startupId);
  const xcb_atom_t begin = Atom(connection, "_NET_STARTUP_INFO_BEGIN");
  const xcb_atom_t more = Atom(connection, "_NET_STARTUP_INFO");
  for (size_t at = 0; at <= message.size(); at += 20) {
    xcb_client_message_event_t piece{};
    piece.response_type = XCB_CLIENT_MESSAGE;
    piece.format = 8;
    piece.window = target;
    piece.type = at == 0 ? begin : more;
    std::memcpy(piece.data.data8, message.data() + at, std::min<size_t>(20, message.size() - at));
    SendToRoot(connection, root, XCB_EVENT_MASK_PROPERTY_CHANGE, piece);
  }

  const uint32_t time = StartupIdTime(startupId);
  if (time != 0) {
    xcb_client_message_event_t activate{};
    activate.response_type = XCB_CLIENT_MESSAGE;
    activate.format = 32;
    activate.window = target;
    activate.type = Atom(connection, "_NET_ACTIVE_WINDOW");
    activate.data.data32[0] = 1;  // asked by an application
    activate.data.data32[1] = time;
    activate.data.data32[2] = XCB_NONE;
    SendToRoot(connection, root,
               XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT, activate);
  }
  xcb_flush(connection);
  return time != 0;
}

#else

bool ActivateOnX11(QWidget&, const std::string&) {
  return false;
}

#endif

}  // namespace tonvale
