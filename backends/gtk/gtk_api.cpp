#include "backends/gtk/gtk_api.h"

#include <dlfcn.h>

namespace vss::gtk {

namespace {

// GDK, GdkPixbuf, GObject and GLib are dependencies of libgtk-3, so their
// symbols resolve through its handle too. RTLD_LOCAL keeps them out of the
// program's own symbol lookup.
const Api* Load() {
  void* library = dlopen("libgtk-3.so.0", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return nullptr;
  static Api api;
  bool complete = true;
#define VSS_GTK_RESOLVE(name)                                             \
  api.name = reinterpret_cast<decltype(api.name)>(dlsym(library, #name)); \
  complete = complete && api.name != nullptr;
  VSS_GTK_FUNCTIONS(VSS_GTK_RESOLVE)
#undef VSS_GTK_RESOLVE
  // A GTK without one of them is not the GTK 3 this backend was built for;
  // the library stays loaded, as GTK cannot be unloaded cleanly.
  return complete ? &api : nullptr;
}

}  // namespace

const Api* LoadApi() {
  static const Api* const api = Load();
  return api;
}

}  // namespace vss::gtk
