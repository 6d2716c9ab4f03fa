#include "runtime/image.h"

#include <algorithm>

namespace vss::runtime {

namespace {

// More rectangles than this in one change are kept as their union.
constexpr std::size_t MaxRects = 16;

PixelRect Union(const PixelRect& a, const PixelRect& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

// Adds r to a short list, dropping what it contains and what contains it.
void AddRect(std::vector<PixelRect>& list, const PixelRect& r) {
  if (IsEmpty(r)) return;
  for (const PixelRect& have : list) {
    if (Contains(have, r)) return;
  }
  list.erase(std::remove_if(list.begin(), list.end(),
                            [&r](const PixelRect& have) { return Contains(r, have); }),
             list.end());
  if (list.size() >= MaxRects) {
    PixelRect all = r;
    for (const PixelRect& have : list) all = Union(all, have);
    list.assign(1, all);
    return;
  }
  list.push_back(r);
}

// Half the difference, rounded down also when the monitor is the smaller.
int HalfOfDifference(int to, int from) {
  const int difference = to - from;
  return difference >= 0 ? difference / 2 : -((1 - difference) / 2);
}

}  // namespace

Offset CentreOffset(int formWidth, int formHeight, int monitorWidth, int monitorHeight) {
  return {HalfOfDifference(monitorWidth, formWidth), HalfOfDifference(monitorHeight, formHeight)};
}

PixelRect Moved(PixelRect rect, Offset by) {
  return {rect.left + by.X, rect.top + by.Y, rect.right + by.X, rect.bottom + by.Y};
}

DrawOp Moved(DrawOp op, Offset by) {
  op.X += by.X;
  op.Y += by.Y;
  return op;
}

PixelRect DrawOp::Bounds() const {
  PixelRect r{X, Y, X + Width, Y + Height};
  if (r.right < r.left) std::swap(r.left, r.right);
  if (r.bottom < r.top) std::swap(r.top, r.bottom);
  return r;
}

bool IsEmpty(const PixelRect& r) { return r.right <= r.left || r.bottom <= r.top; }

bool Contains(const PixelRect& outer, const PixelRect& inner) {
  return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
         outer.bottom >= inner.bottom;
}

PixelRect Intersection(const PixelRect& a, const PixelRect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

bool Intersects(const PixelRect& a, const PixelRect& b) { return !IsEmpty(Intersection(a, b)); }

void PersistentImage::Clear(bool kept) {
  if (!kept || unkeptOnScreen_) {
    Reset();
    return;
  }
  for (const DrawOp& op : kept_) AddRect(pending_.Fills, op.Bounds());
  kept_.clear();
  pending_.Draws.clear();
}

void PersistentImage::Draw(const DrawOp& op) {
  pending_.Draws.push_back(op);
  if (!op.Kept) {
    unkeptOnScreen_ = true;
    return;
  }
  // Pictures are opaque: one that covers an earlier one hides it for good.
  const PixelRect bounds = op.Bounds();
  kept_.erase(
      std::remove_if(kept_.begin(), kept_.end(),
                     [&bounds](const DrawOp& have) { return Contains(bounds, have.Bounds()); }),
      kept_.end());
  kept_.push_back(op);
}

void PersistentImage::Reset() {
  kept_.clear();
  pending_ = Changes{};
  pending_.Whole = true;
  unkeptOnScreen_ = false;
}

PersistentImage::Changes PersistentImage::TakeChanges() {
  Changes changes = std::move(pending_);
  pending_ = Changes{};
  // A clear that a picture of the same message covers needs no fill: the
  // saver paints each frame right over the last one.
  auto& fills = changes.Fills;
  fills.erase(std::remove_if(fills.begin(), fills.end(),
                             [&changes](const PixelRect& fill) {
                               return std::any_of(changes.Draws.begin(), changes.Draws.end(),
                                                  [&fill](const DrawOp& op) {
                                                    return Contains(op.Bounds(), fill);
                                                  });
                             }),
              fills.end());
  if (changes.Whole) {
    changes.Fills.clear();
    changes.Draws.erase(std::remove_if(changes.Draws.begin(), changes.Draws.end(),
                                       [](const DrawOp& op) { return op.Kept; }),
                        changes.Draws.end());
  }
  return changes;
}

}  // namespace vss::runtime
