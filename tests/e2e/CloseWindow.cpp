// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// tolmer-e2e-close WINDOW: asks an X window to close the way a window manager does
// when its close button is pressed: with a WM_DELETE_WINDOW client message.
#include <X11/Xlib.h>

#include <cstdlib>
#include <iostream>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: tolmer-e2e-close WINDOW\n";
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::cerr << "tolmer-e2e-close: cannot open the display\n";
    return 1;
  }
  const auto window = static_cast<Window>(std::strtoul(argv[1], nullptr, 0));
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);
  XCloseDisplay(display);
  return sent != 0 ? 0 : 1;
}
