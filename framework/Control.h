#pragma once
// Every control kind of the framework, for the forms and dialogs that use many of them.

#include "BaseControl.h"
#include "CheckListBox.h"
#include "CommonControls.h"
#include "Containers.h"
#include "StandardControls.h"
