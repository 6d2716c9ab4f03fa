#include "platform/runtime.h"

namespace vss::platform {

namespace {
[[noreturn]] void NotSupported(const char* what) {
  throw RuntimeError(ErrorNumber::NotSupported,
                     std::string("Object doesn't support this property or method: ") + what);
}
}  // namespace

void Control::SetInterval(std::int32_t) { NotSupported("Interval"); }
std::int32_t Control::Interval() const { NotSupported("Interval"); }
void Control::SetEnabled(Boolean) { NotSupported("Enabled"); }
Boolean Control::Enabled() const { NotSupported("Enabled"); }
void Control::SetValue(Boolean) { NotSupported("Value"); }
Boolean Control::Value() const { NotSupported("Value"); }
void Control::SetDefault(Boolean) { NotSupported("Default"); }
Boolean Control::Default() const { NotSupported("Default"); }
void Control::AddItem(const std::string&, std::int16_t) { NotSupported("AddItem"); }
void Control::SetItemData(std::int16_t, std::int32_t) { NotSupported("ItemData"); }
std::int32_t Control::ItemData(std::int16_t) const { NotSupported("ItemData"); }
std::int16_t Control::ListCount() const { NotSupported("ListCount"); }
void Control::SetListIndex(std::int16_t) { NotSupported("ListIndex"); }
std::int16_t Control::ListIndex() const { NotSupported("ListIndex"); }
std::string Control::List(std::int16_t) const { NotSupported("List"); }

Form& FormModule::Me() const {
  if (me_ == nullptr) {
    throw RuntimeError(ErrorNumber::ObjectVariableNotSet, "Object variable not set");
  }
  return *me_;
}

}  // namespace vss::platform
