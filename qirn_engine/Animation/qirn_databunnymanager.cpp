#include "qirn_databunnymanager.h"

#include "qirn_animationsequence.h"
#include "qirn_constants.h"
#include "qirn_debug.h"
#include "qirn_settings.h"
#include "qirn_xfile_templates.h"

#include <windows.h>

#include <dxfile.h>

#include <algorithm>
#include <new>
#include <sstream>

namespace
{
const char* const WORLD_FILE_ID = "qirn_world_version2.0";
const char* const XFILE_KEYWORD = "xfile";

// The frame name buffer of the .x reader: 79 characters and the terminator.
const DWORD FRAME_NAME_SIZE = 80;

// Reads a frame's name into the fixed buffer; false (logged) when it does not fit or cannot be read.
bool ReadFrameName(IDirectXFileData* poFrame, char* szFrameName)
{
    DWORD dwNeeded = 0;
    if (SUCCEEDED(poFrame->GetName(nullptr, &dwNeeded)) && dwNeeded > FRAME_NAME_SIZE)
    {
        dprintf("*** QIRN_DataBunnyManager::ParseAnimationSet() - Frame name of %lu characters is longer "
                "than the "
                "%lu allowed. Animation skipped\n",
                static_cast<unsigned long>(dwNeeded - 1), static_cast<unsigned long>(FRAME_NAME_SIZE - 1));
        return false;
    }
    DWORD dwSize = FRAME_NAME_SIZE;
    char szName[FRAME_NAME_SIZE] = {0};
    if (FAILED(poFrame->GetName(szName, &dwSize)))
    {
        dprintf(
            "*** QIRN_DataBunnyManager::ParseAnimationSet() - Can't read the frame name into %lu characters. "
            "Animation skipped\n",
            static_cast<unsigned long>(FRAME_NAME_SIZE - 1));
        return false;
    }
    szName[FRAME_NAME_SIZE - 1] = '\0';
    memcpy(szFrameName, szName, FRAME_NAME_SIZE);
    return true;
}

// One value of a key, component 0 to 3, as the bunnies of a group carry it.
float ComponentValue(const QIRN_AnimationSequence* poSequence, uint32_t dwKey, int iComponent)
{
    const float* pfKey = static_cast<const float*>(poSequence->GetKey(dwKey));
    if (poSequence->GetKeyKind() == QIRN_ANIMKEY_ROTATION)
    {
        // Rotation bunnies carry the four stored floats in the file's order.
        float afFileOrder[4] = {0};
        QIRN_RotationKeyToFileOrder(pfKey, afFileOrder);
        return afFileOrder[iComponent];
    }
    return iComponent < 3 ? pfKey[iComponent] : 1.0f;
}

// Creates the four bunnies of a group, fills them from the sequence and files them in the tree.
// A bunny whose name the tree already holds is freed: the earlier one stays.
template <class TXFileBunny, class TBunny>
int CreateGroup(QIRN_BINARYTREE<TBunny>& oTree, const std::string (&astrNames)[4],
                const QIRN_AnimationSequence* poSequence)
{
    TXFileBunny* apoBunnies[4] = {nullptr, nullptr, nullptr, nullptr};
    float* apfValues[4] = {nullptr, nullptr, nullptr, nullptr};
    float* apfTimes[4] = {nullptr, nullptr, nullptr, nullptr};
    auto FreeAll = [&]()
    {
        for (int i = 0; i < 4; ++i)
        {
            delete apoBunnies[i];
            delete[] apfValues[i];
            delete[] apfTimes[i];
        }
    };
    bool bCreated = true;
    for (int i = 0; i < 4; ++i)
    {
        apoBunnies[i] = new (std::nothrow) TXFileBunny(astrNames[i]);
        bCreated = bCreated && apoBunnies[i];
    }
    if (!bCreated)
    {
        dprintf("*** QIRN_DataBunnyManager::BuildDataBunnies() - Creating One Or More Data Bunnies FAILED\n");
        FreeAll();
        return 1;
    }
    uint32_t nKeys = poSequence->m_dwNumKeys;
    bool bValues = true;
    for (int i = 0; i < 4; ++i)
    {
        apfValues[i] = new (std::nothrow) float[nKeys];
        bValues = bValues && apfValues[i];
    }
    if (!bValues)
    {
        dprintf(
            "*** QIRN_DataBunnyManager::BuildDataBunnies() - Creating One Or More Key Data arrays FAILED\n");
        FreeAll();
        return 1;
    }
    bool bTimes = true;
    for (int i = 0; i < 4; ++i)
    {
        apfTimes[i] = new (std::nothrow) float[nKeys];
        bTimes = bTimes && apfTimes[i];
    }
    if (!bTimes)
    {
        dprintf(
            "*** QIRN_DataBunnyManager::BuildDataBunnies() - Creating One Or More Key Time arrays FAILED\n");
        FreeAll();
        return 1;
    }
    for (int i = 0; i < 4; ++i)
    {
        for (uint32_t k = 0; k < nKeys; ++k)
        {
            apfValues[i][k] = ComponentValue(poSequence, k, i);
            apfTimes[i][k] = poSequence->m_pfKeyTimes[k];
        }
        apoBunnies[i]->SetKeys(nKeys, apfValues[i], apfTimes[i]);
        apfValues[i] = nullptr;
        apfTimes[i] = nullptr;
        if (!oTree.InsertNode(astrNames[i], apoBunnies[i]))
        {
            delete apoBunnies[i];
        }
        apoBunnies[i] = nullptr;
    }
    return 0;
}

template <class T> void UpdateTree(QIRN_BINARYTREE<T>& oTree, float dt)
{
    for (QIRN_BINARYTREENODE<T>* pNode = oTree.GetFirstNode(); pNode; pNode = pNode->GetNextNode())
    {
        if (pNode->m_pData)
        {
            pNode->m_pData->Update(dt);
        }
    }
}

template <class T> void SetTreeTime(QIRN_BINARYTREE<T>& oTree, float time)
{
    for (QIRN_BINARYTREENODE<T>* pNode = oTree.GetFirstNode(); pNode; pNode = pNode->GetNextNode())
    {
        if (pNode->m_pData)
        {
            pNode->m_pData->SetTime(time);
        }
    }
}

template <class T> T* FindBunny(const QIRN_BINARYTREE<T>& oTree, const std::string& strName)
{
    QIRN_BINARYTREENODE<T>* pNode = oTree.FindNode(strName);
    return pNode ? pNode->m_pData : nullptr;
}

// Reads the next word; an empty word at the end of the file counts as the end of the file.
bool AtEndOfFile(QIRN_File& oFile, std::string& strWord)
{
    if (oFile.IsEOF())
    {
        return true;
    }
    strWord = oFile.ReadNextWord();
    return strWord.empty() && oFile.IsEOF();
}

// The words that start a comment running to the end of its line in a world file.
bool IsCommentWord(const std::string& strWord)
{
    return strWord == ";" || strWord == "//";
}
} // namespace

