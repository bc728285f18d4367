#include "x11_windows.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <chrono>
#include <thread>

namespace {

std::string title_of(Display* display, Window window) {
  Atom utf8 = XInternAtom(display, "UTF8_STRING", False), type;
  int format;
  unsigned long count, left;
  unsigned char* value = nullptr;
  std::string title;
  if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 1024, False, utf8, &type,
                         &format, &count, &left, &value) == Success &&
      value) {
    title.assign((const char*)value, count);
    XFree(value);
    return title;
  }
  char* name = nullptr;
  if (XFetchName(display, window, &name) && name) {
    title = name;
    XFree(name);
  }
  return title;
}

// The windows the display knows of, top-level ones and their children: a
// window manager, where there is one, puts the app's window in a frame.
Window search(Display* display, Window parent, const std::string& title, int depth) {
  Window root, up, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, parent, &root, &up, &children, &count)) return 0;
  Window found = 0;
  for (unsigned int i = 0; i < count && !found; i++) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, children[i], &attributes) || attributes.map_state != IsViewable) continue;
    if (title_of(display, children[i]) == title) found = children[i];
    else if (depth > 0) found = search(display, children[i], title, depth - 1);
  }
  if (children) XFree(children);
  return found;
}

// Windows come and go while they are looked at: a request about one that
// has just gone fails, which Xlib would otherwise take as fatal.
int pass_over(Display*, XErrorEvent*) { return 0; }

}  // namespace

Window find_x_window(Display* display, const std::string& title) {
  XSetErrorHandler(pass_over);
  return search(display, DefaultRootWindow(display), title, 2);
}

Window wait_for_x_window(Display* display, const std::string& title, int timeout_ms) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (Window window = find_x_window(display, title)) return window;
    if (std::chrono::steady_clock::now() >= until) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

bool x_window_rect(Display* display, Window window, screen_rect& rect) {
  XWindowAttributes attributes;
  Window child;
  if (!XGetWindowAttributes(display, window, &attributes) ||
      !XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &rect.left, &rect.top, &child))
    return false;
  rect.width = attributes.width;
  rect.height = attributes.height;
  return true;
}

uint32_t screen_pixel(Display* display, int x, int y) {
  XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
  if (!image) return 0;
  uint32_t pixel = (uint32_t)XGetPixel(image, 0, 0) & 0xFFFFFF;
  XDestroyImage(image);
  return pixel;
}

bool close_x_window(Display* display, Window window) {
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
  event.xclient.data.l[1] = CurrentTime;
  bool sent = XSendEvent(display, window, False, NoEventMask, &event) != 0;
  XFlush(display);
  return sent;
}

// The root's children come bottom first.
Window front_x_window(Display* display) {
  XSetErrorHandler(pass_over);
  Window root, up, *children = nullptr, front = 0;
  unsigned int count = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &up, &children, &count)) return 0;
  for (unsigned int i = count; i-- > 0 && !front;) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable &&
        attributes.c_class == InputOutput)
      front = children[i];
  }
  if (children) XFree(children);
  return front;
}

bool place_x_window(Display* display, Window window, int left, int top, int width, int height) {
  return XMoveResizeWindow(display, window, left, top, (unsigned)width, (unsigned)height) && XSync(display, False);
}
