#include "backends/gtk/gtk_backend.h"

#include <cstdio>

#include "backends/gtk/gtk_api.h"
#include "backends/gtk/gtk_form.h"

namespace vss::gtk {

namespace {

bool quitBeforeRun = false;

}  // namespace

bool Available() {
  static const bool available = [] {
    if (LoadApi() == nullptr) return false;
    // The runtime formats and reads numbers in the C locale; GTK would set
    // the user's.
    Gtk().gtk_disable_setlocale();
    return Gtk().gtk_init_check(nullptr, nullptr) != FALSE;
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
  Gtk().gtk_main();
}

void Quit() {
  if (LoadApi() != nullptr && Gtk().gtk_main_level() > 0) {
    Gtk().gtk_main_quit();
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
  GtkWidget* box = Gtk().gtk_message_dialog_new(
      form != nullptr ? form->Window() : nullptr,
      static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
      GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s", primary.c_str());
  if (split != std::string::npos) {
    Gtk().gtk_message_dialog_format_secondary_text(As<GtkMessageDialog>(box), "%s",
                                                   text.substr(split + 2).c_str());
  }
  // GTK 3 no longer draws the message type's icon by itself.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GtkWidget* icon = Gtk().gtk_image_new_from_icon_name("dialog-error", GTK_ICON_SIZE_DIALOG);
  Gtk().gtk_widget_show(icon);
  Gtk().gtk_message_dialog_set_image(As<GtkMessageDialog>(box), icon);
#pragma GCC diagnostic pop
  Gtk().gtk_window_set_title(As<GtkWindow>(box), title.c_str());
  Gtk().gtk_dialog_run(As<GtkDialog>(box));
  Gtk().gtk_widget_destroy(box);
}

}  // namespace vss::gtk