QIRN_DataBunnyManager::QIRN_DataBunnyManager() : m_poDXFile(nullptr) {}

QIRN_DataBunnyManager::~QIRN_DataBunnyManager()
{
    ShutDown();
}

int QIRN_DataBunnyManager::Init()
{
    if (m_poDXFile)
    {
        return 0;
    }
    if (FAILED(DirectXFileCreate(&m_poDXFile)) || !m_poDXFile)
    {
        m_poDXFile = nullptr;
        dprintf("*** QIRN_DataBunnyManager::Init() - DirectXFileCreate() FAILED\n");
        return 1;
    }
    if (FAILED(QIRN_RegisterXFileTemplates(m_poDXFile)))
    {
        m_poDXFile->Release();
        m_poDXFile = nullptr;
        dprintf("*** QIRN_DataBunnyManager::Init() - m_poDXFile->RegisterTemplates() FAILED\n");
        return 1;
    }
    return 0;
}

int QIRN_DataBunnyManager::Load(std::string strWorldFile)
{
    std::string strPath = QIRN_FindFile(strWorldFile, "w");
    if (strPath.empty())
    {
        dprintf("*** QIRN_DataBunnyManager::Load() - QIRN_FindFile() FAILED\n");
        return 1;
    }
    QIRN_File oFile;
    if (oFile.Open(strPath, QIRN_FILE_READ) != OK)
    {
        dprintf("*** QIRN_DataBunnyManager::Load(): oFile.Open() failed\n");
        return 1;
    }
    if (oFile.ReadNextWord() != WORLD_FILE_ID)
    {
        dprintf("*** QIRN_DataBunnyManager::Load():Invalid World File ID\n");
        oFile.Close();
        return 1;
    }
    if (oFile.ReadNextWord() != QIRN_FILE_STARTBLOCKID)
    {
        dprintf("*** QIRN_DataBunnyManager::Load() - oFile.ReadNextWord() != QIRN_FILE_STARTBLOCKID\n");
        return 1;
    }
    for (;;)
    {
        std::string strWord;
        if (AtEndOfFile(oFile, strWord))
        {
            dprintf("*** QIRN_DataBunnyManager::Load(): Load successful\n");
            oFile.Close();
            return 0;
        }
        if (strWord == QIRN_DATABUNNYMANAGER_KEYWORD)
        {
            if (LoadContents(oFile) != 0)
            {
                oFile.Close();
                dprintf("*** QIRN_DataBunnyManager::Load():Load contents failed\n");
                return 1;
            }
        }
        else if (strWord == QIRN_FILE_ENDBLOCKID)
        {
            oFile.Close();
            return 0;
        }
        else if (IsCommentWord(strWord))
        {
            // The world reads these as comments to the end of the line, and so does this pass.
            oFile.SkipLine();
        }
        else if (oFile.SkipBlock() != OK)
        {
            dprintf("*** QIRN_DataBunnyManager::Load() - Error in skiping the file block!\n");
            return FILEREAD_ERROR;
        }
    }
}

