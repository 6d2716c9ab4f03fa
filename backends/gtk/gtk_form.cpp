#include "backends/gtk/gtk_form.h"

#include <algorithm>

#include "backends/gtk/gtk_control.h"
#include "runtime/forms_runtime.h"
#include "runtime/icon.h"
#include "runtime/loaded_control.h"

namespace vss::gtk {

namespace {

// GNOME's spacing: related controls 6 pixels apart, groups 18, a group's
// content indented 12 under its heading, 18 around the whole.
constexpr int RelatedSpacing = 6;
constexpr int GroupSpacing = 18;
constexpr int Indent = 12;
constexpr int Border = 18;

// A top-level form's place is relative to the primary monitor, as on
// Windows, where that is at the origin; in GDK's application pixels.
GdkRectangle PrimaryMonitor() {
  GdkRectangle place{};
  GdkDisplay* display = Gtk().gdk_display_get_default();
  if (display == nullptr) return place;
  GdkMonitor* monitor = Gtk().gdk_display_get_primary_monitor(display);
  if (monitor == nullptr) monitor = Gtk().gdk_display_get_monitor(display, 0);
  if (monitor != nullptr) Gtk().gdk_monitor_get_geometry(monitor, &place);
  return place;
}

}  // namespace

GtkForm::GtkForm(runtime::LoadedForm& form) : form_(form) {
  for (const auto& control : form.Controls()) designs_.push_back(control->Design());
  widgets_.assign(designs_.size(), nullptr);

  window_ = Gtk().gtk_window_new(GTK_WINDOW_TOPLEVEL);
  auto* window = As<GtkWindow>(window_);
  Gtk().gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
  Gtk().gtk_window_set_title(window, form.Caption().c_str());
  if (form.Design().Border == BorderStyle::None) {
    Gtk().gtk_window_set_decorated(window, FALSE);
  }
  Connect(Gtk(), window_, "destroy", &OnDestroy, this);
  Connect(Gtk(), window_, "delete-event", &OnDelete, this);
  Connect(Gtk(), window_, "key-press-event", &OnKeyPress, this);

  GtkWidget* body = Panel("");
  Gtk().gtk_container_set_border_width(As<GtkContainer>(window_), Border);
  Gtk().gtk_container_add(As<GtkContainer>(window_), body);

  // The peers are made in the order of Form::Controls, the tab order.
  const auto& controls = form.Controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const auto& design = designs_[i];
    GtkWidget* noneChecked =
        design.Kind == ControlKind::OptionButton ? groups_[design.Container] : nullptr;
    controls[i]->Attach(CreateControl(*this, *controls[i], widgets_[i], noneChecked));
  }
  SetIcon();
  Gtk().gtk_widget_realize(window_);
}

GtkForm::~GtkForm() {
  if (window_ != nullptr) {
    Gtk().g_signal_handlers_disconnect_matched(window_, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                               this);
    Gtk().gtk_widget_destroy(window_);
  }
  for (auto& [container, hidden] : groups_) {
    Gtk().gtk_widget_destroy(hidden);
    Gtk().g_object_unref(hidden);
  }
}

bool GtkForm::IsCommandButton(GtkWidget* widget) const {
  for (std::size_t i = 0; i < designs_.size(); ++i) {
    if (widgets_[i] == widget && designs_[i].Kind == ControlKind::CommandButton) return true;
  }
  return false;
}

WindowHandle GtkForm::Handle() const {
  if (window_ == nullptr) return 0;
  // Under Wayland there is no X window to name.
  GdkDisplay* display = Gtk().gdk_display_get_default();
  const char* type = Gtk().g_type_name(G_TYPE_FROM_INSTANCE(display));
  if (type == nullptr || std::string(type) != "GdkX11Display") return 0;
  return static_cast<WindowHandle>(
      Gtk().gdk_x11_window_get_xid(Gtk().gtk_widget_get_window(window_)));
}

