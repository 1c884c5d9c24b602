#include "qirn_customactor.h"

#include "qirn_debug.h"

#include <new>

QIRN_CustomActor::QIRN_CustomActor(std::string szClassName)
    : QIRN_BaseActor(szClassName), m_bInitialized(false), m_hModule(nullptr), m_dwNumArgs(0),
      m_pfArgs(nullptr), m_poImplementation(nullptr), m_dwNextArg(0)
{
}

QIRN_CustomActor::~QIRN_CustomActor()
{
    Destroy();
}

QIRN_ErrorCode QIRN_CustomActor::InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile)
{
    if (szKeyWord.empty())
    {
        dprintf("*** QIRN_CustomActor::InterpretKeyWord() - szKeyWord is empty\n");
        return GENERICERROR;
    }
    if (!roFile)
    {
        dprintf("*** QIRN_CustomActor::InterpretKeyWord() - roFile is invalid\n");
        return GENERICERROR;
    }
    if (szKeyWord == "DLLFilename")
    {
        std::string szName;
        if (roFile.ReadStringBlock(szName) != OK)
        {
            dprintf("*** QIRN_CustomActor::InterpretKeyWord() - Error reading DLLFilename\n");
            return FILEREAD_ERROR;
        }
        // A plug-in that cannot be loaded leaves the actor without arguments, which its "Arg"
        // blocks then report.
        Initialize(szName);
        m_dwNextArg = 0;
        return OK;
    }
    if (szKeyWord == "Arg")
    {
        return ReadArg(roFile);
    }
    return QIRN_BaseActor::InterpretKeyWord(szKeyWord, roFile);
}

QIRN_ErrorCode QIRN_CustomActor::ReadArg(QIRN_File& roFile)
{
    float fValue = 0.0f;
    if (roFile.ReadBlock(fValue) != OK)
    {
        dprintf("*** QIRN_CustomActor::InterpretKeyWord() - Error reading Arg\n");
        return FILEREAD_ERROR;
    }
    // The array comes from the plug-in: an "Arg" before "DLLFilename" or past the count has no
    // place in it.
    if (m_dwNextArg >= m_dwNumArgs || !m_pfArgs)
    {
        dprintf("*** QIRN_CustomActor::InterpretKeyWord() - Too many arguments!\n");
        return GENERICERROR;
    }
    m_pfArgs[m_dwNextArg++] = fValue;
    return OK;
}

QIRN_ErrorCode QIRN_CustomActor::Initialize(std::string szDLLFilename)
{
    // A second library in one block must not leak the first; the actor itself stays as it is.
    ReleasePlugIn();
    m_hModule = LoadLibraryExA(szDLLFilename.c_str(), nullptr, 0);
    if (!m_hModule)
    {
        dprintf("QIRN_CustomActor::Initialize() - Unable to load library %s!\n", szDLLFilename.c_str());
        return FILENOTFOUND;
    }
    QIRN_CreateActorImplementationFunction pfnCreate =
        reinterpret_cast<QIRN_CreateActorImplementationFunction>(
            reinterpret_cast<void*>(GetProcAddress(m_hModule, QIRN_CREATE_ACTOR_IMPLEMENTATION)));
    if (!pfnCreate)
    {
        dprintf("*** QIRN_CustomActor::Initialize - CreateActorImplementation() function not found in this "
                "dll!\n");
        ReleasePlugIn();
        return INVALIDPARAMS;
    }
    m_szDLLFilename = szDLLFilename;
    m_poImplementation = pfnCreate();
    if (!m_poImplementation)
    {
        dprintf("*** QIRN_CustomActor::Initialize - Unable to get actor implementation from dll!\n");
        ReleasePlugIn();
        return NULL_POINTER;
    }
    TakeArgDefaults();
    DeclareShaderSlots();
    return OK;
}

void QIRN_CustomActor::TakeArgDefaults()
{
    const uint32_t dwCount = GetNumArgs();
    m_pfArgs = dwCount ? new (std::nothrow) float[dwCount] : nullptr;
    if (dwCount && !m_pfArgs)
    {
        dprintf("*** QIRN_CustomActor::Initialize - Unable to allocate %u arguments\n", dwCount);
        return;
    }
    m_dwNumArgs = dwCount;
    for (uint32_t i = 0; i < dwCount; ++i)
    {
        m_pfArgs[i] = GetArgDefaultValue(i);
    }
}

void QIRN_CustomActor::DeclareShaderSlots()
{
    // An empty slot lets the world's shader file fill it later; a slot the block filled stays.
    const uint32_t dwSlots = m_poImplementation->GetNumShaderSlots();
    for (uint32_t i = 0; i < dwSlots; ++i)
    {
        const std::string szSlot = m_poImplementation->GetShaderSlotName(i);
        if (!GetShaderFromSlot(szSlot))
        {
            SetShaderAssignment(szSlot, nullptr);
        }
    }
}

