// Dialog forms as GTK 3 windows. What the backend implements:
//  - a window laid out natively from the design (gtk_layout.h), with the
//    captions' access keys as GTK mnemonics and the Tab order of the design;
//  - one peer per control: it shows the runtime's state (checked, enabled,
//    default, list items and selection) with its own signal handlers
//    blocked, and reports what the user does (Control::Clicked, Selected);
//  - Enter presses the default button unless a command button has the
//    focus; closing the window asks the form to unload;
//  - the main loop, and the error message box.
// Sizes and positions cross the interface in device pixels, as the screen
// is measured; GTK's own are in application pixels (divided by GDK_SCALE).
#include "backends/gtk/gtk_forms.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

#include "backends/gtk/gtk_api.h"
#include "backends/gtk/gtk_layout.h"
#include "runtime/icon.h"
#include "runtime/loaded_control.h"
#include "runtime/forms_runtime.h"

namespace vss::gtk {

namespace {

// GNOME's spacing: related controls 6 pixels apart, groups 18, a group's
// content indented 12 under its heading, 18 around the whole.
constexpr int RelatedSpacing = 6;
constexpr int GroupSpacing = 18;
constexpr int Indent = 12;
constexpr int Border = 18;

const Api* api = nullptr;
bool quitBeforeRun = false;

template <typename T>
T* As(void* widget) {
  return static_cast<T*>(widget);
}

// Runs change with every handler this object connected blocked, so what
// the runtime shows is not reported back to it as the user's doing.
template <typename Change>
void Quietly(void* instance, void* owner, Change change) {
  const auto mask = G_SIGNAL_MATCH_DATA;
  api->g_signal_handlers_block_matched(instance, mask, 0, 0, nullptr, nullptr, owner);
  change();
  api->g_signal_handlers_unblock_matched(instance, mask, 0, 0, nullptr, nullptr, owner);
}

class GtkForm;

class GtkControl final : public runtime::ControlPeer {
 public:
  GtkControl(GtkForm& form, runtime::LoadedControl& control, GtkWidget* widget,
             GtkWidget* noneChecked)
      : form_(form), control_(control), widget_(widget), noneChecked_(noneChecked) {
    if (widget_ == nullptr) return;
    Connect(*api, widget_, "destroy", &OnDestroy, this);
    switch (control_.Kind()) {
      case ControlKind::OptionButton:
        Connect(*api, widget_, "toggled", &OnToggled, this);
        break;
      case ControlKind::CommandButton:
        Connect(*api, widget_, "clicked", &OnClicked, this);
        break;
      case ControlKind::ComboBox:
        Connect(*api, widget_, "changed", &OnChanged, this);
        break;
      default:
        break;
    }
  }

  ~GtkControl() override {
    SetTimer(0);
    if (widget_ != nullptr) {
      api->g_signal_handlers_disconnect_matched(widget_, G_SIGNAL_MATCH_DATA, 0, 0, nullptr,
                                                nullptr, this);
    }
  }

  void SetEnabled(bool enabled) override {
    if (widget_ != nullptr) api->gtk_widget_set_sensitive(widget_, enabled);
  }

  void SetChecked(bool checked) override {
    if (widget_ == nullptr) return;
    auto* button = As<GtkToggleButton>(widget_);
    if (checked) {
      Quietly(widget_, this, [&] { api->gtk_toggle_button_set_active(button, TRUE); });
    } else if (api->gtk_toggle_button_get_active(button)) {
      // A GTK radio group always has one member active: the group's hidden
      // member stands for "none of them".
      Quietly(widget_, this,
              [&] { api->gtk_toggle_button_set_active(As<GtkToggleButton>(noneChecked_), TRUE); });
    }
  }

  void SetDefault(bool isDefault) override;

  void InsertItem(int index, const std::string& text) override {
    if (widget_ == nullptr) return;
    Quietly(widget_, this, [&] {
      api->gtk_combo_box_text_insert_text(As<GtkComboBoxText>(widget_), index, text.c_str());
    });
  }

