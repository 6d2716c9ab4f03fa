#include "figure.h"

namespace mediagen {

namespace {

const RGB kMetal{180, 212, 228};
const RGB kJoint{96, 118, 146};
const RGB kAccent{255, 138, 36};
const RGB kScreen{6, 14, 38};
const RGB kEye{175, 250, 255};
const RGB kEyeGlow{20, 150, 255};
const RGB kHeart{255, 60, 105};
const RGB kCheek{255, 90, 150};

constexpr double cx = 89;  // body axis; the waving arm needs the room on the right

Shader bevel(RGB base, double width, double gloss, bool inset = false) {
  return [=](const Frag& f) { return shadeBevel(f, base, width, gloss, inset); };
}

Shader flat(RGB colour) {
  return [=](const Frag&) { return colour; };
}

// A limb: a rounded tube from a to b.
void drawLimb(Canvas& c, Vec2 a, Vec2 b, double r) {
  c.paint([=](Vec2 p) { return sdSegment(p, a, b, r); }, bevel(kJoint, r, 0.5));
}

// Open cartoon hand at `h`: four fingers fanned along the forearm direction and a
// thumb on the side `thumbSide` of it.
void drawHand(Canvas& c, Vec2 elbow, Vec2 h, double thumbSide) {
  const Vec2 dir = normalize(h - elbow);
  auto turned = [&](double degrees) {
    const double a = degrees * kPi / 180.0 * thumbSide;
    const double cs = cosd(a), sn = sind(a);
    return Vec2{dir.x * cs - dir.y * sn, dir.x * sn + dir.y * cs};
  };
  const Shader skin = bevel(kAccent, 3.2, 0.7);
  const Vec2 thumb = turned(-80);
  c.paint([=](Vec2 p) { return sdSegment(p, h + thumb * 3.0, h + thumb * 11.0 + dir * 2.0, 3.2); },
          skin);
  for (double angle : {-30.0, -10.0, 10.0, 30.0}) {
    const Vec2 d = turned(angle);
    const double reach = angle == -10.0 || angle == 10.0 ? 14.0 : 12.0;
    c.paint([=](Vec2 p) { return sdSegment(p, h + d * 4.0, h + d * reach, 2.9); }, skin);
  }
  c.paint([=](Vec2 p) { return sdCircle(p, h, 8.0); }, bevel(kAccent, 7, 0.7));
}

void drawLegs(Canvas& c) {
  for (double s : {-1.0, 1.0}) {
    const double x = cx + 18 * s;
    drawLimb(c, {x, 246}, {x, 284}, 8);
    c.paint(
        [=](Vec2 p) {
          return sdRoundBox(p, {x + 4 * s, 293}, {20, 11}, 9);
        },
        bevel(kAccent, 9, 0.7));
  }
}

void drawBody(Canvas& c) {
  const Vec2 centre{cx, 196};
  c.paint([=](Vec2 p) { return sdRoundBox(p, centre, {46, 52}, 20); }, bevel(kMetal, 16, 0.8));
  // chest window
  const Shape window = [=](Vec2 p) { return sdRoundBox(p, {cx, 186}, {27, 24}, 10); };
  c.paint(window, bevel(kScreen, 4, 0.0, true));
  // three little status lights
  const RGB lights[3] = {{255, 70, 70}, {255, 210, 40}, {70, 240, 110}};
  for (int k = 0; k < 3; ++k) {
    const Vec2 at{cx - 16 + 16 * k, 229};
    c.paint([=](Vec2 p) { return sdCircle(p, at, 4.2); }, bevel(lights[k], 4.2, 0.9));
  }
}

void drawHeart(Canvas& c, int pose) {
  const Shape window = [=](Vec2 p) { return sdRoundBox(p, {cx, 186}, {27, 24}, 10); };
  // the heart beats: larger and brighter on the second beat
  const double size = pose == 0 ? 22.0 : 25.0;
  const Vec2 tip{cx, pose == 0 ? 198.0 : 199.5};
  const Shape heart = [=](Vec2 p) { return sdHeart(p, tip, size); };
  c.glow(heart, kHeart * (pose == 0 ? 0.35 : 0.55), 3.5, 14, &window);
  c.paint(heart, bevel(kHeart, 7, 0.9));
}

void drawHead(Canvas& c) {
  // neck
  c.paint([](Vec2 p) { return sdRoundBox(p, {cx, 138}, {15, 9}, 4); }, bevel(kJoint, 4, 0.4));
  // ears
  for (double s : {-1.0, 1.0}) {
    const Vec2 at{cx + 54 * s, 90};
    c.paint([=](Vec2 p) { return sdCircle(p, at, 11); }, bevel(kAccent, 7, 0.7));
    c.paint([=](Vec2 p) { return sdCircle(p, at, 4.5); }, bevel(kAccent * 0.75, 4.5, 0.3, true));
  }
  c.paint([](Vec2 p) { return sdRoundBox(p, {cx, 88}, {53, 43}, 25); }, bevel(kMetal, 18, 0.8));
}

void drawFace(Canvas& c, int pose) {
  const Shape screen = [](Vec2 p) { return sdRoundBox(p, {cx, 92}, {40, 29}, 16); };
  c.paint(screen, [](const Frag& f) {
    // faint vertical sheen, darker towards the chin
    const double t = clamp01((f.p.y - 64) / 56);
    return shadeBevel(f, mix(RGB{14, 30, 70}, kScreen, t), 5, 0.0, true);
  });
  // eyes with their light spilling onto the screen
  for (double s : {-1.0, 1.0}) {
    const Vec2 at{cx + 18 * s, 86};
    const Shape eye = [=](Vec2 p) { return sdEllipse(p, at, 7.5, 10.0); };
    c.glow(eye, kEyeGlow * 0.55, 3.0, 12, &screen);
    c.paint(eye, [=](const Frag& f) {
      const double t = clamp01(length(f.p - at + Vec2{2, 3}) / 10.0);
      return mix(RGB{250, 255, 255}, kEye, t);
    });
    const Vec2 glint = at + Vec2{-2.5, -4.0};
    c.paint([=](Vec2 p) { return sdCircle(p, glint, 1.8); }, flat({255, 255, 255}));
    const Vec2 cheek{cx + 30 * s, 103};
    c.paint([=](Vec2 p) { return sdEllipse(p, cheek, 6.5, 3.5); }, flat(kCheek), &screen, 0.55);
  }
  const double stroke = c.pixelSize() * 0.55 > 1.7 ? c.pixelSize() * 0.55 : 1.7;
  if (pose == 0) {
    const Shape smile = [=](Vec2 p) { return sdArcDown(p, {cx, 96}, 1.05, 11, stroke); };
    c.glow(smile, kEyeGlow * 0.5, 2.5, 9, &screen);
    c.paint(smile, flat(kEye));
  } else {
    // open mouth saying hello: a rounded "D" lying on its back
    const Shape mouth = [](Vec2 p) {
      const double bowl = sdEllipse(p, {cx, 100}, 10.5, 10.0);
      const double lid = 100 - p.y;
      return bowl > lid ? bowl : lid;
    };
    const Shape rounded = [=](Vec2 p) { return mouth(p) - 1.5; };
    c.glow(rounded, kEyeGlow * 0.5, 2.5, 9, &screen);
    c.paint(rounded, flat(kEye));
    const Shape inner = [=](Vec2 p) { return mouth(p) + stroke - 1.5; };
    c.paint(inner, flat({10, 70, 110}));
    const Shape tongue = [](Vec2 p) { return sdEllipse(p, {cx, 107}, 6.0, 3.2); };
    c.paint(tongue, flat({255, 110, 150}), &inner);
  }
}

void drawAntenna(Canvas& c, int pose) {
  c.paint([](Vec2 p) { return sdSegment(p, {cx, 47}, {cx, 24}, 2.6); }, bevel(kJoint, 2.6, 0.5));
  c.paint([](Vec2 p) { return sdRoundBox(p, {cx, 46}, {10, 5}, 4); }, bevel(kAccent, 4, 0.6));
  const Shape bulb = [](Vec2 p) { return sdCircle(p, {cx, 16}, 8.5); };
  if (pose == 0) {
    c.glow(bulb, RGB{255, 190, 60} * 0.5, 3.5, 10);
    c.paint(bulb, [](const Frag& f) {
      const double t = clamp01(length(f.p - Vec2{cx - 2.5, 13}) / 9.0);
      return mix(RGB{255, 255, 225}, RGB{255, 185, 40}, t);
    });
  } else {
    c.paint(bulb, bevel({200, 96, 28}, 8.5, 0.8));
  }
}

void drawWavingArm(Canvas& c, int pose) {
  const Vec2 shoulder{cx + 47, 164};
  const Vec2 elbow{cx + 76, 150};
  const Vec2 hand = pose == 0 ? Vec2{cx + 78, 98} : Vec2{cx + 93, 109};
  drawLimb(c, shoulder, elbow, 6.5);
  drawLimb(c, elbow, hand, 6.5);
  c.paint([=](Vec2 p) { return sdCircle(p, elbow, 8); }, bevel(kJoint, 8, 0.6));
  drawHand(c, elbow, hand, -1.0);
}

void drawRestingArm(Canvas& c) {
  const Vec2 shoulder{cx - 47, 164};
  const Vec2 elbow{cx - 62, 198};
  const Vec2 hand{cx - 57, 232};
  drawLimb(c, shoulder, elbow, 6.5);
  drawLimb(c, elbow, hand, 6.5);
  c.paint([=](Vec2 p) { return sdCircle(p, elbow, 8); }, bevel(kJoint, 8, 0.6));
  drawHand(c, elbow, hand, -1.0);
}

void drawShoulders(Canvas& c) {
  for (double s : {-1.0, 1.0}) {
    const Vec2 at{cx + 46 * s, 164};
    c.paint([=](Vec2 p) { return sdCircle(p, at, 10.5); }, bevel(kAccent, 10.5, 0.7));
  }
}

}  // namespace

void drawFigure(Canvas& canvas, int pose) {
  drawAntenna(canvas, pose);
  drawLegs(canvas);
  drawRestingArm(canvas);
  drawWavingArm(canvas, pose);
  drawBody(canvas);
  drawHeart(canvas, pose);
  drawShoulders(canvas);
  drawHead(canvas);
  drawFace(canvas, pose);
}

Canvas renderFrame(int pose) {
  // the figure sits a little low in its units; centre it vertically in the frame
  Canvas canvas(kFrameWidth, kFrameHeight, {0, -6}, 1.0);
  drawFigure(canvas, pose);
  return canvas;
}

Canvas renderIcon(int size) {
  const double side = 146;
  const Vec2 origin{cx - side / 2, 0};
  Canvas canvas(size, size, origin, side / size);
  const Vec2 middle = origin + Vec2{side / 2, side / 2};
  for (int j = 0; j < size; ++j) {
    for (int i = 0; i < size; ++i) {
      const double t = clamp01(length(canvas.centre(i, j) - middle) / (side * 0.7));
      canvas.at(i, j) = mix(RGB{22, 44, 92}, RGB{4, 8, 24}, t);
    }
  }
  drawAntenna(canvas, 0);
  drawHead(canvas);
  drawFace(canvas, 0);
  return canvas;
}

}  // namespace mediagen
