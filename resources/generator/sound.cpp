#include "sound.h"

#include "dmath.h"

#include <stdexcept>

namespace mediagen {

namespace {

struct Note {
  double start;  // seconds after the lead silence
  double freq;   // Hz
  double amp;
  double decay;  // seconds to fall to 1/e
};

// Tine-like partials: (frequency ratio, level, decay relative to the note's).
// The 2.76 overtone gives the chime its bell colour.
struct Partial {
  double ratio, level, decay;
};
const Partial kPartials[] = {{1.0, 1.0, 1.0}, {2.0, 0.22, 0.45}, {2.76, 0.10, 0.25}};

constexpr double C6 = 1046.50, D6 = 1174.66, E6 = 1318.51, G5 = 783.99, G6 = 1567.98, C5 = 523.25;

// Rising arpeggio on the half-beats of the frame change, a turn, then a chord that rings out.
const Note kTune[] = {
    {0.000, G5, 0.80, 0.30}, {0.125, C6, 0.80, 0.30}, {0.250, E6, 0.80, 0.30},
    {0.375, G6, 0.85, 0.35}, {0.625, E6, 0.65, 0.25}, {0.750, D6, 0.65, 0.25},
    {1.000, C6, 0.65, 0.90}, {1.000, G6, 0.35, 0.70}, {1.000, C5, 0.40, 1.00},
    {1.008, E6, 0.30, 0.70},
};

double noteAt(const Note& n, double t, uint32_t rate) {
  if (t < n.start) return 0.0;
  const double since = t - n.start;
  const double attack = 0.006;
  const double rise = since < attack ? 0.5 - 0.5 * cosd(kPi * since / attack) : 1.0;
  double sum = 0.0;
  for (const Partial& p : kPartials) {
    const double f = n.freq * p.ratio;
    if (f > 0.44 * rate) continue;  // keep clear of aliasing
    const double cycles = f * since;
    const double phase = cycles - std::floor(cycles);
    sum += p.level * expd(-since / (n.decay * p.decay)) * sind(2.0 * kPi * phase);
  }
  return n.amp * rise * sum;
}

}  // namespace

std::vector<uint8_t> synthesizeClip(const ClipLayout& layout) {
  if (layout.samples < layout.leadSilence + layout.tailSilence + 2)
    throw std::runtime_error("no room for sound");
  const size_t active = layout.samples - layout.leadSilence - layout.tailSilence;
  std::vector<double> wave(active);
  double peak = 0.0;
  const double fadeLength = 0.12 * layout.rate;
  for (size_t k = 0; k < active; ++k) {
    const double t = static_cast<double>(k) / layout.rate;
    double v = 0.0;
    for (const Note& n : kTune) v += noteAt(n, t, layout.rate);
    // the chord's tail is faded to nothing so the clip ends without a step
    const double left = static_cast<double>(active - k);
    if (left < fadeLength) v *= 0.5 - 0.5 * cosd(kPi * left / fadeLength);
    wave[k] = v;
    const double a = v < 0 ? -v : v;
    if (a > peak) peak = a;
  }

  const double gain = 96.0 / peak;  // peak level 32..224: well clear of clipping
  std::vector<uint8_t> out(layout.samples, 128);
  for (size_t k = 0; k < active; ++k) {
    out[layout.leadSilence + k] =
        static_cast<uint8_t>(128 + static_cast<int>(std::floor(wave[k] * gain + 0.5)));
  }
  // The sound's first and last samples must not round to silence, or the silent
  // head and tail would be longer than laid out; one step is inaudible.
  uint8_t& first = out[layout.leadSilence];
  uint8_t& last = out[layout.leadSilence + active - 1];
  if (first == 128) first = 129;
  if (last == 128) last = 129;
  return out;
}

}  // namespace mediagen