  void SetSelection(int index) override {
    if (widget_ == nullptr) return;
    Quietly(widget_, this, [&] { api->gtk_combo_box_set_active(As<GtkComboBox>(widget_), index); });
  }

  void SetTimer(std::int32_t milliseconds) override {
    if (timer_ != 0) api->g_source_remove(timer_);
    timer_ = 0;
    if (milliseconds > 0) {
      timer_ = api->g_timeout_add(static_cast<guint>(milliseconds), &OnTimer, this);
    }
  }

 private:
  static void OnDestroy(GtkWidget*, gpointer self) {
    static_cast<GtkControl*>(self)->widget_ = nullptr;
  }

  static void OnToggled(GtkToggleButton* button, gpointer self) {
    // The member that goes off reports nothing; the runtime clears it.
    if (api->gtk_toggle_button_get_active(button))
      static_cast<GtkControl*>(self)->control_.InputClick();
  }

  static void OnClicked(GtkButton*, gpointer self) {
    static_cast<GtkControl*>(self)->control_.InputClick();
  }

  static void OnChanged(GtkComboBox* combo, gpointer self) {
    const int index = api->gtk_combo_box_get_active(combo);
    if (index >= 0) static_cast<GtkControl*>(self)->control_.InputSelect(index);
  }

  static gboolean OnTimer(gpointer self) {
    static_cast<GtkControl*>(self)->control_.InputTimer();
    return G_SOURCE_CONTINUE;
  }

  GtkForm& form_;
  runtime::LoadedControl& control_;
  GtkWidget* widget_;
  GtkWidget* noneChecked_;
  guint timer_ = 0;
};

class GtkForm final : public runtime::FormPeer {
 public:
  explicit GtkForm(runtime::LoadedForm& form) : form_(form) {
    for (const auto& control : form.Controls()) designs_.push_back(control->Design());
    widgets_.assign(designs_.size(), nullptr);

    window_ = api->gtk_window_new(GTK_WINDOW_TOPLEVEL);
    auto* window = As<GtkWindow>(window_);
    api->gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
    api->gtk_window_set_title(window, form.Caption().c_str());
    if (form.Design().Border == BorderStyle::None) {
      api->gtk_window_set_decorated(window, FALSE);
    }
    Connect(*api, window_, "destroy", &OnDestroy, this);
    Connect(*api, window_, "delete-event", &OnDelete, this);
    Connect(*api, window_, "key-press-event", &OnKeyPress, this);

    GtkWidget* body = Panel("");
    api->gtk_container_set_border_width(As<GtkContainer>(window_), Border);
    api->gtk_container_add(As<GtkContainer>(window_), body);

    // The peers are made in the order of Form::Controls, the tab order.
    const auto& controls = form.Controls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
      const auto& design = designs_[i];
      GtkWidget* noneChecked =
          design.Kind == ControlKind::OptionButton ? groups_[design.Container] : nullptr;
      auto peer = std::make_unique<GtkControl>(*this, *controls[i], widgets_[i], noneChecked);
      controls[i]->Attach(std::move(peer));
    }
    SetIcon();
    api->gtk_widget_realize(window_);
  }

  ~GtkForm() override {
    if (window_ != nullptr) {
      api->g_signal_handlers_disconnect_matched(window_, G_SIGNAL_MATCH_DATA, 0, 0, nullptr,
                                                nullptr, this);
      api->gtk_widget_destroy(window_);
    }
    for (auto& [container, hidden] : groups_) {
      api->gtk_widget_destroy(hidden);
      api->g_object_unref(hidden);
    }
  }

  GtkWindow* Window() const { return As<GtkWindow>(window_); }

  bool IsCommandButton(GtkWidget* widget) const {
    for (std::size_t i = 0; i < designs_.size(); ++i) {
      if (widgets_[i] == widget && designs_[i].Kind == ControlKind::CommandButton) return true;
    }
    return false;
  }

