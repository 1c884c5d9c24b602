// The entry point of the scene client: the first run (no settings file yet) opens the settings
// dialog instead; otherwise the client runs until it is told to quit.

#include "tolvamir.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (!SettingsFileExists())
    {
        LaunchConfigApplication();
        return 0;
    }
    return RunTolvamir();
}
