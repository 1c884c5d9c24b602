#pragma once
// AmbrevoConfig.exe: the application object, whose start runs the settings dialog once.

#include "afxwin.h"

class CAmbrevoConfigApp : public CWinApp
{
public:
    BOOL InitInstance() override;
};