int QIRN_DataBunnyManager::LoadContents(QIRN_File& oFile)
{
    if (oFile.ReadNextWord() != QIRN_FILE_STARTBLOCKID)
    {
        dprintf(
            "*** QIRN_DataBunnyManager::LoadContents() - oFile.ReadNextWord() != QIRN_FILE_STARTBLOCKID\n");
        return 1;
    }
    for (;;)
    {
        std::string strWord;
        if (AtEndOfFile(oFile, strWord))
        {
            return 0;
        }
        if (strWord == XFILE_KEYWORD)
        {
            std::string strXFileName;
            if (oFile.ReadStringBlock(strXFileName) != OK)
            {
                dprintf("*** QIRN_DataBunnyManager::LoadContents - Error reading strXFileName\n");
                return FILEREAD_ERROR;
            }
            if (LoadDataBunnyXFile(strXFileName) != 0)
            {
                dprintf("*** QIRN_DataBunnyManager::LoadContents - LoadDataBunnyXFile() FAILED\n");
                return 1;
            }
        }
        else if (strWord == QIRN_FILE_ENDBLOCKID)
        {
            return 0;
        }
        else if (IsCommentWord(strWord))
        {
            oFile.SkipLine();
        }
        else if (oFile.SkipBlock() != OK)
        {
            dprintf("*** QIRN_DataBunnyManager::LoadContents() - Error in skiping the file block!\n");
            return FILEREAD_ERROR;
        }
    }
}

int QIRN_DataBunnyManager::LoadDataBunnyXFile(std::string strFileName)
{
    std::string strFileKey = QIRN_GetFileTitle(strFileName) + "." + QIRN_GetFileExtension(strFileName);
    // The world file's default extension: a name without one is looked for as a .w file.
    std::string strPath = QIRN_FindFile(strFileName, "w");
    if (strPath.empty())
    {
        dprintf("*** QIRN_DataBunnyManager::LoadDataBunnyXFile() - QIRN_FindFile() FAILED\n");
        return 1;
    }
    if (IsXFileLoaded(strFileKey))
    {
        return 0;
    }
    if (!m_poDXFile)
    {
        dprintf(
            "*** QIRN_DataBunnyManager::LoadDataBunnyXFile() - m_poDXFile is NULL. Init() was not called\n");
        return 1;
    }
    size_t nTemplates = 0;
    if (!QIRN_IsXFileReadable(strPath, "QIRN_DataBunnyManager::LoadDataBunnyXFile", &nTemplates))
    {
        return 1;
    }
    QIRN_ComRef<IDirectXFileEnumObject> poEnum;
    if (FAILED(m_poDXFile->CreateEnumObject(const_cast<char*>(strPath.c_str()), DXFILELOAD_FROMFILE,
                                            poEnum.Out())) ||
        !poEnum.Get())
    {
        dprintf("*** QIRN_DataBunnyManager::LoadDataBunnyXFile() - m_poDXFile->CreateEnumObject() FAILED\n");
        return 1;
    }
    HRESULT hr = QIRN_ForEachXFileObject(
        poEnum.Get(),
        [&](IDirectXFileData* poData)
        {
            if (QIRN_IsXFileType(poData, QIRN_TID_ANIMATIONSET) && ParseAnimationSet(poData, strFileKey) != 0)
            {
                dprintf("*** QIRN_DataBunnyManager::LoadDataBunnyXFile() - ParseAnimationSet() FAILED\n");
            }
        });
    poEnum.Reset();
    if (nTemplates != 0)
    {
        // The object keeps the templates the file declared: the next file gets a fresh one, so
        // that the templates of many files do not fill its table (qirn_xfile.h).
        m_poDXFile->Release();
        m_poDXFile = nullptr;
        Init();
    }
    if (hr != DXFILEERR_NOMOREOBJECTS)
    {
        return 1;
    }
    std::string* pstrKey = new (std::nothrow) std::string(strFileKey);
    if (!pstrKey || !m_oXFileTree.InsertNode(strFileKey, pstrKey))
    {
        delete pstrKey;
    }
    return 0;
}

