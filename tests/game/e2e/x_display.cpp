#include "tests/game/e2e/x_display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <thread>

namespace kv::test {

namespace {

std::string Title(Display* d, Window w) {
  XTextProperty prop;
  std::string title;
  Atom netName = XInternAtom(d, "_NET_WM_NAME", False);
  if (XGetTextProperty(d, w, &prop, netName) && prop.value) {
    title.assign(reinterpret_cast<char*>(prop.value), prop.nitems);
    XFree(prop.value);
  } else if (XGetWMName(d, w, &prop) && prop.value) {
    title.assign(reinterpret_cast<char*>(prop.value), prop.nitems);
    XFree(prop.value);
  }
  return title;
}

std::vector<Window> Children(Display* d) {
  Window root, parent, *kids = nullptr;
  unsigned n = 0;
  std::vector<Window> out;
  if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &kids, &n)) {
    out.assign(kids, kids + n);
    XFree(kids);
  }
  return out;
}

bool Viewable(Display* d, Window w, bool* overrideRedirect = nullptr) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(d, w, &a)) return false;
  if (overrideRedirect) *overrideRedirect = a.override_redirect;
  return a.map_state == IsViewable;
}

}  // namespace

XDisplay::XDisplay(const std::string& screen) : server_(screen) {
  if (server_.running()) dpy_ = XOpenDisplay(server_.name().c_str());
}

void XDisplay::KillServer() { server_.kill_now(); }

XDisplay::~XDisplay() {
  // A connection to a server that is gone cannot be closed; it is kept for the process's life.
  static auto* orphaned = new std::vector<Display*>;
  if (dpy_ && server_.running()) XCloseDisplay(dpy_);
  if (dpy_ && !server_.running()) orphaned->push_back(dpy_);
}

unsigned long XDisplay::WaitForWindow(const std::string& title, int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    for (Window w : Children(dpy_))
      if (Viewable(dpy_, w) && Title(dpy_, w) == title) return w;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return 0;
}

bool XDisplay::Geometry(unsigned long window, int& width, int& height) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(dpy_, window, &a)) return false;
  width = a.width;
  height = a.height;
  return true;
}

Capture XDisplay::Grab(unsigned long window) {
  Capture c;
  if (!Geometry(window, c.width, c.height)) return c;
  XImage* image = XGetImage(dpy_, window, 0, 0, c.width, c.height, AllPlanes, ZPixmap);
  if (!image) return {};
  c.pixels.resize(static_cast<size_t>(c.width) * c.height);
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) c.pixels[static_cast<size_t>(y) * c.width + x] = XGetPixel(image, x, y) & 0xFFFFFF;
  XDestroyImage(image);
  return c;
}

unsigned long XDisplay::Root() const { return DefaultRootWindow(dpy_); }

void XDisplay::Close(unsigned long window) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = XInternAtom(dpy_, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy_, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy_, window, False, NoEventMask, &e);
  XFlush(dpy_);
}

std::vector<unsigned long> XDisplay::MappedWindows(const std::string& title) {
  std::vector<unsigned long> found;
  for (Window w : Children(dpy_))
    if (Viewable(dpy_, w) && Title(dpy_, w) == title) found.push_back(w);
  return found;
}

void XDisplay::Move(unsigned long window, int x, int y) {
  XMoveWindow(dpy_, window, x, y);
  XSync(dpy_, False);
}

void XDisplay::FocusElsewhere() {
  Window other = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 900, 700, 100, 50, 0, 0, 0);
  XMapWindow(dpy_, other);
  XSync(dpy_, False);
  for (int i = 0; i < 100 && !Viewable(dpy_, other); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  XSetInputFocus(dpy_, other, RevertToParent, CurrentTime);
  XSync(dpy_, False);
}

int XDisplay::MappedPopups() {
  int n = 0;
  for (Window w : Children(dpy_)) {
    bool popup = false;
    if (Viewable(dpy_, w, &popup) && popup) ++n;
  }
  return n;
}

}  // namespace kv::test