void GtkForm::SetCaption(const std::string& caption) {
  if (window_ != nullptr) Gtk().gtk_window_set_title(Window(), caption.c_str());
}

runtime::PixelRect GtkForm::Bounds() const {
  if (window_ == nullptr) return {};
  const int s = Scale();
  if (Gtk().gtk_widget_get_mapped(window_)) {
    GdkRectangle r{};
    Gtk().gdk_window_get_frame_extents(Gtk().gtk_widget_get_window(window_), &r);
    const GdkRectangle origin = PrimaryMonitor();
    r.x -= origin.x;
    r.y -= origin.y;
    return {r.x * s, r.y * s, (r.x + r.width) * s, (r.y + r.height) * s};
  }
  // Not on screen yet: where it was asked to go, at its natural size; the
  // window manager's frame is not known before it is.
  const auto [width, height] = Natural();
  return {x_, y_, x_ + width * s, y_ + height * s};
}

int GtkForm::ClientWidth() const {
  if (window_ == nullptr) return 0;
  return (Gtk().gtk_widget_get_mapped(window_) ? Gtk().gtk_widget_get_allocated_width(window_)
                                               : Natural().first) *
         Scale();
}

int GtkForm::ClientHeight() const {
  if (window_ == nullptr) return 0;
  return (Gtk().gtk_widget_get_mapped(window_) ? Gtk().gtk_widget_get_allocated_height(window_)
                                               : Natural().second) *
         Scale();
}

void GtkForm::Move(int x, int y) {
  if (window_ == nullptr) return;
  x_ = x;
  y_ = y;
  const GdkRectangle origin = PrimaryMonitor();
  Gtk().gtk_window_move(Window(), origin.x + x / Scale(), origin.y + y / Scale());
}

void GtkForm::Resize(int width, int height) {
  if (window_ == nullptr) return;
  // The runtime gives the outer size; GTK sizes the inside.
  const runtime::PixelRect outer = Bounds();
  const int frameWidth = outer.right - outer.left - ClientWidth();
  const int frameHeight = outer.bottom - outer.top - ClientHeight();
  Gtk().gtk_window_resize(Window(), std::max(1, (width - frameWidth) / Scale()),
                          std::max(1, (height - frameHeight) / Scale()));
}

void GtkForm::Show() {
  if (window_ == nullptr) return;
  // Measured now, with what Form_Load put into the controls.
  LimitHeight();
  Gtk().gtk_window_present(Window());
}

void GtkForm::Destroy() {
  if (window_ != nullptr) Gtk().gtk_widget_destroy(window_);
}

void GtkForm::SetDefault(GtkWidget* button, bool isDefault) {
  if (window_ == nullptr) return;
  GtkStyleContext* style = Gtk().gtk_widget_get_style_context(button);
  Gtk().gtk_widget_set_can_default(button, isDefault);
  if (isDefault) {
    Gtk().gtk_window_set_default(Window(), button);
    Gtk().gtk_style_context_add_class(style, "suggested-action");
  } else {
    Gtk().gtk_style_context_remove_class(style, "suggested-action");
  }
}

std::pair<int, int> GtkForm::Natural() const {
  GtkRequisition natural{};
  Gtk().gtk_widget_get_preferred_size(window_, nullptr, &natural);
  return {natural.width, natural.height};
}

