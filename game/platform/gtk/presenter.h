#pragma once
// Shows the shared framebuffer in a drawing area at a whole-number scale, every game pixel a
// crisp square. In a window the area is exactly the picture's size; filling (fullscreen) it
// takes the space it is given and shows the picture centred at the largest scale that fits,
// black around it. Redrawing normally follows the frame clock: what changed since the last paint is
// queued once a frame. Present paints at once, for a Refresh or before a Sleep, while the game
// holds the thread; Refresh is paced so that an animation of a few thousand swaps stays
// visible on a fast screen and still ends within seconds.
#include <cstdint>
#include <vector>

#include "game/platform/rect.h"
#include "game/platform/surface.h"

typedef struct _GtkWidget GtkWidget;
typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace kv {

class Presenter {
 public:
  // The shortest time one Refresh takes.
  static constexpr int64_t kMinRefreshMicros = 250;

  explicit Presenter(Surface& surface);
  ~Presenter();
  Presenter(const Presenter&) = delete;
  Presenter& operator=(const Presenter&) = delete;

  GtkWidget* widget() const { return area_; }

  void Refresh();   // the changed part, now, paced
  void ShowAll();   // the whole picture, now, waiting until the display has it
  void QueueChanged();

  void SetScale(int scale);  // windowed, at this scale (1 or more)
  void SetFill(bool fill);
  int Scale() const { return Place().scale; }  // as shown now

  // The draw handler.
  void Draw(cairo_t* cr);

 private:
  struct Placement {
    int scale, x, y;  // the picture's scale and its top-left corner in the area
  };
  Placement Place() const;
  void PaintNow(Rect r);

  Surface& surface_;
  GtkWidget* area_;
  cairo_surface_t* image_;
  std::vector<Colour> shown_;
  int64_t lastRefresh_ = 0;
  int scale_ = 1;
  bool fill_ = false;
};

}  // namespace kv
