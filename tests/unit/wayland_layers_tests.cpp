// What an output shows of the form's image as layers: the saver's Tick is
// one layer whose picture changes, whatever the number of Ticks; what a
// newer layer covers goes; the form's image is centred on the output and
// cut to it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "backends/wayland/wayland_layers.h"

namespace vss::wayland {
namespace {

// Two 1 x 1 pictures told apart by their bits.
struct Pictures {
  Pictures() {
    for (auto& bytes : data) {
      const std::int32_t header[] = {40, 1, 1, 32 << 16 | 1};
      std::memcpy(bytes, header, sizeof header);
    }
  }
  runtime::DrawOp Op(int which, int x, int y, int w, int h) const {
    return {*runtime::Dib::Parse(data[which], sizeof data[which]), x, y, w, h, true};
  }
  char Name(const runtime::DrawOp& op) const {
    return op.Picture.Bits() == data[0] + 40 ? 'A' : 'B';
  }
  std::uint8_t data[2][44] = {};
};

std::string Shown(const LayerPlan& plan, const Pictures& pictures) {
  std::string text;
  for (const Layer& layer : plan.Layers()) {
    const runtime::PixelRect& r = layer.place;
    text += layer.picture ? pictures.Name(*layer.picture) : 'F';
    text += std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
            "," + std::to_string(r.bottom) + " ";
  }
  return text;
}

TEST(LayerPlan, KeepsOnlyWhatShowsOfTheImageOnTheOutput) {
  const Pictures p;
  const runtime::PixelRect form{0, 0, 100, 80};
  struct Step {
    std::vector<runtime::PixelRect> fills;
    std::vector<runtime::DrawOp> draws;
    std::optional<runtime::PixelRect> clip;
    std::string shown;
  };
  const runtime::PixelRect big{0, 0, 100, 80}, small{0, 0, 60, 40};
  const std::vector<std::tuple<runtime::PixelRect, std::vector<Step>>> outputs = {
      // The saver on its own output: a whole repaint, then Ticks.
      {big,
       {{{form}, {p.Op(0, 40, 30, 20, 20)}, {}, "A40,30,60,50 "},
        {{}, {p.Op(1, 40, 30, 20, 20)}, {}, "B40,30,60,50 "},
        {{}, {p.Op(0, 40, 30, 20, 20)}, {}, "A40,30,60,50 "},
        // Cleared in part: the back colour over that part only; a picture
        // over both hides them for good.
        {{{50, 30, 70, 50}}, {}, {}, "A40,30,60,50 F50,30,70,50 "},
        {{}, {p.Op(1, 30, 20, 40, 40)}, {}, "B30,20,70,60 "},
        {{{0, 0, 10, 10}}, {}, {}, "B30,20,70,60 "},
        // An exposure repaints its part; a clear of everything leaves none.
        {{{45, 30, 60, 50}},
         {p.Op(1, 30, 20, 40, 40)},
         {{45, 30, 60, 50}},
         "B30,20,70,60 B45,30,60,50 "},
        {{form}, {}, {}, ""}}},
      // A smaller output: the image centred (20 and 20 pixels off) and cut.
      {small,
       {{{form}, {p.Op(0, 40, 30, 20, 20)}, {}, "A20,10,40,30 "},
        {{},
         {p.Op(1, 0, 0, 30, 30), p.Op(0, 90, 70, -20, -20)},
         {},
         "A20,10,40,30 B0,0,10,10 A50,30,60,40 "},
        {{}, {p.Op(1, -100, -100, 10, 10)}, {}, "A20,10,40,30 B0,0,10,10 A50,30,60,40 "}}},
  };
  for (const auto& [area, steps] : outputs) {
    LayerPlan plan;
    const runtime::Offset offset = runtime::CentreOffset(100, 80, area.right, area.bottom);
    for (const Step& step : steps) {
      plan.Apply(step.fills, step.draws, 0x102030, step.clip ? &*step.clip : nullptr, offset, area);
      EXPECT_EQ(Shown(plan, p), step.shown) << area.right << "x" << area.bottom;
      EXPECT_EQ(plan.Background(), 0x102030u);
    }
  }
}

}  // namespace
}  // namespace vss::wayland
