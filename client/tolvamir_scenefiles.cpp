// The client's side of the installed scene files: the installation check and the unscrambled
// copies that exist only while a world loads.

#include "tolvamir.h"

#include "loadingscreen.h"
#include "tolvamir_installation.h"

#include "qirn_settings.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace
{
struct SceneFile
{
    const char* szScrambled;
    const char* szPlain;
    const char* szKey;
};

const SceneFile SCENE_FILES[] = {
    {"\\AmbrevoScene.w", "\\AmbrevoFull.w", SCENE_WORLD_KEY},
    {"\\AmbrevoScene.s", "\\AmbrevoFull.s", SCENE_SHADER_KEY},
};

std::string SceneFolder()
{
    return QIRN_GetIniString("PATHS", "ScenePath", "");
}

template <class T> bool Contains(const std::vector<T>& vValues, T value)
{
    return std::find(vValues.begin(), vValues.end(), value) != vValues.end();
}

InstallationValues ShippedValues()
{
    InstallationValues oValues;
    oValues.vWorldSums = {SCENE_WORLD_SUM};
    oValues.vWorldSizes = {SCENE_WORLD_SIZE};
    oValues.vShaderSums = {SCENE_SHADER_SUM};
    oValues.vShaderSizes = {SCENE_SHADER_SIZE};
    return oValues;
}

const InstallationValues* g_poAccepted = nullptr;
} // namespace

void cTolvamir::SetInstallationValues(const InstallationValues* poValues)
{
    g_poAccepted = poValues;
}

int cTolvamir::UnscrambleSceneFiles()
{
    std::string strFolder = SceneFolder();
    m_vUnscrambledFiles.clear();
    for (const SceneFile& oFile : SCENE_FILES)
    {
        std::ifstream oIn(strFolder + oFile.szScrambled, std::ios::binary);
        if (!oIn)
        {
            continue;
        }
        std::string strBytes((std::istreambuf_iterator<char>(oIn)), std::istreambuf_iterator<char>());
        std::string strPlainPath = strFolder + oFile.szPlain;
        std::ofstream oOut(strPlainPath, std::ios::binary | std::ios::trunc);
        if (!oOut)
        {
            continue;
        }
        // Remembered as soon as it exists, so even a short write is cleaned up.
        m_vUnscrambledFiles.push_back(strPlainPath);
        std::string strPlain = UnscrambleBytes(strBytes, oFile.szKey);
        oOut.write(strPlain.data(), static_cast<std::streamsize>(strPlain.size()));
    }
    return 0;
}

int cTolvamir::DeleteUnscrambledSceneFiles()
{
    // Only what this load wrote: a file of the same name elsewhere on the search path is not ours.
    for (const std::string& strPath : m_vUnscrambledFiles)
    {
        remove(strPath.c_str());
    }
    m_vUnscrambledFiles.clear();
    return 0;
}

int cTolvamir::CheckInstallation()
{
    static const InstallationValues oShipped = ShippedValues();
    const InstallationValues& oAccepted = g_poAccepted ? *g_poAccepted : oShipped;
    std::string strFolder = SceneFolder();
    std::string strWorld = strFolder + SCENE_FILES[0].szScrambled;
    std::string strShader = strFolder + SCENE_FILES[1].szScrambled;
    bool bInstalled = Contains(oAccepted.vWorldSums, GetFileByteSum(strWorld)) &&
                      Contains(oAccepted.vWorldSizes, GetFileSizeByName(strWorld)) &&
                      Contains(oAccepted.vShaderSums, GetFileByteSum(strShader)) &&
                      Contains(oAccepted.vShaderSizes, GetFileSizeByName(strShader));
    return bInstalled ? 0 : 1;
}
