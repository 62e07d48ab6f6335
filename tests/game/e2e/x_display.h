#pragma once
// A private virtual display for one test, and what the tests need of it: finding the game's
// window, capturing it, the close box, the menus that are open.
#include <string>
#include <vector>

#include "game/platform/colour.h"
#include "xvfb_server.h"

typedef struct _XDisplay Display;

namespace kv::test {

struct Capture {
  int width = 0, height = 0;
  std::vector<Colour> pixels;
  Colour at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

class XDisplay {
 public:
  // Starts Xvfb on a free display number, with one screen of this size.
  explicit XDisplay(const std::string& screen = "1024x768x24");
  ~XDisplay();
  XDisplay(const XDisplay&) = delete;
  XDisplay& operator=(const XDisplay&) = delete;

  bool ok() const { return dpy_ != nullptr; }
  const std::string& name() const { return server_.name(); }  // ":N"

  // The top-level window with this title once it is mapped; 0 after the time-out.
  unsigned long WaitForWindow(const std::string& title, int timeoutMs);
  bool Geometry(unsigned long window, int& width, int& height);
  Capture Grab(unsigned long window);
  unsigned long Root() const;
  void Close(unsigned long window);  // what the close box sends
  // The mapped top-level windows with this title (dialogs included).
  std::vector<unsigned long> MappedWindows(const std::string& title);
  void Move(unsigned long window, int x, int y);
  // Another program's window takes the focus (a window of the test's own, mapped for it).
  void FocusElsewhere();
  // Ends the display server under its clients, as the end of a session does.
  void KillServer();
  // Mapped windows that the toolkit placed itself (popup menus).
  int MappedPopups();

 private:
  XvfbServer server_;
  Display* dpy_ = nullptr;
};

}  // namespace kv::test