int QIRN_DataBunnyManager::IsXFileLoaded(std::string strFileKey)
{
    return m_oXFileTree.FindNode(strFileKey) ? 1 : 0;
}

int QIRN_DataBunnyManager::ParseAnimationSet(IDirectXFileData* poAnimationSet, std::string strFileKey)
{
    if (!poAnimationSet)
    {
        return 1;
    }
    for (;;)
    {
        QIRN_ComRef<IDirectXFileObject> poChild;
        if (FAILED(poAnimationSet->GetNextObject(poChild.Out())) || !poChild.Get())
        {
            break;
        }
        QIRN_ComRef<IDirectXFileData> poAnimation;
        if (SUCCEEDED(
                poChild->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(poAnimation.Out()))) &&
            QIRN_IsXFileType(poAnimation.Get(), QIRN_TID_ANIMATION))
        {
            ParseAnimation(poAnimation.Get(), strFileKey);
        }
    }
    return 0;
}

void QIRN_DataBunnyManager::ParseAnimation(IDirectXFileData* poAnimation, const std::string& strFileKey)
{
    char szFrameName[FRAME_NAME_SIZE] = {0};
    bool bNameRefused = false;
    bool bHasChildren = false;
    QIRN_AnimationSequence* poSequence = nullptr;
    for (;;)
    {
        QIRN_ComRef<IDirectXFileObject> poChild;
        if (FAILED(poAnimation->GetNextObject(poChild.Out())) || !poChild.Get())
        {
            break;
        }
        bHasChildren = true;
        QIRN_ComRef<IDirectXFileData> poData;
        QIRN_ComRef<IDirectXFileDataReference> poReference;
        if (SUCCEEDED(
                poChild->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(poData.Out()))) &&
            poData.Get())
        {
            if (QIRN_IsXFileType(poData.Get(), QIRN_TID_ANIMATIONKEY))
            {
                // Only the last key of an Animation counts.
                delete poSequence;
                poSequence = ParseAnimationKey(poData.Get());
            }
        }
        else if (SUCCEEDED(poChild->QueryInterface(IID_IDirectXFileDataReference,
                                                   reinterpret_cast<void**>(poReference.Out()))) &&
                 poReference.Get())
        {
            QIRN_ComRef<IDirectXFileData> poFrame;
            if (SUCCEEDED(poReference->Resolve(poFrame.Out())) &&
                QIRN_IsXFileType(poFrame.Get(), QIRN_TID_FRAME))
            {
                bNameRefused = !ReadFrameName(poFrame.Get(), szFrameName);
                if (bNameRefused)
                {
                    szFrameName[0] = '\0';
                }
            }
        }
    }
    if (!bHasChildren || !poSequence)
    {
        dprintf("'.X' file loader: Couldn't load animation keyframes.\n");
    }
    else if (!bNameRefused && BuildDataBunnies(poSequence, szFrameName, strFileKey) != 0)
    {
        dprintf("QIRN_DataBunnyManager::ParseAnimationSet() - BuildDataBunnies() FAILED\n");
    }
    delete poSequence;
}

QIRN_AnimationSequence* QIRN_DataBunnyManager::ParseAnimationKey(IDirectXFileData* poAnimationKey)
{
    return QIRN_ParseAnimationKey(poAnimationKey);
}

