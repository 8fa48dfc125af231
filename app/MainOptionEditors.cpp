// The list editors' part of the settings dialog's fill and apply, in the step order of the
// dialog: filled after the reset devices, applied after the reset values (lists) and after
// the wheel (bindings).
#include "Main.h"

#include "Option.h"
#include "OptionEditors.h"

namespace lorvane {

void TMainForm::FillOptionEditors() {}

void TMainForm::ApplyOptionLists() {}

void TMainForm::ApplyOptionBindings() {}

bool TMainForm::OptionMouseWarningDue()
{
    return false;
}

bool TMainForm::OptionSettingsShownInMenu()
{
    // Until the menu list is edited, the menu shows what it shows now.
    fw::TAction* show = MainActionList->Find(L"ShowOptionAction");
    return show && show->Visible;
}

} // namespace lorvane
