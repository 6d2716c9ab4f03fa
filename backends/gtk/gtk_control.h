// A control of a GTK dialog: it shows the runtime's state (checked,
// enabled, default, list items and selection) with its own signal handlers
// blocked, and reports what the user does (LoadedControl::InputClick,
// InputSelect) and the timer's ticks.
#pragma once

#include <memory>

#include "backends/gtk/gtk_api.h"
#include "runtime/backend.h"
#include "runtime/loaded_control.h"

namespace vss::gtk {

class GtkForm;

// The peer of control shown by widget (null for a timer). An option
// button's noneChecked is its group's hidden member.
std::unique_ptr<runtime::ControlPeer> CreateControl(GtkForm& form, runtime::LoadedControl& control,
                                                    GtkWidget* widget, GtkWidget* noneChecked);

}  // namespace vss::gtk
