// Dialog forms (forms with controls that take the keyboard) as GTK 3
// windows on Linux. GTK is loaded only when a dialog opens (dlopen), so the
// saver and the preview never pay for it.
#pragma once

#include <memory>
#include <string>

#include "runtime/backend.h"
#include "runtime/loaded_form.h"

namespace vss::gtk {

// Loads GTK 3 and opens the display on first use; false when GTK is not
// installed or cannot open the display.
bool Available();

// The form's hidden window as a GTK dialog, with a peer attached to each of
// its controls (runtime::LoadedControl::Attach), in the order Form::Controls
// lists them.
std::unique_ptr<runtime::FormPeer> CreateForm(runtime::LoadedForm& form);

// Runs GTK's main loop until Quit.
void Run();
void Quit();

// A modal message box owned by the form's window.
void ShowError(runtime::LoadedForm& owner, const std::string& title, const std::string& text);

}  // namespace vss::gtk