uint32_t QIRN_CustomActor::GetNumArgs()
{
    if (!m_poImplementation)
    {
        dprintf("*** QIRN_CustomActor::GetNumArgs() - Actor not initialized!\n");
        return 0;
    }
    return m_poImplementation->GetNumArgs();
}

float QIRN_CustomActor::GetArgDefaultValue(uint32_t dwIndex)
{
    if (!m_poImplementation)
    {
        dprintf("*** QIRN_CustomActor::GetArgDefaultValue() - Actor not initialized!\n");
        return 0.0f;
    }
    if (dwIndex >= m_dwNumArgs)
    {
        dprintf("*** QIRN_CustomActor::GetArgDefaultValue() - Invalid argument index!\n");
        return 0.0f;
    }
    return m_poImplementation->GetArgDefault(dwIndex);
}

QIRN_ErrorCode QIRN_CustomActor::InitUserData(QIRN_Graphics* poGraphics)
{
    if (!m_poImplementation)
    {
        dprintf("*** QIRN_CustomActor::InitUserData() - Actor not initialized!\n");
        return NULL_POINTER;
    }
    QIRN_ErrorCode result = m_poImplementation->Initialize(this, poGraphics);
    if (result != OK)
    {
        dprintf("*** QIRN_CustomActor::InitUserData() - Failed to initialize actor!\n");
        return result;
    }
    m_bInitialized = true;
    return OK;
}

QIRN_ErrorCode QIRN_CustomActor::UpdateUserData()
{
    if (!m_poImplementation)
    {
        dprintf("*** QIRN_CustomActor::UpdateUserData() - Actor not initialized!\n");
        return NULL_POINTER;
    }
    QIRN_ErrorCode result = m_poImplementation->Update();
    if (result != OK)
    {
        dprintf("*** QIRN_CustomActor::UpdateUserData() - Failed to update actor!\n");
    }
    return result;
}

QIRN_ErrorCode QIRN_CustomActor::RenderUserData(int32_t iPass)
{
    if (!m_poImplementation)
    {
        dprintf("*** QIRN_CustomActor::RenderUserData() - Actor not initialized!\n");
        return NULL_POINTER;
    }
    QIRN_ErrorCode result = m_poImplementation->Render(iPass);
    if (result != OK)
    {
        dprintf("*** QIRN_CustomActor::RenderUserData() - Failed to render actor!\n");
    }
    return result;
}

QIRN_ErrorCode QIRN_CustomActor::DestroyUserData()
{
    if (!m_poImplementation)
    {
        dprintf("*** QIRN_CustomActor::DestroyUserData() - Actor not initialized!\n");
        return NULL_POINTER;
    }
    QIRN_ErrorCode result = m_poImplementation->Destroy();
    if (result != OK)
    {
        dprintf("*** QIRN_CustomActor::DestroyUserData() - Failed to destroy actor!\n");
        return result;
    }
    m_bInitialized = false;
    return OK;
}

QIRN_ErrorCode QIRN_CustomActor::Destroy()
{
    ReleasePlugIn();
    return QIRN_BaseObject::Destroy();
}

void QIRN_CustomActor::ReleasePlugIn()
{
    // The renderer may have destroyed the user data already; it must not be destroyed twice.
    if (m_bInitialized)
    {
        DestroyUserData();
    }
    if (m_hModule)
    {
        QIRN_DeleteActorImplementationFunction pfnDelete =
            reinterpret_cast<QIRN_DeleteActorImplementationFunction>(
                reinterpret_cast<void*>(GetProcAddress(m_hModule, QIRN_DELETE_ACTOR_IMPLEMENTATION)));
        // One release for each implementation the factory gave.
        if (pfnDelete && m_poImplementation)
        {
            pfnDelete();
        }
        FreeLibrary(m_hModule);
    }
    // The implementation died with the plug-in's release; nothing may reach it any more.
    m_hModule = nullptr;
    m_poImplementation = nullptr;
    m_bInitialized = false;
    delete[] m_pfArgs;
    m_pfArgs = nullptr;
    m_dwNumArgs = 0;
}

QIRN_ErrorCode QIRN_CustomActor::SaveContents(QIRN_File& roFile)
{
    if (!roFile)
    {
        dprintf("*** QIRN_CustomActor::SaveContents() - roFile is invalid. Can't save contents\n");
        return GENERICERROR;
    }
    if (QIRN_BaseActor::SaveContents(roFile) != OK)
    {
        dprintf("*** QIRN_CustomActor::SaveContents() - Can't save base class contents\n");
        return GENERICERROR;
    }
    roFile.WriteBlock("DLLFilename", m_szDLLFilename);
    for (uint32_t i = 0; i < m_dwNumArgs; ++i)
    {
        roFile.WriteBlock("Arg", m_pfArgs[i]);
    }
    return OK;
}