int GtkForm::FirstTab(int index) const {
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

void GtkForm::SetFocusChain(GtkWidget* container, std::vector<std::pair<int, GtkWidget*>> chain) {
  std::stable_sort(chain.begin(), chain.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  GList* list = nullptr;
  for (const auto& [tab, widget] : chain) list = Gtk().g_list_append(list, widget);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  Gtk().gtk_container_set_focus_chain(As<GtkContainer>(container), list);
#pragma GCC diagnostic pop
  Gtk().g_list_free(list);
}

GtkWidget* GtkForm::Panel(const std::string& container) {
  GtkWidget* box = Gtk().gtk_box_new(GTK_ORIENTATION_VERTICAL,
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
      lineWidget = Gtk().gtk_box_new(GTK_ORIENTATION_HORIZONTAL, Indent);
      std::vector<std::pair<int, GtkWidget*>> lineChain;
      for (const int i : line.items) {
        GtkWidget* item = Build(i);
        Gtk().gtk_box_pack_start(As<GtkBox>(lineWidget), item,
                                 designs_[static_cast<std::size_t>(i)].Kind != ControlKind::Label,
                                 TRUE, 0);
        lineChain.emplace_back(FirstTab(i), item);
      }
      SetFocusChain(lineWidget, lineChain);
    }
    Gtk().gtk_widget_show(lineWidget);
    Gtk().gtk_box_pack_start(As<GtkBox>(box), lineWidget, FALSE, TRUE, 0);
    chain.emplace_back(first, lineWidget);
  }
  SetFocusChain(box, chain);
  Gtk().gtk_widget_show(box);
  return box;
}

GtkWidget* GtkForm::ButtonRow(const Line& line) {
  GtkWidget* row = Gtk().gtk_button_box_new(GTK_ORIENTATION_HORIZONTAL);
  Gtk().gtk_button_box_set_layout(As<GtkButtonBox>(row), GTK_BUTTONBOX_END);
  Gtk().gtk_box_set_spacing(As<GtkBox>(row), RelatedSpacing);
  std::vector<std::pair<int, GtkWidget*>> chain;
  for (const int i : line.items) {
    GtkWidget* button = Build(i);
    Gtk().gtk_container_add(As<GtkContainer>(row), button);
    const bool apart =
        std::find(line.secondary.begin(), line.secondary.end(), i) != line.secondary.end();
    Gtk().gtk_button_box_set_child_secondary(As<GtkButtonBox>(row), button, apart);
    chain.emplace_back(i, button);
  }
  SetFocusChain(row, chain);
  return row;
}

GtkWidget* GtkForm::Build(int index) {
  const ControlDesign& design = designs_[static_cast<std::size_t>(index)];
  const std::string text = MnemonicText(design.Caption);
  GtkWidget* widget = nullptr;
  switch (design.Kind) {
    case ControlKind::Frame: {
      // A GNOME group: a bold heading over indented content.
      widget = Gtk().gtk_frame_new(nullptr);
      Gtk().gtk_frame_set_shadow_type(As<GtkFrame>(widget), GTK_SHADOW_NONE);
      GtkWidget* heading = MnemonicLabel(index);
      Gtk().gtk_label_set_markup_with_mnemonic(As<GtkLabel>(heading),
                                               ("<b>" + EscapeMarkup(text) + "</b>").c_str());
      Gtk().gtk_frame_set_label_widget(As<GtkFrame>(widget), heading);
      GtkWidget* content = Panel(design.Name);
      Gtk().gtk_widget_set_margin_start(content, Indent);
      Gtk().gtk_widget_set_margin_top(content, RelatedSpacing);
      Gtk().gtk_container_add(As<GtkContainer>(widget), content);
      break;
    }
    case ControlKind::OptionButton: {
      GtkWidget*& hidden = groups_[design.Container];
      if (hidden == nullptr) {
        hidden = Gtk().gtk_radio_button_new(nullptr);
        (Gtk().g_object_ref_sink)(hidden);  // a macro in newer GLib
      }
      widget = Gtk().gtk_radio_button_new_with_mnemonic(
          Gtk().gtk_radio_button_get_group(As<GtkRadioButton>(hidden)), text.c_str());
      break;
    }
    case ControlKind::Label:
      widget = MnemonicLabel(index);
      Gtk().gtk_label_set_text_with_mnemonic(As<GtkLabel>(widget), text.c_str());
      break;
    case ControlKind::ComboBox:
      widget = Gtk().gtk_combo_box_text_new();
      break;
    case ControlKind::CommandButton:
      widget = Gtk().gtk_button_new_with_mnemonic(text.c_str());
      break;
    case ControlKind::Timer:
      break;
  }
  if (widget != nullptr) Gtk().gtk_widget_show(widget);
  widgets_[static_cast<std::size_t>(index)] = widget;
  return widget;
}

GtkWidget* GtkForm::MnemonicLabel(int owner) {
  GtkWidget* label = Gtk().gtk_label_new(nullptr);
  Gtk().gtk_label_set_xalign(As<GtkLabel>(label), 0.0F);
  Gtk().gtk_widget_show(label);
  mnemonicOwners_[label] = owner;
  Connect(Gtk(), label, "mnemonic-activate", &OnMnemonic, this);
  return label;
}

void GtkForm::FocusAfter(int owner) {
  const int target = MnemonicTarget(designs_, owner);
  if (target < 0) return;
  const auto& controls = form_.Controls();
  const runtime::LoadedControl* focused = controls[static_cast<std::size_t>(target)].get();
  if (focused->Kind() == ControlKind::OptionButton) {
    focused = form_.OptionGroupEntry(focused->Design().Container);
  }
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].get() == focused && widgets_[i] != nullptr) {
      Gtk().gtk_widget_grab_focus(widgets_[i]);
    }
  }
}

