// The saver's figure: a small friendly robot that waves hello, drawn in figure units
// (one unit = one pixel of an animation frame, y pointing down).
#pragma once

#include "canvas.h"

namespace mediagen {

constexpr int kFrameWidth = 200;
constexpr int kFrameHeight = 320;

// One animation frame of the given pose.
Canvas renderFrame(int pose);

// Pose 0: arm up, smiling, antenna lit. Pose 1: arm swung out, mouth open ("hi!"),
// antenna dimmed. Everything else is identical in both poses.
void drawFigure(Canvas& canvas, int pose);

// The application icon at `size` x `size` pixels: the smiling head with its antenna
// on a dark tile, rendered for that size rather than scaled down.
Canvas renderIcon(int size);

}  // namespace mediagen