int QIRN_DataBunnyManager::BuildDataBunnies(QIRN_AnimationSequence* poAnimationSequence,
                                            std::string strFrameName, std::string strFilename)
{
    if (!poAnimationSequence)
    {
        dprintf("*** QIRN_DataBunnyManager::BuildDataBunnies() - poAnimationSequence is NULL\n");
        return 1;
    }
    if (strFrameName.empty())
    {
        dprintf("*** QIRN_DataBunnyManager::BuildDataBunnies() - strFrameName is EMPTY\n");
        return 1;
    }
    if (strFilename.empty())
    {
        dprintf("*** QIRN_DataBunnyManager::BuildDataBunnies() - strFilename is NULL\n");
        return 1;
    }

    std::string strWords = strFrameName;
    std::replace(strWords.begin(), strWords.end(), '_', ' ');
    std::istringstream ssWords(strWords);
    std::string strDataBunnyKeyword, strBunnyName, strTypeName;
    ssWords >> strDataBunnyKeyword >> strBunnyName >> strTypeName;
    if (strDataBunnyKeyword != "DataBunny")
    {
        dprintf("*** QIRN_DataBunnyManager::BuildDataBunnies() - strDataBunnyKeyword is NOT 'DataBunny'\n");
        return 1;
    }
    if (strBunnyName.empty())
    {
        dprintf("*** QIRN_DataBunnyManager::BuildDataBunnies() - strBunnyName is EMPTY\n");
        return 1;
    }
    if (strTypeName.empty())
    {
        dprintf("*** QIRN_DataBunnyManager::BuildDataBunnies() - strTypeName is EMPTY\n");
        return 1;
    }

    static const char* const POSITION_COMPONENTS[4] = {"x", "y", "z", "w"};
    static const char* const ROTATION_COMPONENTS[4] = {"pitch", "yaw", "roll", "w"};
    const char* szKeyType = nullptr;
    const char* const* pszComponents = POSITION_COMPONENTS;
    switch (poAnimationSequence->GetKeyKind())
    {
    case QIRN_ANIMKEY_SCALE:
        szKeyType = "Scale";
        break;
    case QIRN_ANIMKEY_TRANSLATION:
        szKeyType = "Translation";
        break;
    case QIRN_ANIMKEY_ROTATION:
        szKeyType = "Rotation";
        pszComponents = ROTATION_COMPONENTS;
        break;
    default:
        dprintf(
            "*** QIRN_DataBunnyManager::BuildDataBunnies() - Can't build data bunnies with Transform data\n");
        return 1;
    }

    std::string astrNames[4];
    for (int i = 0; i < 4; ++i)
    {
        astrNames[i] =
            strFilename + "_" + strBunnyName + "_" + szKeyType + "_" + strTypeName + "_" + pszComponents[i];
    }

    if (strTypeName == "float" || strTypeName == "Float")
    {
        return CreateGroup<QIRN_XFileFloatDataBunny>(m_oFloatDataBunnyTree, astrNames, poAnimationSequence);
    }
    if (strTypeName == "int" || strTypeName == "Int")
    {
        return CreateGroup<QIRN_XFileIntDataBunny>(m_oIntDataBunnyTree, astrNames, poAnimationSequence);
    }
    if (strTypeName == "bool" || strTypeName == "Bool")
    {
        return CreateGroup<QIRN_XFileBoolDataBunny>(m_oBoolDataBunnyTree, astrNames, poAnimationSequence);
    }
    if (strTypeName == "byte" || strTypeName == "Byte")
    {
        return CreateGroup<QIRN_XFileByteDataBunny>(m_oByteDataBunnyTree, astrNames, poAnimationSequence);
    }
    return 1;
}

QIRN_BoolDataBunny* QIRN_DataBunnyManager::GetBoolDataBunny(std::string strName)
{
    return FindBunny(m_oBoolDataBunnyTree, strName);
}

QIRN_FloatDataBunny* QIRN_DataBunnyManager::GetFloatDataBunny(std::string strName)
{
    return FindBunny(m_oFloatDataBunnyTree, strName);
}

QIRN_IntDataBunny* QIRN_DataBunnyManager::GetIntDataBunny(std::string strName)
{
    return FindBunny(m_oIntDataBunnyTree, strName);
}

int QIRN_DataBunnyManager::Update(float dt)
{
    UpdateTree(m_oByteDataBunnyTree, dt);
    UpdateTree(m_oBoolDataBunnyTree, dt);
    UpdateTree(m_oFloatDataBunnyTree, dt);
    UpdateTree(m_oIntDataBunnyTree, dt);
    return 0;
}

void QIRN_DataBunnyManager::SetTime(float time)
{
    SetTreeTime(m_oByteDataBunnyTree, time);
    SetTreeTime(m_oBoolDataBunnyTree, time);
    SetTreeTime(m_oFloatDataBunnyTree, time);
    SetTreeTime(m_oIntDataBunnyTree, time);
}

void QIRN_DataBunnyManager::ShutDown()
{
    m_oByteDataBunnyTree.DeleteAllNodes();
    m_oBoolDataBunnyTree.DeleteAllNodes();
    m_oIntDataBunnyTree.DeleteAllNodes();
    m_oFloatDataBunnyTree.DeleteAllNodes();
    m_oXFileTree.DeleteAllNodes();
    if (m_poDXFile)
    {
        m_poDXFile->Release();
        m_poDXFile = nullptr;
    }
}
