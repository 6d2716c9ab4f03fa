// A dialog form as a GTK 3 window: laid out natively from the design
// (gtk_layout.h), with the captions' access keys as GTK mnemonics and the
// Tab order of the design; Enter presses the default button unless a
// command button has the focus; closing the window asks the form to
// unload. Sizes and positions cross the interface in device pixels, as the
// screen is measured; GTK's own are in application pixels (divided by
// GDK_SCALE).
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "backends/gtk/gtk_api.h"
#include "backends/gtk/gtk_layout.h"
#include "runtime/backend.h"
#include "runtime/loaded_form.h"

namespace vss::gtk {

class GtkForm final : public runtime::FormPeer {
 public:
  explicit GtkForm(runtime::LoadedForm& form);
  ~GtkForm() override;
  GtkForm(const GtkForm&) = delete;
  GtkForm& operator=(const GtkForm&) = delete;

  GtkWindow* Window() const { return As<GtkWindow>(window_); }

  // runtime::FormPeer
  WindowHandle Handle() const override;
  void SetCaption(const std::string& caption) override;
  runtime::PixelRect Bounds() const override;
  int ClientWidth() const override;
  int ClientHeight() const override;
  void Move(int x, int y) override;
  void Resize(int width, int height) override;
  void Show() override;
  // A dialog holds controls only; drawing belongs to the saver's windows.
  void Render(const std::vector<runtime::PixelRect>&, const std::vector<runtime::DrawOp>&,
              std::uint32_t, const runtime::PixelRect*) override {}
  void Destroy() override;

  // For the control peers: the button Enter presses.
  void SetDefault(GtkWidget* button, bool isDefault);

 private:
  int Scale() const { return window_ != nullptr ? Gtk().gtk_widget_get_scale_factor(window_) : 1; }
  std::pair<int, int> Natural() const;
  // Wider shows more of the list's items' room; taller shows nothing more.
  void LimitHeight();
  void SetIcon();

  // ---- Layout (gtk_layout.h decides it)
  // The controls of a container, line under line: the form's lines are
  // groups, a frame's lines are related controls.
  GtkWidget* Panel(const std::string& container);
  // GNOME's button row: at the right, in the design's order, buttons at the
  // left margin kept apart at the left.
  GtkWidget* ButtonRow(const Line& line);
  GtkWidget* Build(int index);
  // A label whose access key focuses the control after `owner` in the tab
  // order. GTK's own rule would press a radio button; this one focuses it.
  GtkWidget* MnemonicLabel(int owner);

  // ---- Focus
  // The lowest tab position of a control and what it contains.
  int FirstTab(int index) const;
  // GTK moves the focus on Tab by position on screen unless told otherwise.
  static void SetFocusChain(GtkWidget* container, std::vector<std::pair<int, GtkWidget*>> chain);
  void FocusAfter(int owner);
  bool IsCommandButton(GtkWidget* widget) const;

  // ---- GTK's signals
  static void OnDestroy(GtkWidget*, gpointer self);
  static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self);
  static gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self);
  static gboolean OnMnemonic(GtkWidget* label, gboolean, gpointer self);

  runtime::LoadedForm& form_;
  std::vector<ControlDesign> designs_;        // in tab order, as Form::Controls
  std::vector<GtkWidget*> widgets_;           // by the same index; null for timers
  std::map<std::string, GtkWidget*> groups_;  // each container's hidden radio
  std::map<GtkWidget*, int> mnemonicOwners_;
  GtkWidget* window_ = nullptr;
  int x_ = 0, y_ = 0;
};

}  // namespace vss::gtk
