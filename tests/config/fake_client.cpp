// Stands in for the scene client in the tests: notes the folder it was started in and ends.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char szFolder[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof(szFolder), szFolder);
    // Written under another name first, so a reader never sees half of it.
    FILE* pFile = fopen("client_started.tmp", "wb");
    if (!pFile)
    {
        return 1;
    }
    fputs(szFolder, pFile);
    fclose(pFile);
    return MoveFileA("client_started.tmp", "client_started.txt") ? 0 : 1;
}
