// The forms runtime as the behaviour sees it: application, screen, forms and
// their controls, timer, settings store, resources and random numbers.
//
// The shared runtime (runtime/) implements them once over each platform's
// backend; behaviour code reaches the operating system only through them. No
// OS header here: window handles travel as integers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "api/vbnum.h"

namespace vss {

// A native window handle carried as an integer (HWND on Windows, XID on X11).
using WindowHandle = std::int64_t;

// The window class of every form window of the runtime.
inline constexpr const char* FormWindowClass = "ThunderRT5Form";

struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

inline bool operator==(const Rect& a, const Rect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator!=(const Rect& a, const Rect& b) { return !(a == b); }

// ---- Design-time description of a form --------------------------------

enum class BorderStyle { None, Sizable };
enum class ControlKind { Timer, Frame, OptionButton, Label, ComboBox, CommandButton };

struct ControlDesign {
  std::string Name;
  std::int16_t Index = 0;  // position in its control array (0 when alone)
  ControlKind Kind = ControlKind::Timer;
  std::string Container;  // "" for the form itself, else a frame's Name
  std::string Caption;    // "&" marks the access key
  std::int32_t Left = 0, Top = 0, Width = 0, Height = 0;  // twips, in the container
  std::int16_t TabIndex = 0;
};

struct FormDesign {
  std::string Name;
  std::string Caption;
  BorderStyle Border = BorderStyle::None;
  // Client size in twips; 0 when the form is sized only at run time.
  std::int32_t ClientWidth = 0;
  std::int32_t ClientHeight = 0;
  std::vector<ControlDesign> Controls;
};

// ---- Run-time objects ---------------------------------------------------

enum class PictureKind : std::int16_t { Bitmap = 0 };
enum class ShowMode : std::int32_t { Modeless = 0, Modal = 1 };

// A loaded picture; its size is in HIMETRIC (0.01 mm).
class Picture {
 public:
  virtual ~Picture() = default;
  virtual std::int32_t Width() const = 0;
  virtual std::int32_t Height() const = 0;
};

// One control of a form. Every property of every kind lives here, as on the
// runtime's late-bound control object; a property the kind does not have
// raises the runtime's error.
class Control {
 public:
  virtual ~Control() = default;
  virtual ControlKind Kind() const = 0;

  // Timer: a non-zero interval (ms) starts it, 0 stops it.
  virtual void SetInterval(std::int32_t milliseconds) = 0;
  virtual std::int32_t Interval() const = 0;

  // Every visible kind.
  virtual void SetEnabled(Boolean enabled) = 0;
  virtual Boolean Enabled() const = 0;

  // Option button. Setting true on a cleared button clears the other buttons
  // of its container and raises its Click, nested in the assignment.
  virtual void SetValue(Boolean value) = 0;
  virtual Boolean Value() const = 0;

  // Command button: the default button is pressed by Enter.
  virtual void SetDefault(Boolean isDefault) = 0;
  virtual Boolean Default() const = 0;

  // Combo box (drop-down list). Indices are 16-bit; a bad index raises the
  // runtime's invalid-index error.
  virtual void AddItem(const std::string& text, std::int16_t index) = 0;
  virtual void SetItemData(std::int16_t index, std::int32_t data) = 0;
  virtual std::int32_t ItemData(std::int16_t index) const = 0;
  virtual std::int16_t ListCount() const = 0;
  virtual void SetListIndex(std::int16_t index) = 0;
  virtual std::int16_t ListIndex() const = 0;  // -1 when nothing is selected
  virtual std::string List(std::int16_t index) const = 0;
};

// A loaded form: its window, persistent image and controls.
class Form {
 public:
  virtual ~Form() = default;

  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;
  // With AutoRedraw the window repaints from its persistent image.
  virtual void SetAutoRedraw(Boolean autoRedraw) = 0;
  virtual void SetBackColor(std::int32_t color) = 0;  // 0x00BBGGRR

  // Outer size and position in twips.
  virtual float Width() const = 0;
  virtual void SetWidth(float twips) = 0;
  virtual float Height() const = 0;
  virtual void SetHeight(float twips) = 0;
  virtual float Left() const = 0;
  virtual void SetLeft(float twips) = 0;
  virtual float Top() const = 0;
  virtual void SetTop(float twips) = 0;

  virtual WindowHandle hWnd() const = 0;

  // Clears the persistent image to the back colour.
  virtual void Cls() = 0;
  // Draws the whole picture scaled to the rectangle (twips).
  virtual void PaintPicture(const Picture& picture, float x, float y, float width,
                            float height) = 0;
  virtual void Show(ShowMode mode) = 0;

  virtual Control& Controls(const std::string& name, std::int16_t index = 0) = 0;
};

// The code of a form: the handlers the runtime raises on its one thread.
// Control events arrive as ControlEvent with the control's name and index
// (Click of buttons, Timer of timers); the form routes them to its handlers.
class FormModule {
 public:
  virtual ~FormModule() = default;

  virtual void Form_Load() {}
  virtual void Form_Unload(std::int16_t& /*Cancel*/) {}
  virtual void Form_Click() {}
  virtual void Form_DblClick() {}
  virtual void Form_KeyDown(std::int16_t& /*KeyCode*/, std::int16_t& /*Shift*/) {}
  virtual void Form_KeyPress(std::int16_t& /*KeyAscii*/) {}
  virtual void Form_KeyUp(std::int16_t& /*KeyCode*/, std::int16_t& /*Shift*/) {}
  virtual void Form_MouseDown(std::int16_t /*Button*/, std::int16_t /*Shift*/, float /*X*/,
                              float /*Y*/) {}
  virtual void Form_MouseMove(std::int16_t /*Button*/, std::int16_t /*Shift*/, float /*X*/,
                              float /*Y*/) {}
  virtual void Form_MouseUp(std::int16_t /*Button*/, std::int16_t /*Shift*/, float /*X*/,
                            float /*Y*/) {}
  virtual void ControlEvent(const std::string& /*control*/, std::int16_t /*index*/) {}

  // The form this code runs on ("Me"); set by the runtime before Form_Load.
  Form& Me() const;
  bool Loaded() const { return me_ != nullptr; }
  void Bind(Form* form) { me_ = form; }

 private:
  Form* me_ = nullptr;
};

// The application's description, handed to the runtime by the entry point.
struct AppDescription {
  std::string Title;
};

class Runtime {
 public:
  virtual ~Runtime() = default;

  // App
  virtual std::string AppTitle() = 0;
  virtual Boolean AppPrevInstance() = 0;
  // Ends the process at once; never returns.
  [[noreturn]] virtual void End() = 0;
  // What follows the program name on the command line.
  virtual std::string Command() = 0;

  // Screen
  virtual float TwipsPerPixelX() = 0;
  virtual float TwipsPerPixelY() = 0;
  virtual float ScreenWidth() = 0;   // twips
  virtual float ScreenHeight() = 0;  // twips

  // Creates the form's hidden window from its design, binds the code to it
  // and raises Form_Load inside the call.
  virtual Form& Load(FormModule& code, const FormDesign& design) = 0;
  // Raises Form_Unload; unless cancelled, destroys the window. When Main has
  // returned and no form is left, the process ends.
  virtual void Unload(Form& form) = 0;

  // Resources of the executable.
  virtual std::unique_ptr<Picture> LoadResPicture(std::int32_t id, PictureKind kind) = 0;
  virtual std::vector<std::uint8_t> LoadResData(std::int16_t id, const std::string& type) = 0;

  // Per-user settings, kept between runs, as text.
  virtual std::string GetSetting(const std::string& appName, const std::string& section,
                                 const std::string& key, const std::string& defaultValue) = 0;
  virtual void SaveSetting(const std::string& appName, const std::string& section,
                           const std::string& key, const std::string& setting) = 0;

  // Random numbers: reseed from the clock; next single in [0, 1).
  virtual void Randomize() = 0;
  virtual float Rnd() = 0;
};

}  // namespace vss
