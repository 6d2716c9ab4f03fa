// The forms runtime, once for every platform: the application and screen,
// the life cycle of forms (load, unload, a window lost, the end of the
// process when the start procedure has returned and no form is left),
// resources, settings, random numbers, and the orderly end after a runtime
// error. A Backend supplies the native side.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "api/random.h"
#include "api/forms.h"
#include "runtime/backend.h"
#include "runtime/loaded_form.h"
#include "runtime/units.h"

namespace vss::runtime {

// A number as a trace shows it: the shortest text that reads back the same.
std::string FormatNumber(double value);

class FormsRuntime : public Runtime {
 public:
  FormsRuntime(Backend& backend, AppDescription app);
  ~FormsRuntime() override;
  FormsRuntime(const FormsRuntime&) = delete;
  FormsRuntime& operator=(const FormsRuntime&) = delete;

  // Runs the start procedure as the first message. The backend's loop then
  // runs until Quit, which comes once no form is left.
  void Start(const std::function<void()>& startProcedure);
  // One message: a runtime error inside it ends the program in an orderly
  // way; what it drew reaches the windows when the outermost one ends.
  void Dispatch(const std::function<void()>& message);
  bool InMessage() const { return depth_ > 0; }

  // Runs before the process ends after a runtime error (cursor, sound).
  void AddErrorCleanup(std::function<void()> cleanup);
  [[noreturn]] void EndWithError(int number, const std::string& what);

  // Every operation the behaviour asks of the runtime, as one line each.
  void SetTrace(std::function<void(const std::string&)> trace) { trace_ = std::move(trace); }
  // The entry: a text, or a function that makes it, called only while a
  // trace is set, so that a Tick builds no text nobody reads.
  template <typename Entry>
  void Trace(const Entry& entry) const {
    if (!trace_) return;
    if constexpr (std::is_invocable_v<const Entry&>) {
      trace_(entry());
    } else {
      trace_(entry);
    }
  }

  Backend& Platform() const { return backend_; }
  const Units& Metrics() const { return units_; }
  LoadedForm* FindForm(const std::string& name) const;
  std::vector<LoadedForm*> LoadedForms() const;
  // The form's window went without an unload: Form_Unload runs, and cannot
  // keep it.
  void FormWindowLost(LoadedForm& form);

  // Runtime
  std::string AppTitle() override { return app_.Title; }
  Boolean AppPrevInstance() override;
  [[noreturn]] void End() override;
  std::string Command() override;
  float TwipsPerPixelX() override { return units_.TwipsPerPixelX(); }
  float TwipsPerPixelY() override { return units_.TwipsPerPixelY(); }
  float ScreenWidth() override;
  float ScreenHeight() override;
  Form& Load(FormModule& code, const FormDesign& design) override;
  void Unload(Form& form) override;
  std::unique_ptr<Picture> LoadResPicture(std::int32_t id, PictureKind kind) override;
  std::vector<std::uint8_t> LoadResData(std::int16_t id, const std::string& type) override;
  std::string GetSetting(const std::string& appName, const std::string& section,
                         const std::string& key, const std::string& defaultValue) override;
  void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                   const std::string& setting) override;
  void Randomize() override;
  float Rnd() override;

 private:
  LoadedForm* Find(const Form& form) const;
  void Retire(LoadedForm& form, bool destroyWindow);
  void MaybeQuit();
  [[noreturn]] void Exit(int code);

  Backend& backend_;
  AppDescription app_;
  Units units_;
  std::optional<bool> prevInstance_;
  bool startReturned_ = false;
  bool quit_ = false;
  bool ending_ = false;
  bool exiting_ = false;
  int depth_ = 0;
  std::function<void(const std::string&)> trace_;
  std::vector<std::function<void()>> cleanups_;
  RandomNumbers random_;
  std::vector<std::unique_ptr<LoadedForm>> forms_;
  // Unloaded forms live until the message that unloaded them has unwound.
  std::vector<std::unique_ptr<LoadedForm>> unloaded_;
};

}  // namespace vss::runtime
