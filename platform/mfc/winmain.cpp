// The entry point of a program built on the framework. Kept in its own object file, so a test
// executable linking the framework keeps its own main.
#include "cwinapp.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int nCmdShow)
{
    return AfxWinMain(hInstance, lpCmdLine, nCmdShow);
}
