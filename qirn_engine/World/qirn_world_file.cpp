// The world file ("w") and the world shader file ("s"): reading both into a world that InitWorld
// has prepared, and writing the shader file when a scene has none.

#include "qirn_world.h"

#include "qirn_constants.h"
#include "qirn_debug.h"
#include "qirn_objectkeywords.h"
#include "qirn_relationshipobject.h"
#include "qirn_settings.h"

#include <new>
#include <vector>

namespace
{
const char* const WORLD_FILE_ID = "qirn_world_version2.0";
const char* const SHADER_FILE_ID = "qirn_shader_version2.0";
const char* const DEFAULT_SHADERS_LINE = "                                Using default Xfile shaders.\n";

// The world's own value keywords.
const std::vector<QIRN_KeywordField<QIRN_World>>& WorldFields()
{
    typedef QIRN_World W;
    static const std::vector<QIRN_KeywordField<W>> fields = {
        QIRN_TableField<W>("WorldName", &W::m_szWorldName, QIRN_VALUE_TEXT,
                           "*** QIRN_World:LoadWorld:Error reading m_szWorldName\n", 1),
        QIRN_TableField<W>("Gravity", &W::m_vGravity, "*** QIRN_World:LoadWorld:Error reading m_vGravity\n",
                           2),
        QIRN_TableField<W>("Wind", &W::m_vWind, "*** QIRN_World:LoadWorld:Error reading m_vWind\n", 3),
        QIRN_TableField<W>("ResetTime", &W::m_fResetTime,
                           "*** QIRN_World:LoadWorld:Error reading m_fResetTime\n", 4),
        QIRN_TableField<W>("LoopWorld", &W::m_bLoopWorld,
                           "*** QIRN_World:LoadWorld:Error reading m_bLoopWorld\n", 5),
        QIRN_TableField<W>("TimeScale", &W::m_fTimeScale,
                           "*** QIRN_World:LoadWorld:Error reading m_fTimeScale\n", 6),
    };
    return fields;
}

// The check lines of LoadBookMarks name the place in this file where the check stands.
#define QIRN_BOOKMARK_CHECK_FAILED(szMessage)                                                                \
    dprintf("%s(%d) : ***  %s - %s", __FILE__, __LINE__, "QIRN_World::LoadBookMarks", szMessage)

} // namespace

QIRN_ErrorCode QIRN_World::Load(std::string szFileName)
{
    std::string szPath = QIRN_FindFile(szFileName, "w");
    if (szPath.empty())
    {
        dprintf("*** QIRN_World::Load() - QIRN_FindFile() FAILED\n");
        return FILENOTFOUND;
    }
    if (m_oDataBunnyManager.Load(szPath) != 0)
    {
        dprintf("*** QIRN_World::Load() - m_oDataBunnyManager.Load() FAILED\n");
        return GENERICERROR;
    }

    // The shader file's world shader, if it has one, replaces the default of InitWorld.
    std::string szShaderFile = QIRN_GetFileTitle(szFileName) + ".s";
    if (m_oShaderTree.FindNode(QIRN_WORLD_SHADER_NAME))
    {
        m_oShaderTree.DeleteNodeByName(QIRN_WORLD_SHADER_NAME);
    }
    m_poWorldShader = nullptr;
    std::string szFound = QIRN_FindFile(szShaderFile, "s");
    if (!szFound.empty())
    {
        LoadShaders(szFound, &m_oShaderTree, &m_oRenderTargetTree);
    }
    else
    {
        dprintf("*** QIRN_World::Load() - Shader file not found!\n");
        dprintf("%s", DEFAULT_SHADERS_LINE);
    }
    QIRN_BINARYTREENODE<QIRN_Shader>* poNode = m_oShaderTree.FindNode(QIRN_WORLD_SHADER_NAME);
    if (poNode && poNode->m_pData)
    {
        m_poWorldShader = poNode->m_pData;
        poNode->m_iRefCount = 1;
    }
    else
    {
        if (poNode)
        {
            dprintf("*** QIRN_World::Load() - Warning, the world shader node's data is NULL\n");
            m_oShaderTree.DeleteNode(poNode);
        }
        CreateDefaultWorldShader(
            "*** QIRN_World::Init() - Unable to allocate memory for the world shader\n",
            "*** QIRN_World::Init() - Unable to insert the world shader in the shader tree\n");
    }

    QIRN_File oFile;
    if (oFile.Open(szPath, QIRN_FILE_READ) != OK)
    {
        dprintf("*** QIRN_World::LoadWorld(): oFile.Open() failed\n");
        return FILEERROR;
    }
    if (oFile.ReadNextWord() != WORLD_FILE_ID)
    {
        dprintf("*** QIRN_World::LoadWorld():Invalid World File ID\n");
        oFile.Close();
        return FILEERROR;
    }
    QIRN_ErrorCode result = LoadContents(oFile);
    oFile.Close();
    if (result == QIRNERR_QUITEARLY)
    {
        return QIRNERR_QUITEARLY;
    }
    if (result != OK)
    {
        dprintf("*** QIRN_World::LoadWorld():Load contents failed\n");
        return FILEERROR;
    }
    std::string szOut = QIRN_GetFileDirectory(szPath) + "\\" + szShaderFile;
    if (!QIRN_FileExists(szOut))
    {
        SaveShaders(&m_oShaderTree, szOut, &m_oRenderTargetTree);
    }
    return OK;
}

