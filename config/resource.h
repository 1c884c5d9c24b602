#pragma once
// Resource ids of AmbrevoConfig.exe (shared by the resource script and the code).

#define IDD_AMBREVOCONFIG_DIALOG 102
#define IDR_MAINFRAME 128
#define IDB_BANNER 134

#define IDC_ANTIALIASING 1002
#define IDC_DISPLAYMODE 1003
#define IDC_REFRESHRATE 1005
#define IDC_RUNDEMO 1006
#define IDC_VIDEOMEMORY 1007

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
