#pragma once
// Debugger-output lines of the framework and of the programs built on it, each starting with the
// program's name ("AmbrevoConfig: ...").

#include <windows.h>

void AfxLog(const char* szFormat, ...) __attribute__((format(gnu_printf, 1, 2)));

// The program's name: its executable's file name without folder and extension.
const char* AfxGetAppName();