QIRN_ErrorCode QIRN_World::LoadContents(QIRN_File& roFile)
{
    if (!roFile)
    {
        dprintf("*** QIRN_World:LoadContents: oFile invalid\n");
        return GENERICERROR;
    }
    if (roFile.ReadNextWord() != QIRN_FILE_STARTBLOCKID)
    {
        dprintf("*** QIRN_WOrld:LoadContents:Start Block ID not found\n");
        return GENERICERROR;
    }
    for (;;)
    {
        if (roFile.IsEOF())
        {
            break;
        }
        if (m_pfnProgressCallback && m_pfnProgressCallback() != 0)
        {
            dprintf("*** QUITTING\n");
            return QIRNERR_QUITEARLY;
        }
        std::string szWord;
        if (!roFile.NextWord(szWord))
        {
            break;
        }
        if (IsRegistered(szWord))
        {
            QIRN_ErrorCode result = CreateRegisteredObjectFromFile(szWord, roFile);
            if (result == GENERICERROR)
            {
                dprintf("*** QIRN_World::LoadWorld(): Generation of Actor '%s' Failed.\n", szWord.c_str());
            }
            else if (result == FILEREAD_ERROR)
            {
                dprintf("*** QIRN_WOrld::LoadWorld(): Error with World File! Can't keep going\n");
                return GENERICERROR;
            }
            continue;
        }
        QIRN_ErrorCode result = InterpretKeyWord(szWord, roFile);
        if (result == OK)
        {
            continue;
        }
        // The keyword took its value block, or part of it: skipping a block now would skip the next item.
        if (result == FILEREAD_ERROR)
        {
            dprintf("*** QIRN_WOrld::LoadWorld(): Error with World File! Can't keep going\n");
            return FILEREAD_ERROR;
        }
        if (szWord == QIRN_FILE_ENDBLOCKID)
        {
            return OK;
        }
        // The data-bunny block was read by the manager's own pass over the file.
        if (szWord != QIRN_DATABUNNYMANAGER_KEYWORD)
        {
            QIRN_LogUnknownKeyword(
                "*** QIRN_World::LoadContents():Encountered Unknown block keyword. Skipping\n", szWord);
        }
        if (roFile.SkipBlock() != OK)
        {
            dprintf("*** Error in skiping the file block!\n");
            return FILEREAD_ERROR;
        }
    }
    dprintf("*** QIRN_World::LoadContents(): Hit the end of file while reading\n");
    return GENERICERROR;
}

QIRN_ErrorCode QIRN_World::InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile)
{
    if (szKeyWord.empty())
    {
        dprintf("*** QIRN_World::InterpretKeyWord() - szKeyWord is empty\n");
        return GENERICERROR;
    }
    if (!roFile)
    {
        dprintf("*** QIRN_World::InterpretKeyWord() - oFile is invalid\n");
        return GENERICERROR;
    }
    if (szKeyWord == ";" || szKeyWord == "//")
    {
        if (roFile.SkipLine() != OK)
        {
            dprintf("*** QIRN_World:LoadWorld: Error skipping line\n");
            return FILEREAD_ERROR;
        }
        return OK;
    }
    if (szKeyWord == "Bookmarks")
    {
        return LoadBookMarks(roFile) == OK ? OK : FILEREAD_ERROR;
    }
    QIRN_ErrorCode result = QIRN_InterpretTableKeyword(roFile, *this, WorldFields(), szKeyWord);
    if (result != QIRN_KEYWORD_NOT_HANDLED)
    {
        return result;
    }
    if (szKeyWord == QIRN_CLASS_RELATIONSHIPOBJECT)
    {
        return LoadRelationshipObject(roFile);
    }
    return GENERICERROR;
}

