#pragma once
// The dialog framework a program includes: application object, windows, dialogs, controls.

#include "afxlog.h"
#include "ccombobox.h"
#include "cdialog.h"
#include "cwinapp.h"
#include "cwnd.h"
