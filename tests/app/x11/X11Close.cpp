#include <X11/Xlib.h>

#include <string>

bool RequestClose(const std::string& Display, unsigned long Window) {
  ::Display* dpy = XOpenDisplay(Display.c_str());
  if (!dpy) return false;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = Window;
  event.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  const bool sent = XSendEvent(dpy, Window, False, NoEventMask, &event) != 0;
  XCloseDisplay(dpy);  // flushes the request
  return sent;
}