  // runtime::FormPeer
  WindowHandle Handle() const override {
    if (window_ == nullptr) return 0;
    // Under Wayland there is no X window to name.
    GdkDisplay* display = api->gdk_display_get_default();
    const char* type = api->g_type_name(G_TYPE_FROM_INSTANCE(display));
    if (type == nullptr || std::string(type) != "GdkX11Display") return 0;
    return static_cast<WindowHandle>(
        api->gdk_x11_window_get_xid(api->gtk_widget_get_window(window_)));
  }

  void SetCaption(const std::string& caption) override {
    if (window_ != nullptr) api->gtk_window_set_title(Window(), caption.c_str());
  }

  runtime::PixelRect Bounds() const override {
    if (window_ == nullptr) return {};
    const int s = Scale();
    if (api->gtk_widget_get_mapped(window_)) {
      GdkRectangle r{};
      api->gdk_window_get_frame_extents(api->gtk_widget_get_window(window_), &r);
      return {r.x * s, r.y * s, (r.x + r.width) * s, (r.y + r.height) * s};
    }
    // Not on screen yet: where it was asked to go, at its natural size; the
    // window manager's frame is not known before it is.
    const auto [width, height] = Natural();
    return {x_, y_, x_ + width * s, y_ + height * s};
  }

  int ClientWidth() const override {
    if (window_ == nullptr) return 0;
    return (api->gtk_widget_get_mapped(window_) ? api->gtk_widget_get_allocated_width(window_)
                                                : Natural().first) *
           Scale();
  }

  int ClientHeight() const override {
    if (window_ == nullptr) return 0;
    return (api->gtk_widget_get_mapped(window_) ? api->gtk_widget_get_allocated_height(window_)
                                                : Natural().second) *
           Scale();
  }

  void Move(int x, int y) override {
    if (window_ == nullptr) return;
    x_ = x;
    y_ = y;
    api->gtk_window_move(Window(), x / Scale(), y / Scale());
  }

  void Resize(int width, int height) override {
    if (window_ == nullptr) return;
    // The runtime gives the outer size; GTK sizes the inside.
    const runtime::PixelRect outer = Bounds();
    const int frameWidth = outer.right - outer.left - ClientWidth();
    const int frameHeight = outer.bottom - outer.top - ClientHeight();
    api->gtk_window_resize(Window(), std::max(1, (width - frameWidth) / Scale()),
                           std::max(1, (height - frameHeight) / Scale()));
  }

  void Show() override {
    if (window_ == nullptr) return;
    // Measured now, with what Form_Load put into the controls.
    LimitHeight();
    api->gtk_window_present(Window());
  }

  // A dialog holds controls only; drawing belongs to the saver's windows.
  void Render(const std::vector<runtime::PixelRect>&, const std::vector<runtime::DrawOp>&,
              std::uint32_t, const runtime::PixelRect*) override {}

  void Destroy() override {
    if (window_ != nullptr) api->gtk_widget_destroy(window_);
  }

  void SetDefault(GtkWidget* button, bool isDefault) {
    if (window_ == nullptr) return;
    GtkStyleContext* style = api->gtk_widget_get_style_context(button);
    api->gtk_widget_set_can_default(button, isDefault);
    if (isDefault) {
      api->gtk_window_set_default(Window(), button);
      api->gtk_style_context_add_class(style, "suggested-action");
    } else {
      api->gtk_style_context_remove_class(style, "suggested-action");
    }
  }

 private:
  int Scale() const { return window_ != nullptr ? api->gtk_widget_get_scale_factor(window_) : 1; }

  std::pair<int, int> Natural() const {
    GtkRequisition natural{};
    api->gtk_widget_get_preferred_size(window_, nullptr, &natural);
    return {natural.width, natural.height};
  }

  // The lowest tab position of a control and what it contains.
  int FirstTab(int index) const {
    int first = index;
    const auto& design = designs_[static_cast<std::size_t>(index)];
    if (design.Kind != ControlKind::Frame) return first;
    for (int i = 0; i < static_cast<int>(designs_.size()); ++i) {
      if (designs_[static_cast<std::size_t>(i)].Container == design.Name) {
        first = std::min(first, FirstTab(i));
      }
    }
    return first;
  }