QIRN_ErrorCode QIRN_World::LoadRelationshipObject(QIRN_File& roFile)
{
    // Made here, not through Create: the block names it, and it belongs to this world at once.
    QIRN_RelationshipObject* poRelationshipObject =
        new (std::nothrow) QIRN_RelationshipObject(QIRN_CLASS_RELATIONSHIPOBJECT);
    if (!poRelationshipObject)
    {
        dprintf(
            "*** QIRN_World::InterpretKeyWord() - poRelationshipObject is NULL. Memory allocation FAILED\n");
        return FILEREAD_ERROR;
    }
    poRelationshipObject->m_poWorld = this;
    // A relationship that cannot be made is dropped; the world goes on with its next item.
    QIRN_ErrorCode result = poRelationshipObject->Load(roFile);
    if (result != OK)
    {
        delete poRelationshipObject;
        dprintf("*** QIRN_World::InterpretKeyword() - poRelationshipObject->Load() FAILED\n");
        return result == FILEREAD_ERROR ? SkipRestOfFailedBlock(roFile) : OK;
    }
    if (poRelationshipObject->PostLoad() != OK)
    {
        delete poRelationshipObject;
        dprintf("*** QIRN_World::InterpretKeyword() - m_poRelationshipObject->PostLoad() FAILED\n");
        return OK;
    }
    if (AddRelationshipObject(poRelationshipObject) != OK)
    {
        delete poRelationshipObject;
        dprintf("*** QIRN_World::InterpretKeyword() - m_oRelationshipObjectList.Insert() FAILED\n");
    }
    return OK;
}

