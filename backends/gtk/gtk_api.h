// The part of GTK 3 (with GDK, GdkPixbuf, GObject and GLib) that the dialog
// backend calls, as pointers resolved from libgtk-3.so.0 at run time. The
// program never links GTK: the saver must not pay its start-up time and
// memory for a dialog it does not show. GTK's headers give the types and
// prototypes only; their casting and type-check macros call into GObject,
// so the backend uses plain casts instead.
#pragma once

#include <gtk/gtk.h>

// From <gdk/gdkx.h>, which would bring Xlib's macros (False, None, ...)
// into every file of the backend. The result is an XID.
extern "C" unsigned long gdk_x11_window_get_xid(GdkWindow* window);

namespace vss::gtk {

#define VSS_GTK_FUNCTIONS(X)                  \
  X(gtk_disable_setlocale)                    \
  X(gtk_init_check)                           \
  X(gtk_main)                                 \
  X(gtk_main_level)                           \
  X(gtk_main_quit)                            \
  X(gtk_window_new)                           \
  X(gtk_window_set_title)                     \
  X(gtk_window_set_type_hint)                 \
  X(gtk_window_set_geometry_hints)            \
  X(gtk_window_set_icon_list)                 \
  X(gtk_window_set_transient_for)             \
  X(gtk_window_set_default)                   \
  X(gtk_window_set_decorated)                 \
  X(gtk_window_get_focus)                     \
  X(gtk_window_move)                          \
  X(gtk_window_resize)                        \
  X(gtk_window_present)                       \
  X(gtk_widget_show)                          \
  X(gtk_widget_realize)                       \
  X(gtk_widget_get_mapped)                    \
  X(gtk_widget_destroy)                       \
  X(gtk_widget_set_sensitive)                 \
  X(gtk_widget_grab_focus)                    \
  X(gtk_widget_get_window)                    \
  X(gtk_widget_get_scale_factor)              \
  X(gtk_widget_get_preferred_size)            \
  X(gtk_widget_get_allocated_width)           \
  X(gtk_widget_get_allocated_height)          \
  X(gtk_widget_set_can_default)               \
  X(gtk_widget_get_style_context)             \
  X(gtk_widget_set_halign)                    \
  X(gtk_widget_set_hexpand)                   \
  X(gtk_widget_set_margin_start)              \
  X(gtk_widget_set_margin_top)                \
  X(gtk_style_context_add_class)              \
  X(gtk_style_context_remove_class)           \
  X(gtk_container_add)                        \
  X(gtk_container_set_border_width)           \
  X(gtk_container_set_focus_chain)            \
  X(gtk_box_new)                              \
  X(gtk_box_pack_start)                       \
  X(gtk_box_set_spacing)                      \
  X(gtk_button_box_new)                       \
  X(gtk_button_box_set_layout)                \
  X(gtk_button_box_set_child_secondary)       \
  X(gtk_frame_new)                            \
  X(gtk_frame_set_label_widget)               \
  X(gtk_frame_set_shadow_type)                \
  X(gtk_label_new)                            \
  X(gtk_label_set_markup_with_mnemonic)       \
  X(gtk_label_set_text_with_mnemonic)         \
  X(gtk_label_set_mnemonic_widget)            \
  X(gtk_label_set_xalign)                     \
  X(gtk_button_new_with_mnemonic)             \
  X(gtk_radio_button_new)                     \
  X(gtk_radio_button_new_with_mnemonic)       \
  X(gtk_radio_button_get_group)               \
  X(gtk_toggle_button_set_active)             \
  X(gtk_toggle_button_get_active)             \
  X(gtk_combo_box_text_new)                   \
  X(gtk_combo_box_text_insert_text)           \
  X(gtk_combo_box_set_active)                 \
  X(gtk_combo_box_get_active)                 \
  X(gtk_message_dialog_new)                   \
  X(gtk_message_dialog_format_secondary_text) \
  X(gtk_message_dialog_set_image)             \
  X(gtk_image_new_from_icon_name)             \
  X(gtk_dialog_run)                           \
  X(gdk_display_get_default)                  \
  X(gdk_display_get_primary_monitor)          \
  X(gdk_display_get_monitor)                  \
  X(gdk_monitor_get_geometry)                 \
  X(gdk_x11_window_get_xid)                   \
  X(gdk_window_get_frame_extents)             \
  X(gdk_pixbuf_new)                           \
  X(gdk_pixbuf_get_pixels)                    \
  X(gdk_pixbuf_get_rowstride)                 \
  X(g_signal_connect_data)                    \
  X(g_signal_handlers_block_matched)          \
  X(g_signal_handlers_unblock_matched)        \
  X(g_signal_handlers_disconnect_matched)     \
  X(g_object_ref_sink)                        \
  X(g_object_unref)                           \
  X(g_type_name)                              \
  X(g_list_append)                            \
  X(g_list_free)                              \
  X(g_timeout_add)                            \
  X(g_source_remove)

// GTK 3 deprecated setting a focus chain without giving another way to
// make the Tab order differ from the order on screen.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
struct Api {
#define VSS_GTK_MEMBER(name) decltype(&::name) name = nullptr;
  VSS_GTK_FUNCTIONS(VSS_GTK_MEMBER)
#undef VSS_GTK_MEMBER
};
#pragma GCC diagnostic pop

// GTK's functions, loaded on the first call; null when libgtk-3.so.0 or one
// of the functions is missing. Opening the display is the caller's part.
const Api* LoadApi();

// GTK's functions, for the backend's code that runs once Available() has
// loaded them.
inline const Api& Gtk() { return *LoadApi(); }

template <typename T>
T* As(void* widget) {
  return static_cast<T*>(widget);
}

// Runs change with every handler `owner` connected to `instance` blocked,
// so what the runtime shows is not reported back to it as the user's doing.
template <typename Change>
void Quietly(void* instance, void* owner, Change change) {
  const auto mask = G_SIGNAL_MATCH_DATA;
  Gtk().g_signal_handlers_block_matched(instance, mask, 0, 0, nullptr, nullptr, owner);
  change();
  Gtk().g_signal_handlers_unblock_matched(instance, mask, 0, 0, nullptr, nullptr, owner);
}

// GObject's signal connection, which g_signal_connect is a macro for.
template <typename Handler>
void Connect(const Api& api, void* instance, const char* signal, Handler handler, void* data) {
  api.g_signal_connect_data(instance, signal, reinterpret_cast<GCallback>(handler), data, nullptr,
                            static_cast<GConnectFlags>(0));
}

}  // namespace vss::gtk