  // GTK moves the focus on Tab by position on screen unless told otherwise.
  static void SetFocusChain(GtkWidget* container, std::vector<std::pair<int, GtkWidget*>> chain) {
    std::stable_sort(chain.begin(), chain.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    GList* list = nullptr;
    for (const auto& [tab, widget] : chain) list = api->g_list_append(list, widget);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    api->gtk_container_set_focus_chain(As<GtkContainer>(container), list);
#pragma GCC diagnostic pop
    api->g_list_free(list);
  }

  // The controls of a container, line under line: the form's lines are
  // groups, a frame's lines are related controls.
  GtkWidget* Panel(const std::string& container) {
    GtkWidget* box = api->gtk_box_new(GTK_ORIENTATION_VERTICAL,
                                      container.empty() ? GroupSpacing : RelatedSpacing);
    std::vector<std::pair<int, GtkWidget*>> chain;
    for (const Line& line : Lines(designs_, container)) {
      GtkWidget* lineWidget = nullptr;
      int first = static_cast<int>(designs_.size());
      for (const int i : line.items) first = std::min(first, FirstTab(i));
      if (line.buttons) {
        lineWidget = ButtonRow(line);
      } else if (line.items.size() == 1) {
        lineWidget = Build(line.items.front());
      } else {
        lineWidget = api->gtk_box_new(GTK_ORIENTATION_HORIZONTAL, Indent);
        std::vector<std::pair<int, GtkWidget*>> lineChain;
        for (const int i : line.items) {
          GtkWidget* item = Build(i);
          api->gtk_box_pack_start(As<GtkBox>(lineWidget), item,
                                  designs_[static_cast<std::size_t>(i)].Kind != ControlKind::Label,
                                  TRUE, 0);
          lineChain.emplace_back(FirstTab(i), item);
        }
        SetFocusChain(lineWidget, lineChain);
      }
      api->gtk_widget_show(lineWidget);
      api->gtk_box_pack_start(As<GtkBox>(box), lineWidget, FALSE, TRUE, 0);
      chain.emplace_back(first, lineWidget);
    }
    SetFocusChain(box, chain);
    api->gtk_widget_show(box);
    return box;
  }

  // GNOME's button row: at the right, in the design's order, buttons at the
  // left margin kept apart at the left.
  GtkWidget* ButtonRow(const Line& line) {
    GtkWidget* row = api->gtk_button_box_new(GTK_ORIENTATION_HORIZONTAL);
    api->gtk_button_box_set_layout(As<GtkButtonBox>(row), GTK_BUTTONBOX_END);
    api->gtk_box_set_spacing(As<GtkBox>(row), RelatedSpacing);
    std::vector<std::pair<int, GtkWidget*>> chain;
    for (const int i : line.items) {
      GtkWidget* button = Build(i);
      api->gtk_container_add(As<GtkContainer>(row), button);
      const bool apart =
          std::find(line.secondary.begin(), line.secondary.end(), i) != line.secondary.end();
      api->gtk_button_box_set_child_secondary(As<GtkButtonBox>(row), button, apart);
      chain.emplace_back(i, button);
    }
    SetFocusChain(row, chain);
    return row;
  }

  GtkWidget* Build(int index) {
    const ControlDesign& design = designs_[static_cast<std::size_t>(index)];
    const std::string text = MnemonicText(design.Caption);
    GtkWidget* widget = nullptr;
    switch (design.Kind) {
      case ControlKind::Frame: {
        // A GNOME group: a bold heading over indented content.
        widget = api->gtk_frame_new(nullptr);
        api->gtk_frame_set_shadow_type(As<GtkFrame>(widget), GTK_SHADOW_NONE);
        GtkWidget* heading = MnemonicLabel(index);
        api->gtk_label_set_markup_with_mnemonic(As<GtkLabel>(heading),
                                                ("<b>" + EscapeMarkup(text) + "</b>").c_str());
        api->gtk_frame_set_label_widget(As<GtkFrame>(widget), heading);
        GtkWidget* content = Panel(design.Name);
        api->gtk_widget_set_margin_start(content, Indent);
        api->gtk_widget_set_margin_top(content, RelatedSpacing);
        api->gtk_container_add(As<GtkContainer>(widget), content);
        break;
      }
      case ControlKind::OptionButton: {
        GtkWidget*& hidden = groups_[design.Container];
        if (hidden == nullptr) {
          hidden = api->gtk_radio_button_new(nullptr);
          (api->g_object_ref_sink)(hidden);  // a macro in newer GLib
        }
        widget = api->gtk_radio_button_new_with_mnemonic(
            api->gtk_radio_button_get_group(As<GtkRadioButton>(hidden)), text.c_str());
        break;
      }
      case ControlKind::Label:
        widget = MnemonicLabel(index);
        api->gtk_label_set_text_with_mnemonic(As<GtkLabel>(widget), text.c_str());
        break;
      case ControlKind::ComboBox:
        widget = api->gtk_combo_box_text_new();
        break;
      case ControlKind::CommandButton:
        widget = api->gtk_button_new_with_mnemonic(text.c_str());
        break;
      case ControlKind::Timer:
        break;
    }
    if (widget != nullptr) api->gtk_widget_show(widget);
    widgets_[static_cast<std::size_t>(index)] = widget;
    return widget;
  }

  // A label whose access key focuses the control after `owner` in the tab
  // order. GTK's own rule would press a radio button; this one focuses it.
  GtkWidget* MnemonicLabel(int owner) {
    GtkWidget* label = api->gtk_label_new(nullptr);
    api->gtk_label_set_xalign(As<GtkLabel>(label), 0.0F);
    api->gtk_widget_show(label);
    mnemonicOwners_[label] = owner;
    Connect(*api, label, "mnemonic-activate", &OnMnemonic, this);
    return label;
  }

  void FocusAfter(int owner) {
    const int target = MnemonicTarget(designs_, owner);
    if (target < 0) return;
    const auto& controls = form_.Controls();
    const runtime::LoadedControl* focused = controls[static_cast<std::size_t>(target)].get();
    if (focused->Kind() == ControlKind::OptionButton) {
      focused = form_.OptionGroupEntry(focused->Design().Container);
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
      if (controls[i].get() == focused && widgets_[i] != nullptr) {
        api->gtk_widget_grab_focus(widgets_[i]);
      }
    }
  }

  void SetIcon() {
    GList* list = nullptr;
    for (const runtime::IconImage& image : runtime::LoadIcon(form_.Owner().Platform())) {
      GdkPixbuf* pixbuf =
          api->gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, image.Width, image.Height);
      if (pixbuf == nullptr) continue;
      guchar* pixels = api->gdk_pixbuf_get_pixels(pixbuf);
      const auto stride = static_cast<std::size_t>(api->gdk_pixbuf_get_rowstride(pixbuf));
      const auto width = static_cast<std::size_t>(image.Width);
      for (std::size_t y = 0; y < static_cast<std::size_t>(image.Height); ++y) {
        for (std::size_t x = 0; x < width; ++x) {
          const std::uint32_t argb = image.Argb[y * width + x];
          guchar* px = pixels + y * stride + x * 4;
          px[0] = static_cast<guchar>(argb >> 16);
          px[1] = static_cast<guchar>(argb >> 8);
          px[2] = static_cast<guchar>(argb);
          px[3] = static_cast<guchar>(argb >> 24);
        }
      }
      list = api->g_list_append(list, pixbuf);
    }
    if (list == nullptr) return;
    api->gtk_window_set_icon_list(Window(), list);
    for (GList* item = list; item != nullptr; item = item->next) api->g_object_unref(item->data);
    api->g_list_free(list);
  }

