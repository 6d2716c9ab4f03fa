#include "backends/fake/fake_backend.h"

namespace vss::fake {

// ---- FakeBackend ------------------------------------------------------------------

std::unique_ptr<runtime::FormPeer> FakeBackend::CreateForm(runtime::LoadedForm& form) {
  const auto& design = form.Design();
  const runtime::Units& units = form.Owner().Metrics();
  // A sizable frame adds a border and a caption bar around the client area.
  const bool framed = design.Border == BorderStyle::Sizable;
  const int frameWidth = framed ? 8 : 0;
  const int frameHeight = framed ? 27 : 0;
  const runtime::PixelRect bounds{0, 0, units.PixelsX(design.ClientWidth) + frameWidth,
                                  units.PixelsY(design.ClientHeight) + frameHeight};
  auto window = std::make_unique<FakeForm>(nextHandle_, bounds, frameWidth, frameHeight);
  nextHandle_ += 0x10;
  for (const auto& control : form.Controls()) {
    auto peer = std::make_unique<FakeControl>();
    window->controls[control.get()] = peer.get();
    control->Attach(std::move(peer));
  }
  return window;
}

// ---- FakeRuntime --------------------------------------------------------------------

FakeRuntime::FakeRuntime(FakeBackend& backend, CallLog& log)
    : runtime::FormsRuntime(backend, AppDescription{"Vorlan Screen Saver 2"}) {
  SetTrace([&log](const std::string& entry) { log.Add(entry); });
}

float FakeRuntime::Rnd() {
  if (RandomValues.empty()) return runtime::FormsRuntime::Rnd();
  const float value = RandomValues.front();
  RandomValues.pop_front();
  Trace([&] { return "Rnd=" + runtime::FormatNumber(value); });
  return value;
}

}  // namespace vss::fake
