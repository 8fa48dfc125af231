#pragma once
// The settings dialog's form description: every control with its kind, component name,
// parent, built-in caption, bounds at 96 DPI and properties. The names are the keys of the
// [Option] section of language files.

#include "Form.h"

namespace lorvane {

extern const fw::TFormDesc kOptionFormDesc;

} // namespace lorvane