  // Wider shows more of the list's items' room; taller shows nothing more.
  void LimitHeight() {
    const auto [width, height] = Natural();
    GdkGeometry limits{};
    limits.min_width = width;
    limits.min_height = height;
    limits.max_width = G_MAXSHORT;
    limits.max_height = height;
    api->gtk_window_set_geometry_hints(
        Window(), nullptr, &limits,
        static_cast<GdkWindowHints>(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
  }

  static void OnDestroy(GtkWidget*, gpointer self) {
    static_cast<GtkForm*>(self)->window_ = nullptr;
  }

  static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
    // The form decides; if it unloads, the runtime destroys the window.
    static_cast<GtkForm*>(self)->form_.InputCloseRequest();
    return TRUE;
  }

  static gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
    auto& me = *static_cast<GtkForm*>(self);
    if (event->keyval != GDK_KEY_Return && event->keyval != GDK_KEY_KP_Enter &&
        event->keyval != GDK_KEY_ISO_Enter) {
      return FALSE;
    }
    // A focused command button takes Enter itself (GTK presses it). From
    // anywhere else Enter means the default button, and nothing without
    // one: radio buttons and the closed list would otherwise act on it.
    if (me.IsCommandButton(api->gtk_window_get_focus(me.Window()))) return FALSE;
    if (runtime::LoadedControl* button = me.form_.DefaultButton()) button->InputClick();
    return TRUE;
  }

