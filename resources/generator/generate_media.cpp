// vss_mediagen OUTPUT_DIR: writes every embedded media file of the saver into OUTPUT_DIR.
// The output depends on nothing but this source, so the committed media can be
// checked against a fresh run byte for byte.
#include "figure.h"
#include "formats.h"
#include "quantize.h"
#include "sound.h"

#include <cstdio>
#include <fstream>
#include <string>

using namespace mediagen;

namespace {

bool writeFile(const std::string& dir, const std::string& name, const Bytes& bytes) {
  const std::string path = dir + "/" + name;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "vss_mediagen: cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("%s (%zu bytes)\n", name.c_str(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vss_mediagen OUTPUT_DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  bool ok = true;

  const Palette cube = cubePalette();
  for (int pose = 0; pose < 2; ++pose) {
    const Canvas frame = renderFrame(pose);
    ok &= writeFile(dir, "frame" + std::to_string(101 + pose) + ".bmp",
                    bmpFile(kFrameWidth, kFrameHeight, ditherToCube(frame), cube));
  }

  const ClipLayout clip{11025, 31957, 616, 524};
  ok &= writeFile(dir, "clip101.wav", waveImage(synthesizeClip(clip), clip.rate, 2));

  const int sizes[3] = {16, 32, 48};
  const Canvas icons[3] = {renderIcon(16), renderIcon(32), renderIcon(48)};
  const Palette iconColours = iconPalette({&icons[0], &icons[1], &icons[2]});
  std::vector<IconEntry> group;
  for (int k = 0; k < 3; ++k) {
    const uint16_t id = static_cast<uint16_t>(30001 + k);
    const Bytes image = iconImage(sizes[k], mapToPalette(icons[k], iconColours), iconColours);
    ok &= writeFile(dir, "icon" + std::to_string(id) + ".bin", image);
    group.push_back({sizes[k], static_cast<uint32_t>(image.size()), id});
  }
  ok &= writeFile(dir, "icongroup1.bin", iconGroup(group));

  const std::string title = "Vorlan Screen Saver 2";
  const std::string description = "A waving robot screen saver with a chime";
  const VersionStrings strings = {
      {"Comments", description},
      {"CompanyName", "Vorlan"},
      {"FileDescription", description},
      {"LegalCopyright", "Copyright (C) 2026 Vorlan"},
      {"ProductName", title},
      {"FileVersion", "2.00"},
      {"ProductVersion", "2.00"},
      {"InternalName", title},
      {"OriginalFilename", title + ".scr"},
  };
  ok &= writeFile(dir, "version1.bin", versionBlock(2, 0, strings, 1024));

  return ok ? 0 : 1;
}