QIRN_ErrorCode QIRN_World::SkipRestOfFailedBlock(QIRN_File& roFile)
{
    // A value that did not parse left the stream failed inside its own block; any other read
    // failure stopped at the object's level (a value without its "{").
    if (roFile.m_InFile.eof())
    {
        return FILEREAD_ERROR;
    }
    int iDepth = roFile.m_InFile.fail() ? 2 : 1;
    roFile.m_InFile.clear();
    std::string szWord;
    while (iDepth > 0 && roFile.NextWord(szWord))
    {
        if (szWord == QIRN_FILE_STARTBLOCKID)
        {
            ++iDepth;
        }
        else if (szWord == QIRN_FILE_ENDBLOCKID)
        {
            --iDepth;
        }
    }
    if (iDepth > 0)
    {
        dprintf("*** Error in skiping the file block!\n");
        return FILEREAD_ERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_World::LoadBookMarks(QIRN_File& roFile)
{
    if (!roFile)
    {
        QIRN_BOOKMARK_CHECK_FAILED("roFile is FALSE\n");
        return GENERICERROR;
    }
    if (roFile.ReadNextWord() != QIRN_FILE_STARTBLOCKID)
    {
        QIRN_BOOKMARK_CHECK_FAILED("oFile.ReadNextWord() != QIRN_FILE_STARTBLOCKID\n");
        return GENERICERROR;
    }
    std::string szWord;
    while (roFile.NextWord(szWord))
    {
        if (szWord == QIRN_FILE_ENDBLOCKID)
        {
            return OK;
        }
        if (szWord != "Bookmark")
        {
            if (roFile.SkipBlock() != OK)
            {
                QIRN_BOOKMARK_CHECK_FAILED("Error in skiping the file block!\n");
                return FILEREAD_ERROR;
            }
            continue;
        }
        float fTime = 0.0f;
        if (roFile.ReadBlock(fTime) != OK)
        {
            QIRN_BOOKMARK_CHECK_FAILED("Error reading fTime\n");
            return FILEREAD_ERROR;
        }
        uint32_t* pdwBookMark = new (std::nothrow) uint32_t(0);
        if (!pdwBookMark)
        {
            QIRN_BOOKMARK_CHECK_FAILED("poNewBookMark is NULL. Memory Allocation FAILED\n");
            return FILEREAD_ERROR;
        }
        // Ascending time; a repeated time goes after the bookmarks it equals.
        if (!m_oBookMarkList.InsertNode(fTime, pdwBookMark))
        {
            delete pdwBookMark;
            QIRN_BOOKMARK_CHECK_FAILED("m_oBookMarkList.InsertNode() FAILED\n");
            return FILEREAD_ERROR;
        }
    }
    return OK;
}

QIRN_ErrorCode QIRN_World::CreateRegisteredObjectFromFile(std::string szClassName, QIRN_File& roFile)
{
    if (!roFile)
    {
        dprintf("*** QIRN_World::CreateRegisteredObjectFromFile: parameter oFile invalid\n");
        return GENERICERROR;
    }
    if (szClassName.empty())
    {
        dprintf("*** QIRN_World::CreateRegisteredObjectFromFile: szActorType is NULL\n");
        return GENERICERROR;
    }
    QIRN_LINKEDLISTNODE<ActorRegistryNode>* poNode = m_oActorRegistry.FindNode(szClassName);
    if (!poNode)
    {
        dprintf("*** QIRN_World::CreateRegistredActorFromFile: Registered actor not found\n");
        return GENERICERROR;
    }
    if (!poNode->m_pData)
    {
        dprintf("*** QIRN_World::CreateRegistredActorFromFile(): pNode->m_dwData is NULL.\n");
        return GENERICERROR;
    }
    if (!poNode->m_pData->m_pfnCreate)
    {
        dprintf("*** QIRN_World::CreateRegisteredObjectFromFile:Registered Object %s's CreateFunction() is "
                "NULL\n",
                szClassName.c_str());
        return GENERICERROR;
    }
    QIRN_BaseObject* poObject = poNode->m_pData->m_pfnCreate();
    if (!poObject)
    {
        dprintf(
            "*** QIRN_World::CreateRegisteredObjectFromFile: Object CreateFunciton Failed. pActor is NULL\n");
        return GENERICERROR;
    }
    // The block names the object through its "Name" keyword.
    QIRN_CreateParams params;
    params.m_poAudio = GetEngineAudio();
    params.m_poWorld = this;
    if (poObject->Create(&params) != OK)
    {
        delete poObject;
        dprintf("*** QIRN_World::CreateRegisteredObjectFromFile:pActor->Create() failed\n");
        return GENERICERROR;
    }
    QIRN_ErrorCode result = poObject->Load(roFile);
    if (result != OK)
    {
        delete poObject;
        dprintf("*** QIRN_World::CreateRegisteredObjectFromFile::pActor->LoadActor() failed\n");
        return result;
    }
    if (AddObject(poObject) != OK)
    {
        dprintf("*** QIRN_World::CreatedRegisteredActorFromFile::AddObject(pNewActor) failed\n");
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_World::LoadShaders(std::string szFileName, QIRN_BINARYTREE<QIRN_Shader>* poShaderTree,
                                       QIRN_BINARYTREE<QIRN_RenderTarget>* poRenderTargetTree)
{
    if (szFileName.empty())
    {
        dprintf("*** QIRN_World::LoadShaders() - szFilename is EMPTY\n");
        return GENERICERROR;
    }
    if (!poShaderTree)
    {
        dprintf("*** QIRN_World::LoadShaders() - poShaderTree is NULL\n");
        return GENERICERROR;
    }
    QIRN_File oFile;
    if (oFile.Open(szFileName, QIRN_FILE_READ) != OK)
    {
        dprintf("*** QIRN_World::LoadShaders() - Unable to open shader file!\n");
        dprintf("%s", DEFAULT_SHADERS_LINE);
        return GENERICERROR;
    }
    if (oFile.ReadNextWord() != SHADER_FILE_ID || oFile.ReadNextWord() != QIRN_FILE_STARTBLOCKID)
    {
        dprintf("*** QIRN_World::LoadShaders() - Invalid shader file!\n");
        dprintf("%s", DEFAULT_SHADERS_LINE);
        return GENERICERROR;
    }
    return LoadShaderFileItems(oFile, poShaderTree, poRenderTargetTree);
}

QIRN_ErrorCode QIRN_World::LoadShaderFileItems(QIRN_File& roFile, QIRN_BINARYTREE<QIRN_Shader>* poShaderTree,
                                               QIRN_BINARYTREE<QIRN_RenderTarget>* poRenderTargetTree)
{
    std::string szWord;
    while (roFile.NextWord(szWord))
    {
        if (szWord == QIRN_FILE_ENDBLOCKID)
        {
            return OK;
        }
        if (szWord == "Shader")
        {
            QIRN_Shader* poShader = new (std::nothrow) QIRN_Shader();
            if (!poShader || poShader->Load(roFile, &m_oDataBunnyManager) != OK)
            {
                delete poShader;
                dprintf("*** QIRN_World::LoadShaders() - Unable to load shader!\n");
                return GENERICERROR;
            }
            if (!poShaderTree->InsertNode(poShader->GetName(), poShader))
            {
                // The tree did not take it, so it would be lost.
                delete poShader;
                dprintf("*** QIRN_World::LoadShaders() - Unable to insert shader in tree!\n");
                return GENERICERROR;
            }
            continue;
        }
        if (szWord == "RenderTarget" && poRenderTargetTree)
        {
            QIRN_RenderTarget* poTarget = new (std::nothrow) QIRN_RenderTarget();
            if (!poTarget || poTarget->Load(roFile) != OK)
            {
                delete poTarget;
                dprintf("*** QIRN_World::LoadShaders() - Unable to load render target!\n");
                return GENERICERROR;
            }
            if (!poRenderTargetTree->InsertNode(poTarget->m_strName, poTarget))
            {
                delete poTarget;
                dprintf("*** QIRN_World::LoadShaders() - Unable to insert render target in tree!\n");
                return GENERICERROR;
            }
            continue;
        }
        if (szWord != "RenderTarget")
        {
            dprintf("*** QIRN_World::LoadShaders() - Unknown keyword \"%s\"!\n", szWord.c_str());
            dprintf("                              Attempting to skip block!\n");
        }
        if (roFile.SkipBlock() != OK)
        {
            dprintf("*** QIRN_World::LoadShaders() - Error in skiping the file block!\n");
            return FILEREAD_ERROR;
        }
    }
    dprintf("*** QIRN_World::LoadShaders() - Hit the end of file while reading\n");
    return GENERICERROR;
}

QIRN_ErrorCode QIRN_World::SaveShaders(QIRN_BINARYTREE<QIRN_Shader>* poShaderTree, std::string szFileName,
                                       QIRN_BINARYTREE<QIRN_RenderTarget>* poRenderTargetTree)
{
    if (szFileName.empty())
    {
        dprintf("*** QIRN_World :: SaveShaders - Invalid filename\n");
        return GENERICERROR;
    }
    if (!poShaderTree)
    {
        dprintf("*** QIRN_World::SaveShaders() - poShaderTree is NULL.\n");
        return GENERICERROR;
    }
    QIRN_File oFile;
    if (oFile.Open(szFileName, QIRN_FILE_WRITE) != OK)
    {
        dprintf("*** QIRN_World :: SaveShaders - Unable to open '%s' for writing!\n", szFileName.c_str());
        return GENERICERROR;
    }
    oFile.StartWriteBlock(SHADER_FILE_ID);
    if (poRenderTargetTree)
    {
        for (QIRN_BINARYTREENODE<QIRN_RenderTarget>* poNode = poRenderTargetTree->GetFirstNode(); poNode;
             poNode = poNode->GetNextNode())
        {
            if (poNode->m_pData && poNode->m_pData->Save(oFile) != OK)
            {
                dprintf("*** QIRN_World::SaveShaders() - QIRN_RenderTarget::Save() failed\n");
                return GENERICERROR;
            }
        }
    }
    for (QIRN_BINARYTREENODE<QIRN_Shader>* poNode = poShaderTree->GetFirstNode(); poNode;
         poNode = poNode->GetNextNode())
    {
        if (poNode->m_pData && poNode->m_pData->Save(oFile) != OK)
        {
            dprintf("*** QIRN_World::SaveShaders() - QIRN_Shader::Save() failed\n");
            return GENERICERROR;
        }
    }
    oFile.EndWriteBlock();
    oFile.Close();
    dprintf("*** QIRN_World::SaveShaders() - Successfully saved shaders!\n");
    return OK;
}
