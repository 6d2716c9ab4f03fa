// A loaded form: its properties in the runtime's units, its persistent
// image, its controls, and the order in which native input becomes the
// form's events.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "api/forms.h"
#include "runtime/backend.h"
#include "runtime/loaded_control.h"
#include "runtime/image.h"

namespace vss::runtime {

class FormsRuntime;

// A picture loaded from the resources; its size is in HIMETRIC.
class LoadedPicture final : public Picture {
 public:
  LoadedPicture(std::int32_t id, const Dib& dib, std::int32_t width, std::int32_t height)
      : id_(id), dib_(dib), width_(width), height_(height) {}
  std::int32_t Id() const { return id_; }
  const Dib& Bitmap() const { return dib_; }
  std::int32_t Width() const override { return width_; }
  std::int32_t Height() const override { return height_; }

 private:
  std::int32_t id_;
  Dib dib_;
  std::int32_t width_, height_;
};

class LoadedForm final : public Form {
 public:
  LoadedForm(FormsRuntime& runtime, FormModule& code, const FormDesign& design);
  ~LoadedForm() override;
  LoadedForm(const LoadedForm&) = delete;
  LoadedForm& operator=(const LoadedForm&) = delete;

  FormsRuntime& Owner() const { return runtime_; }
  FormModule& Code() const { return code_; }
  const FormDesign& Design() const { return design_; }
  const std::string& Name() const { return design_.Name; }
  // In tab order.
  const std::vector<std::unique_ptr<LoadedControl>>& Controls() const { return controls_; }
  LoadedControl* FindControl(const std::string& name, std::int16_t index) const;
  // Has controls that take the keyboard: a dialog.
  bool IsDialog() const;
  bool Shown() const { return shown_; }
  bool Loaded() const { return loaded_; }
  FormPeer* Peer() const { return Live() ? peer_.get() : nullptr; }
  Boolean AutoRedraw() const { return CBool(autoRedraw_); }
  std::uint32_t BackRgb() const;
  const PersistentImage& Image() const { return image_; }
  LoadedControl* DefaultButton() const { return defaultButton_; }
  // The option button the focus lands on when it enters the container's
  // group, by Tab or by an access key: the checked one, else the first in
  // the tab order; null when the container holds none.
  LoadedControl* OptionGroupEntry(const std::string& container) const;
  void SetDefaultButton(LoadedControl* button);

  // Life cycle, driven by the FormsRuntime.
  void Create();
  void MarkLoaded() { loaded_ = true; }
  bool BeginUnload();
  void CancelUnload() { unloading_ = false; }
  void Retire(bool destroyWindow);
  // Puts what the last message changed on the window.
  void Flush();
  void RaiseControlEvent(const std::string& name, std::int16_t index);

  // ---- Event API (form_input.cpp): a backend reports native input, in
  // pixels of the client area; each report is one message. A form that is
  // unloaded, or unloading, receives nothing.
  void InputMouseMove(std::int16_t buttons, std::int16_t shift, int x, int y);
  // The second press of a double click raises DblClick in place of MouseDown.
  void InputMouseDown(std::int16_t button, std::int16_t shift, int x, int y, bool secondOfDouble);
  // MouseUp, then Click unless it ends a double click or the form went.
  void InputMouseUp(std::int16_t button, std::int16_t shift, int x, int y);
  void InputKeyDown(std::int16_t keyCode, std::int16_t shift);
  void InputKeyUp(std::int16_t keyCode, std::int16_t shift);
  void InputKeyPress(std::int16_t character);
  // The window shows again: repaint that part from the persistent image.
  void InputExpose(const PixelRect& area);
  // The user closed the window (its close box, Alt+F4).
  void InputCloseRequest();
  // The native window went without an unload (the preview host destroyed it).
  void InputWindowLost();

  // Form (the behaviour's view)
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return caption_; }
  void SetAutoRedraw(Boolean autoRedraw) override;
  void SetBackColor(std::int32_t color) override;
  float Width() const override;
  void SetWidth(float twips) override;
  float Height() const override;
  void SetHeight(float twips) override;
  float Left() const override;
  void SetLeft(float twips) override;
  float Top() const override;
  void SetTop(float twips) override;
  WindowHandle hWnd() const override;
  void Cls() override;
  void PaintPicture(const Picture& picture, float x, float y, float width, float height) override;
  void Show(ShowMode mode) override;
  Control& Controls(const std::string& name, std::int16_t index = 0) override;

 private:
  // Has a native window that is not gone.
  bool Live() const;
  PixelRect Bounds() const;
  void Changed();
  void Deliver(const std::function<void()>& event);

  FormsRuntime& runtime_;
  FormModule& code_;
  FormDesign design_;
  std::unique_ptr<FormPeer> peer_;
  std::vector<std::unique_ptr<LoadedControl>> controls_;
  LoadedControl* defaultButton_ = nullptr;
  std::string caption_;
  bool loaded_ = false;
  bool unloading_ = false;
  bool retired_ = false;
  bool shown_ = false;
  bool autoRedraw_ = false;
  // The system's button face until the code sets a colour of its own.
  std::uint32_t backColor_ = 0x8000000Fu;
  PersistentImage image_;
  bool afterDoubleClick_ = false;
};

}  // namespace vss::runtime
