#include "backends/gtk/gtk_control.h"

#include <string>

#include "backends/gtk/gtk_form.h"

namespace vss::gtk {

class GtkControl final : public runtime::ControlPeer {
 public:
  GtkControl(GtkForm& form, runtime::LoadedControl& control, GtkWidget* widget,
             GtkWidget* noneChecked)
      : form_(form), control_(control), widget_(widget), noneChecked_(noneChecked) {
    if (widget_ == nullptr) return;
    Connect(Gtk(), widget_, "destroy", &OnDestroy, this);
    switch (control_.Kind()) {
      case ControlKind::OptionButton:
        Connect(Gtk(), widget_, "toggled", &OnToggled, this);
        break;
      case ControlKind::CommandButton:
        Connect(Gtk(), widget_, "clicked", &OnClicked, this);
        break;
      case ControlKind::ComboBox:
        Connect(Gtk(), widget_, "changed", &OnChanged, this);
        break;
      default:
        break;
    }
  }

  ~GtkControl() override {
    SetTimer(0);
    if (widget_ != nullptr) {
      Gtk().g_signal_handlers_disconnect_matched(widget_, G_SIGNAL_MATCH_DATA, 0, 0, nullptr,
                                                 nullptr, this);
    }
  }

  void SetEnabled(bool enabled) override {
    if (widget_ != nullptr) Gtk().gtk_widget_set_sensitive(widget_, enabled);
  }

  void SetChecked(bool checked) override {
    if (widget_ == nullptr) return;
    auto* button = As<GtkToggleButton>(widget_);
    if (checked) {
      Quietly(widget_, this, [&] { Gtk().gtk_toggle_button_set_active(button, TRUE); });
    } else if (Gtk().gtk_toggle_button_get_active(button)) {
      // A GTK radio group always has one member active: the group's hidden
      // member stands for "none of them".
      Quietly(widget_, this,
              [&] { Gtk().gtk_toggle_button_set_active(As<GtkToggleButton>(noneChecked_), TRUE); });
    }
  }

  void SetDefault(bool isDefault) override {
    if (widget_ != nullptr) form_.SetDefault(widget_, isDefault);
  }

  void InsertItem(int index, const std::string& text) override {
    if (widget_ == nullptr) return;
    Quietly(widget_, this, [&] {
      Gtk().gtk_combo_box_text_insert_text(As<GtkComboBoxText>(widget_), index, text.c_str());
    });
  }

  void SetSelection(int index) override {
    if (widget_ == nullptr) return;
    Quietly(widget_, this,
            [&] { Gtk().gtk_combo_box_set_active(As<GtkComboBox>(widget_), index); });
  }

  void SetTimer(std::int32_t milliseconds) override {
    if (timer_ != 0) Gtk().g_source_remove(timer_);
    timer_ = 0;
    if (milliseconds > 0) {
      timer_ = Gtk().g_timeout_add(static_cast<guint>(milliseconds), &OnTimer, this);
    }
  }

 private:
  static void OnDestroy(GtkWidget*, gpointer self) {
    static_cast<GtkControl*>(self)->widget_ = nullptr;
  }

  static void OnToggled(GtkToggleButton* button, gpointer self) {
    // The member that goes off reports nothing; the runtime clears it.
    if (Gtk().gtk_toggle_button_get_active(button))
      static_cast<GtkControl*>(self)->control_.InputClick();
  }

  static void OnClicked(GtkButton*, gpointer self) {
    static_cast<GtkControl*>(self)->control_.InputClick();
  }

  static void OnChanged(GtkComboBox* combo, gpointer self) {
    const int index = Gtk().gtk_combo_box_get_active(combo);
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

std::unique_ptr<runtime::ControlPeer> CreateControl(GtkForm& form, runtime::LoadedControl& control,
                                                    GtkWidget* widget, GtkWidget* noneChecked) {
  return std::make_unique<GtkControl>(form, control, widget, noneChecked);
}

}  // namespace vss::gtk
