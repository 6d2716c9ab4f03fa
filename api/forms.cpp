#include "api/forms.h"

namespace vss {

Form& FormModule::Me() const {
  if (me_ == nullptr) {
    throw RuntimeError(ErrorNumber::ObjectVariableNotSet, "Object variable not set");
  }
  return *me_;
}

}  // namespace vss