  static gboolean OnMnemonic(GtkWidget* label, gboolean, gpointer self) {
    auto& me = *static_cast<GtkForm*>(self);
    me.FocusAfter(me.mnemonicOwners_[label]);
    return TRUE;
  }

  runtime::LoadedForm& form_;
  std::vector<ControlDesign> designs_;        // in tab order, as Form::Controls
  std::vector<GtkWidget*> widgets_;           // by the same index; null for timers
  std::map<std::string, GtkWidget*> groups_;  // each container's hidden radio
  std::map<GtkWidget*, int> mnemonicOwners_;
  GtkWidget* window_ = nullptr;
  int x_ = 0, y_ = 0;
};

void GtkControl::SetDefault(bool isDefault) {
  if (widget_ != nullptr) form_.SetDefault(widget_, isDefault);
}

}  // namespace

bool Available() {
  static const bool available = [] {
    api = LoadApi();
    if (api == nullptr) return false;
    // The runtime formats and reads numbers in the C locale; GTK would set
    // the user's.
    api->gtk_disable_setlocale();
    return api->gtk_init_check(nullptr, nullptr) != FALSE;
  }();
  return available;
}

std::unique_ptr<runtime::FormPeer> CreateForm(runtime::LoadedForm& form) {
  if (!Available()) {
    throw RuntimeError(ErrorNumber::InternalError, "GTK 3 cannot open a window on this display");
  }
  return std::make_unique<GtkForm>(form);
}

void Run() {
  if (!Available() || quitBeforeRun) return;
  api->gtk_main();
}

void Quit() {
  if (api != nullptr && api->gtk_main_level() > 0) {
    api->gtk_main_quit();
  } else {
    quitBeforeRun = true;
  }
}

void ShowError(runtime::LoadedForm& owner, const std::string& title, const std::string& text) {
  if (!Available()) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    return;
  }
  auto* form = dynamic_cast<GtkForm*>(owner.Peer());
  // GNOME's message: the first paragraph as the bold primary text.
  const std::size_t split = text.find("\n\n");
  const std::string primary = text.substr(0, split);
  GtkWidget* box = api->gtk_message_dialog_new(
      form != nullptr ? form->Window() : nullptr,
      static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
      GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s", primary.c_str());
  if (split != std::string::npos) {
    api->gtk_message_dialog_format_secondary_text(As<GtkMessageDialog>(box), "%s",
                                                  text.substr(split + 2).c_str());
  }
  // GTK 3 no longer draws the message type's icon by itself.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GtkWidget* icon = api->gtk_image_new_from_icon_name("dialog-error", GTK_ICON_SIZE_DIALOG);
  api->gtk_widget_show(icon);
  api->gtk_message_dialog_set_image(As<GtkMessageDialog>(box), icon);
#pragma GCC diagnostic pop
  api->gtk_window_set_title(As<GtkWindow>(box), title.c_str());
  api->gtk_dialog_run(As<GtkDialog>(box));
  api->gtk_widget_destroy(box);
}

}  // namespace vss::gtk
