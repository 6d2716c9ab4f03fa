#include "runtime/forms_runtime.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "runtime/dib.h"

namespace vss::runtime {

namespace {

ScreenMetrics MetricsOf(Backend& backend) { return backend.Screen(); }

void RequireNames(const std::string& app, const std::string& section, const std::string& key) {
  if (app.empty() || section.empty() || key.empty()) {
    throw RuntimeError(ErrorNumber::InvalidProcedureCall,
                       "Invalid procedure call: empty settings name");
  }
}

[[noreturn]] void ResourceNotFound(std::int32_t id) {
  throw RuntimeError(ErrorNumber::ResourceNotFound,
                     "Resource with identifier '" + std::to_string(id) + "' not found");
}

}  // namespace

std::string FormatNumber(double value) {
  char text[32];
  for (int digits = 1; digits <= 17; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    // Plain digits where they are exact: 2280, not 2.28e+03.
    if (std::strtod(text, nullptr) == value && std::strchr(text, 'e') == nullptr) break;
  }
  return text;
}

FormsRuntime::FormsRuntime(Backend& backend, AppDescription app)
    : backend_(backend),
      app_(std::move(app)),
      units_(MetricsOf(backend).PixelsPerInchX, MetricsOf(backend).PixelsPerInchY) {}

FormsRuntime::~FormsRuntime() {
  // The forms' code may be gone before the runtime: windows only.
  for (auto& form : forms_) {
    if (form->Peer() != nullptr) form->Peer()->Destroy();
  }
}

// ---- Start, messages, end --------------------------------------------------------

void FormsRuntime::Start(const std::function<void()>& startProcedure) {
  Dispatch(startProcedure);
  startReturned_ = true;
  MaybeQuit();
}

void FormsRuntime::Dispatch(const std::function<void()>& message) {
  struct Depth {
    int& depth;
    explicit Depth(int& d) : depth(d) { ++depth; }
    ~Depth() { --depth; }
  };
  {
    Depth inMessage(depth_);
    try {
      message();
    } catch (const RuntimeError& error) {
      EndWithError(static_cast<int>(error.Number()), error.what());
    } catch (const std::bad_alloc&) {
      EndWithError(static_cast<int>(ErrorNumber::OutOfMemory), "Out of memory");
    } catch (const std::exception& error) {
      EndWithError(static_cast<int>(ErrorNumber::InternalError), error.what());
    } catch (...) {
      if (exiting_) throw;  // a backend whose Exit unwinds (the recording one)
      EndWithError(static_cast<int>(ErrorNumber::InternalError), "Internal error");
    }
  }
  if (depth_ > 0) return;
  for (const auto& form : forms_) form->Flush();
  unloaded_.clear();
}

void FormsRuntime::AddErrorCleanup(std::function<void()> cleanup) {
  cleanups_.push_back(std::move(cleanup));
}

void FormsRuntime::EndWithError(int number, const std::string& what) {
  if (number == 0) number = static_cast<int>(ErrorNumber::InternalError);
  if (!ending_) {
    ending_ = true;
    for (const auto& cleanup : cleanups_) {
      try {
        cleanup();
      } catch (...) {
      }
    }
    // Somebody is looking at a dialog: say why it goes. A saver or preview
    // has nobody to read a message.
    for (const auto& form : forms_) {
      if (form->Loaded() && form->IsDialog() && form->Shown()) {
        try {
          backend_.ShowError(*form, app_.Title,
                             what + "\n\nRun-time error " + std::to_string(number) + ".");
        } catch (...) {
        }
        break;
      }
    }
  }
  Exit(number);
}

void FormsRuntime::Exit(int code) {
  exiting_ = true;
  backend_.Exit(code);
  std::abort();  // a backend's Exit never returns
}

void FormsRuntime::MaybeQuit() {
  if (startReturned_ && forms_.empty() && !quit_) {
    quit_ = true;
    backend_.Quit();
  }
}

// ---- App and screen --------------------------------------------------------------

Boolean FormsRuntime::AppPrevInstance() {
  Trace("App.PrevInstance");
  // The first question claims the instance for the life of the process.
  if (!prevInstance_) prevInstance_ = backend_.ClaimInstance(app_.Title);
  return CBool(*prevInstance_);
}

void FormsRuntime::End() {
  Trace("End");
  Exit(0);
}

std::string FormsRuntime::Command() {
  Trace("Command");
  return backend_.CommandLine();
}

float FormsRuntime::ScreenWidth() { return units_.TwipsX(backend_.Screen().WidthPixels); }
float FormsRuntime::ScreenHeight() { return units_.TwipsY(backend_.Screen().HeightPixels); }

// ---- Forms -----------------------------------------------------------------------

LoadedForm* FormsRuntime::Find(const Form& form) const {
  for (const auto& f : forms_) {
    if (f.get() == &form) return f.get();
  }
  return nullptr;
}

LoadedForm* FormsRuntime::FindForm(const std::string& name) const {
  for (const auto& f : forms_) {
    if (f->Loaded() && f->Name() == name) return f.get();
  }
  return nullptr;
}

std::vector<LoadedForm*> FormsRuntime::LoadedForms() const {
  std::vector<LoadedForm*> loaded;
  for (const auto& f : forms_) loaded.push_back(f.get());
  return loaded;
}

Form& FormsRuntime::Load(FormModule& code, const FormDesign& design) {
  // Loading a loaded form does nothing more.
  for (const auto& f : forms_) {
    if (&f->Code() == &code) return *f;
  }
  Trace([&] { return "Load " + design.Name; });
  forms_.push_back(std::make_unique<LoadedForm>(*this, code, design));
  LoadedForm& form = *forms_.back();
  form.Create();
  code.Bind(&form);
  form.MarkLoaded();
  code.Form_Load();
  return form;
}

void FormsRuntime::Unload(Form& target) {
  LoadedForm* form = Find(target);
  if (form == nullptr || !form->BeginUnload()) return;
  Trace([&] { return "Unload " + form->Name(); });
  std::int16_t cancel = 0;
  form->Code().Form_Unload(cancel);
  if (cancel != 0) {
    form->CancelUnload();
    return;
  }
  Retire(*form, true);
}

void FormsRuntime::FormWindowLost(LoadedForm& form) {
  if (!form.BeginUnload()) return;
  Trace([&] { return "Unload " + form.Name(); });
  std::int16_t cancel = 0;
  form.Code().Form_Unload(cancel);
  Retire(form, false);
}

void FormsRuntime::Retire(LoadedForm& form, bool destroyWindow) {
  form.Retire(destroyWindow);
  const auto it = std::find_if(forms_.begin(), forms_.end(),
                               [&form](const auto& f) { return f.get() == &form; });
  if (it != forms_.end()) {
    unloaded_.push_back(std::move(*it));
    forms_.erase(it);
  }
  MaybeQuit();
}

// ---- Resources -------------------------------------------------------------------

std::unique_ptr<Picture> FormsRuntime::LoadResPicture(std::int32_t id, PictureKind kind) {
  Trace([&] {
    return "LoadResPicture(" + std::to_string(id) + "," + std::to_string(static_cast<int>(kind)) +
           ")";
  });
  if (kind != PictureKind::Bitmap) {
    throw RuntimeError(ErrorNumber::InvalidProcedureCall, "Invalid procedure call: picture kind");
  }
  if (id < 1 || id > 0xFFFF) ResourceNotFound(id);
  const ResourceBytes bytes = backend_.FindResource({BitmapResource, ""}, id);
  if (bytes.Data == nullptr) ResourceNotFound(id);
  const auto dib = Dib::Parse(bytes.Data, bytes.Size);
  if (!dib) {
    throw RuntimeError(ErrorNumber::InvalidPicture,
                       "Invalid picture: bitmap " + std::to_string(id));
  }
  return std::make_unique<LoadedPicture>(id, *dib, units_.HimetricX(dib->Width()),
                                         units_.HimetricY(dib->Height()));
}

std::vector<std::uint8_t> FormsRuntime::LoadResData(std::int16_t id, const std::string& type) {
  Trace([&] { return "LoadResData(" + std::to_string(id) + "," + type + ")"; });
  if (type.empty() || id < 1) ResourceNotFound(id);
  const ResourceBytes bytes = backend_.FindResource({0, type}, id);
  if (bytes.Data == nullptr) ResourceNotFound(id);
  return std::vector<std::uint8_t>(bytes.Data, bytes.Data + bytes.Size);
}

// ---- Settings --------------------------------------------------------------------

std::string FormsRuntime::GetSetting(const std::string& appName, const std::string& section,
                                     const std::string& key, const std::string& defaultValue) {
  Trace([&] {
    return "GetSetting(" + appName + "," + section + "," + key + "," + defaultValue + ")";
  });
  RequireNames(appName, section, key);
  // Two optional values must never keep the program from running: a store
  // that cannot be read reads as the defaults, as an empty one does.
  try {
    auto stored = backend_.ReadSetting(appName, section, key);
    return stored ? *stored : defaultValue;
  } catch (const RuntimeError&) {
    return defaultValue;
  }
}

void FormsRuntime::SaveSetting(const std::string& appName, const std::string& section,
                               const std::string& key, const std::string& setting) {
  Trace([&] { return "SaveSetting(" + appName + "," + section + "," + key + "," + setting + ")"; });
  RequireNames(appName, section, key);
  backend_.WriteSetting(appName, section, key, setting);
}

// ---- Random numbers -------------------------------------------------------------

void FormsRuntime::Randomize() {
  Trace("Randomize");
  random_.Randomize(backend_.SecondsSinceMidnight());
}

float FormsRuntime::Rnd() {
  const float value = random_.Next();
  Trace([&] { return "Rnd=" + FormatNumber(value); });
  return value;
}

}  // namespace vss::runtime
