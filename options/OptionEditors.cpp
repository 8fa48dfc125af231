#include "OptionEditors.h"

#include "Option.h"

namespace lorvane {

TOptionEditors::TOptionEditors(TOptionForm& f) : form(f) {}

TOptionEditors::~TOptionEditors() = default;

void TOptionEditors::ListSelect(HWND) {}

} // namespace lorvane
