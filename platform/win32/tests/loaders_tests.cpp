// The resource loaders against the resources the saver carries.
#include <cmath>
#include <cstring>

#include "platform/win32/tests/check.h"
#include "platform/win32/win32_form.h"
#include "platform/win32/win32_runtime.h"

using namespace vss::win32;
using namespace vss::win32::test;

namespace {

std::int32_t ExpectedHimetric(int pixels, int pixelsPerInch) {
  return static_cast<std::int32_t>(vss::RoundHalfEven(pixels * 2540.0 / pixelsPerInch));
}

}  // namespace

int main() {
  Win32Runtime runtime(vss::platform::AppDescription{"VSS Loaders Test"});
  const int dpiX = runtime.PixelsPerInchX();
  const int dpiY = runtime.PixelsPerInchY();
  std::printf("screen: %d x %d pixels per inch\n", dpiX, dpiY);

  // Frames: 200 x 320 pixels, HIMETRIC by the screen's real resolution.
  for (int id : {101, 102}) {
    const auto picture = runtime.LoadResPicture(id, 0);
    const std::string name = "bitmap " + std::to_string(id);
    CheckEqual(picture->Width(), ExpectedHimetric(200, dpiX), name + " width in HIMETRIC");
    CheckEqual(picture->Height(), ExpectedHimetric(320, dpiY), name + " height in HIMETRIC");
    if (dpiX == 96 && dpiY == 96) {
      Check(picture->Width() == 5292 && picture->Height() == 8467,
            name + " is 5292 x 8467 at 96 pixels per inch");
    }
    const auto* dib = dynamic_cast<const Win32Picture*>(picture.get());
    if (Check(dib != nullptr, name + " is a DIB picture")) {
      CheckEqual(dib->PixelWidth(), 200, name + " pixel width");
      CheckEqual(dib->PixelHeight(), 320, name + " pixel height");
      CheckEqual(static_cast<int>(dib->Info()->bmiHeader.biBitCount), 8,
                 name + " 8 bits per pixel");
      // The bits follow the 256-entry colour table directly.
      const auto* base = reinterpret_cast<const std::uint8_t*>(dib->Info());
      CheckEqual(static_cast<long>(static_cast<const std::uint8_t*>(dib->Bits()) - base),
                 40L + 1024L, name + " pixels after header and colour table");
    }
  }
  {
    const auto a = runtime.LoadResPicture(101, 0);
    const auto b = runtime.LoadResPicture(102, 0);
    const auto* da = dynamic_cast<const Win32Picture*>(a.get());
    const auto* db = dynamic_cast<const Win32Picture*>(b.get());
    Check(da != nullptr && db != nullptr && std::memcmp(da->Bits(), db->Bits(), 64000) != 0,
          "bitmaps 101 and 102 are two different frames");
  }

  // The clip: the whole resource, RIFF header included.
  const auto clip = runtime.LoadResData(101, "WAVE");
  CheckEqual(static_cast<long>(clip.size()), 32004L, "WAVE 101 is 32004 bytes");
  Check(clip.size() >= 12 && std::memcmp(clip.data(), "RIFF", 4) == 0 &&
            std::memcmp(clip.data() + 8, "WAVE", 4) == 0,
        "WAVE 101 begins with RIFF....WAVE");
  CheckEqual(static_cast<long>(runtime.LoadResData(101, "wave").size()), 32004L,
             "resource type names match regardless of case");

  // Missing resources raise the runtime's error, not a crash.
  const int notFound = static_cast<int>(vss::ErrorNumber::ResourceNotFound);
  CheckRaises([&] { runtime.LoadResPicture(103, 0); }, notFound, "bitmap 103 is missing");
  CheckRaises([&] { runtime.LoadResPicture(0, 0); }, notFound, "bitmap 0 is missing");
  CheckRaises([&] { runtime.LoadResPicture(-101, 0); }, notFound, "bitmap -101 is missing");
  CheckRaises([&] { runtime.LoadResPicture(65536 + 101, 0); }, notFound,
              "an id beyond 16 bits is missing, not bitmap 101");
  CheckRaises([&] { runtime.LoadResData(102, "WAVE"); }, notFound, "WAVE 102 is missing");
  CheckRaises([&] { runtime.LoadResData(101, "SOUND"); }, notFound, "type SOUND is missing");
  CheckRaises([&] { runtime.LoadResData(101, ""); }, notFound, "an empty type name is missing");
  CheckRaises([&] { runtime.LoadResData(-1, "WAVE"); }, notFound, "WAVE -1 is missing");
  CheckRaises([&] { runtime.LoadResPicture(101, 1); },
              static_cast<int>(vss::ErrorNumber::InvalidProcedureCall),
              "a picture kind other than bitmap is refused");

  return Summary();
}
