#include <alsa/asoundlib.h>

#include "native/alsa_sound.h"
#include "support.h"

namespace vss::native {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The product's clip: a RIFF image, then two bytes that are not part of it.
const Bytes Clip = [] {
  std::ifstream in(fs::path(VSS_MEDIA_DIR) / "clip101.wav", std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}();
constexpr std::size_t Frames = 31957;
const std::string Samples(Clip.begin() + 44, Clip.begin() + 44 + Frames);

// A HOME whose .asoundrc makes ALSA's file plug-in the default device,
// writing the samples to `output`; alsa-lib is told to read its
// configuration afresh. HOME stays set: only these tests read it.
struct AlsaHome {
  TempDir dir;
  fs::path output = dir.path / "out.raw";
  AlsaHome() {
    std::ofstream(dir.path / ".asoundrc") << "pcm.!default {type file; slave.pcm null; file \""
                                          << output.string() << "\"; format raw}\n";
    ::setenv("HOME", dir.path.c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    snd_config_update_free_global();
  }
};

TEST(SoundPlayer, PlaysOnlyPcmWaveImagesAndReadsNoFurtherThanTheRiffSize) {
  // One change to the clip's header {offset, value, bytes}, and the frames
  // it leaves to play; 0: refused. RIFF size at 4, fmt at 12, data at 36.
  const std::uint32_t cases[][4] = {
      {0, 0, 0, Frames}, {4, 31993, 4, Frames}, {0, 'X', 1, 0},    {8, 'X', 1, 0},
      {12, 'X', 1, 0},   {36, 'X', 1, 0},       {16, 14, 4, 0},    {20, 3, 2, 0},
      {22, 3, 2, 0},     {22, 0, 2, 0},         {24, 0, 4, 0},     {32, 2, 2, 0},
      {34, 16, 2, 0},    {34, 24, 2, 0},        {40, 31959, 4, 0}, {4, 100, 4, 0},
      {4, 3, 4, 0},      {4, 0x7FFFFFFF, 4, 0}};
  SoundPlayer player;
  for (const auto& [offset, value, bytes, frames] : cases) {
    Bytes image(Clip.begin(), Clip.end() - 2);  // exactly the RIFF image, for ASan
    for (std::uint32_t i = 0; i < bytes; ++i) image[offset + i] = value >> (8 * i);
    EXPECT_EQ(ParseWave(image.data()).value_or(WaveClip{}).frames, frames)
        << offset << "=" << value;
    EXPECT_TRUE(frames > 0 || !(player.Play(image.data(), true) || player.Playing()));
  }
  // A chunk of odd length and its pad byte before the others.
  Bytes padded(Clip.begin(), Clip.end() - 2);
  padded.insert(padded.begin() + 12, {'L', 'I', 'S', 'T', 1, 0, 0, 0, 'x', 0});
  padded[4] = 0x04, padded[5] = 0x7D;  // the RIFF size, 31994 + 10
  EXPECT_EQ(ParseWave(padded.data()).value_or(WaveClip{}).frames, Frames);
}

TEST(SoundPlayer, PlaysOnceOrLoopedUntilStoppedOrReplaced) {
  AlsaHome home;
  SoundPlayer player;
  // The caller may change and free the image as soon as Play returns.
  auto image = std::make_unique<Bytes>(Clip);
  ASSERT_TRUE(player.Play(image->data(), false));
  std::fill(image->begin(), image->end(), 0x55);
  image.reset();
  ASSERT_TRUE(WaitUntil([&] { return !player.Playing(); }));
  EXPECT_EQ(Slurp(home.output), Samples);

  ASSERT_TRUE(player.Play(Clip.data(), true) && player.Play(Clip.data(), false));
  ASSERT_TRUE(WaitUntil([&] { return !player.Playing(); }));
  EXPECT_EQ(Slurp(home.output), Samples);

  ASSERT_TRUE(player.Play(Clip.data(), true));
  ASSERT_TRUE(WaitUntil(
      [&] { return fs::exists(home.output) && fs::file_size(home.output) > 2 * Frames; }));
  player.Stop();
  ASSERT_TRUE(WaitUntil([&] { return !player.Playing(); }));
  const std::string played = Slurp(home.output);
  std::string expected;
  while (expected.size() < played.size()) expected += Samples;
  EXPECT_TRUE(played.size() > 2 * Frames && expected.compare(0, played.size(), played) == 0);
}

}  // namespace
}  // namespace vss::native
