#pragma once
// The list editors of the settings dialog (mouse bindings, hotkeys, presets, tools, icon
// sets, menu items): they work on the dialog's controls and offer the main window their
// fill and read-back operations.

#include <windows.h>

namespace lorvane {

class TOptionForm;

class TOptionEditors {
  public:
    explicit TOptionEditors(TOptionForm& form);
    ~TOptionEditors();
    TOptionEditors(const TOptionEditors&) = delete;
    TOptionEditors& operator=(const TOptionEditors&) = delete;

    // The refresh of the report list `list` after its selection changed.
    void ListSelect(HWND list);

  private:
    TOptionForm& form;
};

} // namespace lorvane