void GtkForm::SetIcon() {
  GList* list = nullptr;
  for (const runtime::IconImage& image : runtime::LoadIcon(form_.Owner().Platform())) {
    GdkPixbuf* pixbuf =
        Gtk().gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, image.Width, image.Height);
    if (pixbuf == nullptr) continue;
    guchar* pixels = Gtk().gdk_pixbuf_get_pixels(pixbuf);
    const auto stride = static_cast<std::size_t>(Gtk().gdk_pixbuf_get_rowstride(pixbuf));
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
    list = Gtk().g_list_append(list, pixbuf);
  }
  if (list == nullptr) return;
  Gtk().gtk_window_set_icon_list(Window(), list);
  for (GList* item = list; item != nullptr; item = item->next) Gtk().g_object_unref(item->data);
  Gtk().g_list_free(list);
}

void GtkForm::LimitHeight() {
  const auto [width, height] = Natural();
  GdkGeometry limits{};
  limits.min_width = width;
  limits.min_height = height;
  limits.max_width = G_MAXSHORT;
  limits.max_height = height;
  Gtk().gtk_window_set_geometry_hints(
      Window(), nullptr, &limits,
      static_cast<GdkWindowHints>(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
}

void GtkForm::OnDestroy(GtkWidget*, gpointer self) {
  static_cast<GtkForm*>(self)->window_ = nullptr;
}

gboolean GtkForm::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
  // The form decides; if it unloads, the runtime destroys the window.
  static_cast<GtkForm*>(self)->form_.InputCloseRequest();
  return TRUE;
}

gboolean GtkForm::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
  auto& me = *static_cast<GtkForm*>(self);
  if (event->keyval != GDK_KEY_Return && event->keyval != GDK_KEY_KP_Enter &&
      event->keyval != GDK_KEY_ISO_Enter) {
    return FALSE;
  }
  // A focused command button takes Enter itself (GTK presses it). From
  // anywhere else Enter means the default button, and nothing without
  // one: radio buttons and the closed list would otherwise act on it.
  if (me.IsCommandButton(Gtk().gtk_window_get_focus(me.Window()))) return FALSE;
  if (runtime::LoadedControl* button = me.form_.DefaultButton()) button->InputClick();
  return TRUE;
}

gboolean GtkForm::OnMnemonic(GtkWidget* label, gboolean, gpointer self) {
  auto& me = *static_cast<GtkForm*>(self);
  me.FocusAfter(me.mnemonicOwners_[label]);
  return TRUE;
}

}  // namespace vss::gtk
