// A form's persistent image, kept as what was drawn since the last clear
// rather than as a bitmap of the window: the back colour and a short list of
// opaque pictures with their places. An exposed window repaints from it; a
// message's drawing reaches the screen as the rectangles it changed.
#pragma once

#include <vector>

#include "api/forms.h"
#include "runtime/dib.h"

namespace vss::runtime {

using PixelRect = Rect;

// A picture scaled onto the form: its whole source onto x, y, width, height
// in pixels of the client area (a negative size mirrors it).
struct DrawOp {
  Dib Picture;
  int X = 0, Y = 0, Width = 0, Height = 0;
  bool Kept = true;  // repainted on exposure
  PixelRect Bounds() const;
};

bool IsEmpty(const PixelRect& r);
bool Contains(const PixelRect& outer, const PixelRect& inner);
bool Intersects(const PixelRect& a, const PixelRect& b);
// Empty (IsEmpty) when they do not meet.
PixelRect Intersection(const PixelRect& a, const PixelRect& b);

// A monitor other than the form's shows the form's image moved so that the
// form's centre falls on the monitor's centre: the offset from the form's
// client area to the monitor's, and content moved by it.
struct Offset {
  int X = 0, Y = 0;
};
Offset CentreOffset(int formWidth, int formHeight, int monitorWidth, int monitorHeight);
PixelRect Moved(PixelRect rect, Offset by);
DrawOp Moved(DrawOp op, Offset by);

class PersistentImage {
 public:
  // What changed since the changes were last taken: the back colour goes on
  // Fills, then the Draws on top. Whole repaints the window: the back colour
  // everywhere, Kept(), then the Draws.
  struct Changes {
    bool Whole = false;
    std::vector<PixelRect> Fills;
    std::vector<DrawOp> Draws;
    bool Empty() const { return !Whole && Fills.empty() && Draws.empty(); }
  };

  // Cls. With the image kept, only what was drawn since the last clear goes
  // back to the back colour; without it the whole window does.
  void Clear(bool kept);
  // PaintPicture; an op that is not Kept is not repainted on exposure.
  void Draw(const DrawOp& op);
  // A new back colour: nothing drawn stays, everything repaints.
  void Reset();

  const std::vector<DrawOp>& Kept() const { return kept_; }
  Changes TakeChanges();

 private:
  std::vector<DrawOp> kept_;
  Changes pending_;
  // A picture on screen that the list does not hold: the next clear must
  // repaint everything.
  bool unkeptOnScreen_ = false;
};

}  // namespace vss::runtime
