#include "qirn_world.h"

#include "qirn_baseactor.h"
#include "qirn_cameraactor.h"
#include "qirn_customactor.h"
#include "qirn_debug.h"
#include "qirn_digimaskactor.h"
#include "qirn_dmk.h"
#include "qirn_fog.h"
#include "qirn_lightactor.h"
#include "qirn_lipsyncactor.h"
#include "qirn_logoactor.h"
#include "qirn_meshactor.h"
#include "qirn_particleattractoractor.h"
#include "qirn_particleemitteractor.h"
#include "qirn_relationshipobject.h"
#include "qirn_skyboxactor.h"

#include <new>
#include <vector>

const char* const QIRN_CLASS_BASEACTOR = "QIRN_BaseActor";
const char* const QIRN_CLASS_CAMERAACTOR = "QIRN_CameraActor";
const char* const QIRN_CLASS_MESHACTOR = "QIRN_MeshActor";
const char* const QIRN_CLASS_LIPSYNCACTOR = "QIRN_LipSyncActor";
const char* const QIRN_CLASS_DIGIMASKACTOR = "QIRN_DigiMaskActor";
const char* const QIRN_CLASS_FOG = "QIRN_Fog";
const char* const QIRN_CLASS_LIGHTACTOR = "QIRN_LightActor";
const char* const QIRN_CLASS_LOGOACTOR = "QIRN_LogoActor";
const char* const QIRN_CLASS_SKYBOXACTOR = "QIRN_SkyBoxActor";
const char* const QIRN_CLASS_PARTICLEEMITTERACTOR = "QIRN_ParticleEmitterActor";
const char* const QIRN_CLASS_PARTICLEATTRACTORACTOR = "QIRN_ParticleAttractorActor";
const char* const QIRN_CLASS_CUSTOMACTOR = "QIRN_CustomActor";
const char* const QIRN_CLASS_RELATIONSHIPOBJECT = "QIRN_RelationshipObject";

const char* const QIRN_WORLD_SHADER_NAME = "WorldShader";

namespace
{
QIRN_EngineAudioSource g_pfnEngineAudio = nullptr;
QIRN_EngineWindowSource g_pfnEngineWindow = nullptr;
QIRN_EngineGraphicsSource g_pfnEngineGraphics = nullptr;

// The kinds InitWorld registers, in registration order, with the name of their failure text. A
// built-in kind takes its place in this order once its class exists.
struct BuiltInKind
{
    const char* szClassName;
    const char* szFailName;
    QIRN_CreateObjectFunction pfnCreate;
};

const std::vector<BuiltInKind>& BuiltInKinds()
{
    static const std::vector<BuiltInKind> kinds = {
        {QIRN_CLASS_BASEACTOR, "BaseActor",
         []() -> QIRN_BaseObject* { return new (std::nothrow) QIRN_BaseActor(QIRN_CLASS_BASEACTOR); }},
        {QIRN_CLASS_CAMERAACTOR, "CameraActor",
         []() -> QIRN_BaseObject* { return new (std::nothrow) QIRN_CameraActor(QIRN_CLASS_CAMERAACTOR); }},
        {QIRN_CLASS_MESHACTOR, "MeshActor",
         []() -> QIRN_BaseObject* { return new (std::nothrow) QIRN_MeshActor(QIRN_CLASS_MESHACTOR); }},
        {QIRN_CLASS_LIPSYNCACTOR, "LipSyncActor",
         []() -> QIRN_BaseObject* { return new (std::nothrow) QIRN_LipSyncActor(QIRN_CLASS_LIPSYNCACTOR); }},
        {QIRN_CLASS_DIGIMASKACTOR, "DigiMaskActor",
         []() -> QIRN_BaseObject*
         { return new (std::nothrow) QIRN_DigiMaskActor(QIRN_CLASS_DIGIMASKACTOR); }},
        {QIRN_CLASS_FOG, "Fog",
         []() -> QIRN_BaseObject* { return new (std::nothrow) QIRN_Fog(QIRN_CLASS_FOG); }},
        {QIRN_CLASS_LIGHTACTOR, "LightActor",
         []() -> QIRN_BaseObject* { return new (std::nothrow) QIRN_LightActor(QIRN_CLASS_LIGHTACTOR); }},
        {QIRN_CLASS_LOGOACTOR, "LogoActor",
         []() -> QIRN_BaseObject* { return new (std::nothrow) QIRN_LogoActor(QIRN_CLASS_LOGOACTOR); }},
        {QIRN_CLASS_SKYBOXACTOR, "SkyBoxActor",
         []() -> QIRN_BaseObject* { return new (std::nothrow) QIRN_SkyBoxActor(QIRN_CLASS_SKYBOXACTOR); }},
        {QIRN_CLASS_PARTICLEEMITTERACTOR, "ParticleEmitterActor",
         []() -> QIRN_BaseObject*
         { return new (std::nothrow) QIRN_ParticleEmitterActor(QIRN_CLASS_PARTICLEEMITTERACTOR); }},
        {QIRN_CLASS_PARTICLEATTRACTORACTOR, "ParticleAttractorActor",
         []() -> QIRN_BaseObject*
         { return new (std::nothrow) QIRN_ParticleAttractorActor(QIRN_CLASS_PARTICLEATTRACTORACTOR); }},
        {QIRN_CLASS_CUSTOMACTOR, "CustomActor",
         []() -> QIRN_BaseObject* { return new (std::nothrow) QIRN_CustomActor(QIRN_CLASS_CUSTOMACTOR); }},
    };
    return kinds;
}

// The kind lists InitWorld caches, in caching order.
struct CachedKindList
{
    const char* const* pszClassName;
    QIRN_ObjectList* QIRN_World::*pList;
};

const CachedKindList CACHED_KIND_LISTS[] = {
    {&QIRN_CLASS_CAMERAACTOR, &QIRN_World::m_poCameraActorList},
    {&QIRN_CLASS_MESHACTOR, &QIRN_World::m_poMeshActorList},
    {&QIRN_CLASS_LIPSYNCACTOR, &QIRN_World::m_poLipSyncActorList},
    {&QIRN_CLASS_DIGIMASKACTOR, &QIRN_World::m_poDigiMaskActorList},
    {&QIRN_CLASS_LIGHTACTOR, &QIRN_World::m_poLightActorList},
    {&QIRN_CLASS_LOGOACTOR, &QIRN_World::m_poLogoActorList},
    {&QIRN_CLASS_SKYBOXACTOR, &QIRN_World::m_poSkyBoxActorList},
    {&QIRN_CLASS_PARTICLEEMITTERACTOR, &QIRN_World::m_poParticleEmitterActorList},
    {&QIRN_CLASS_PARTICLEATTRACTORACTOR, &QIRN_World::m_poParticleAttractorActorList},
    {&QIRN_CLASS_CUSTOMACTOR, &QIRN_World::m_poCustomActorList},
    {&QIRN_CLASS_FOG, &QIRN_World::m_poFogList},
};

// A kind list holds only objects of its kind, every kind derives from QIRN_BaseObject alone (so an
// object's address is the same as either type), and a list node is the same whatever its element
// type: the list is handed out as a list of the kind.
template <class T> QIRN_LINKEDLIST<T>* AsKindList(QIRN_ObjectList* poList)
{
    return reinterpret_cast<QIRN_LINKEDLIST<T>*>(poList);
}
} // namespace

QIRN_World::QIRN_World(QIRN_Engine* poEngine)
    : m_dwID(QIRN_NextInstanceNumber()), m_poEventMsgClient(nullptr), m_poEngine(poEngine),
      m_oBookMarkList(true), m_oActorLists(true), m_poMeshActorList(nullptr), m_poLipSyncActorList(nullptr),
      m_poDigiMaskActorList(nullptr), m_poCameraActorList(nullptr), m_poLightActorList(nullptr),
      m_poLogoActorList(nullptr), m_poSkyBoxActorList(nullptr), m_poParticleEmitterActorList(nullptr),
      m_poParticleAttractorActorList(nullptr), m_poCustomActorList(nullptr), m_poFogList(nullptr),
      m_oRelationshipObjectList(true), m_poWorldShader(nullptr), m_oActorRegistry(true),
      m_pfnProgressCallback(nullptr)
{
    // Geometries reach the shared data of their world through this reader.
    QIRN_Geometry::SetGeometryTreeSource([](QIRN_World* poWorld) { return poWorld->GetGeometryTree(); });
    // Face-model shaders are shared through their world's shader tree.
    QIRN_DMK::SetShaderTreeSource([](QIRN_World* poWorld) { return poWorld->GetShaderTree(); });
    Reset();
}

QIRN_World::~QIRN_World()
{
    CloseWorld();
}

void QIRN_World::Reset()
{
    m_szWorldName = "UnnamedWorld";
    m_vGravity = QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f);
    m_vWind = QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f);
    m_poWorldShader = nullptr;
    m_poEventMsgClient = nullptr;
    for (const CachedKindList& cached : CACHED_KIND_LISTS)
    {
        this->*cached.pList = nullptr;
    }
    m_fWorldTime = 0.0f;
    m_fResetTime = 0.0f;
    m_bLoopWorld = 0;
    m_fTimeScale = 1.0f;
}

void QIRN_World::SetEngineSources(QIRN_EngineAudioSource pfnAudio, QIRN_EngineWindowSource pfnWindow)
{
    g_pfnEngineAudio = pfnAudio;
    g_pfnEngineWindow = pfnWindow;
}

QIRN_Audio* QIRN_World::GetEngineAudio() const
{
    return m_poEngine && g_pfnEngineAudio ? g_pfnEngineAudio(m_poEngine) : nullptr;
}

HWND QIRN_World::GetEngineWindow() const
{
    return m_poEngine && g_pfnEngineWindow ? g_pfnEngineWindow(m_poEngine) : nullptr;
}

void QIRN_World::SetEngineGraphicsSource(QIRN_EngineGraphicsSource pfnGraphics)
{
    g_pfnEngineGraphics = pfnGraphics;
}

QIRN_Graphics* QIRN_World::GetEngineGraphics(uint32_t dwDisplay) const
{
    return m_poEngine && g_pfnEngineGraphics ? g_pfnEngineGraphics(m_poEngine, dwDisplay) : nullptr;
}

QIRN_ErrorCode QIRN_World::InitWorld()
{
    CloseWorld();
    if (InitActorRegistry() != OK)
    {
        dprintf("*** QIRN_World::InitWorld(): InitActorRegistry Failed\n");
        return GENERICERROR;
    }
    for (const BuiltInKind& kind : BuiltInKinds())
    {
        if (RegisterObject(kind.szClassName, kind.pfnCreate) != OK)
        {
            dprintf("*** QIRN_World::InitWorld(): Registration of %s failed\n", kind.szFailName);
            return GENERICERROR;
        }
    }
    // A kind joins the cached lists once it is registered.
    for (const CachedKindList& cached : CACHED_KIND_LISTS)
    {
        if (IsRegistered(*cached.pszClassName))
        {
            this->*cached.pList = GetList(*cached.pszClassName);
        }
    }
    CreateDefaultWorldShader(
        "*** QIRN_World::Init() - Unable to allocate memory for the world shader\n",
        "*** QIRN_World::Init() - Unable to insert the world shader in the shader tree\n");
    if (m_oDataBunnyManager.Init() != 0)
    {
        dprintf("*** QIRN_World::InitWorld() - m_oDataBunnyManager.Init() FAILED\n");
        return GENERICERROR;
    }
    if (m_oDataBunnyAssignmentManager.Init() != 0)
    {
        dprintf("*** QIRN_World::InitWorld() - m_oDataBunnyAssignmentManager.Init() FAILED\n");
        return GENERICERROR;
    }
    return OK;
}

void QIRN_World::CreateDefaultWorldShader(const char* szNoMemory, const char* szNoInsert)
{
    m_poWorldShader = nullptr;
    QIRN_Shader* poShader = new (std::nothrow) QIRN_Shader();
    QIRN_ShaderPass* poPass = poShader ? new (std::nothrow) QIRN_ShaderPass[1] : nullptr;
    if (!poPass)
    {
        delete poShader;
        dprintf("%s", szNoMemory);
        return;
    }
    poShader->SetName(QIRN_WORLD_SHADER_NAME);
    poShader->m_dwNumPasses = 1;
    poShader->m_poPasses = poPass;
    // Opaque red 63, green 153, blue 180; depth 1; stencil 0.
    poPass->m_bClearColor = true;
    poPass->m_dwColorClearValue = 0xFF3F99B4;
    poPass->m_bClearZ = true;
    poPass->m_fZClearValue = 1.0f;
    poPass->m_bClearStencil = true;
    poPass->m_dwStencilClearValue = 0;
    QIRN_BINARYTREENODE<QIRN_Shader>* poNode = m_oShaderTree.InsertNode(QIRN_WORLD_SHADER_NAME, poShader);
    if (!poNode)
    {
        delete poShader;
        dprintf("%s", szNoInsert);
        return;
    }
    poNode->m_iRefCount = 1;
    m_poWorldShader = poShader;
}

QIRN_ErrorCode QIRN_World::CloseWorld()
{
    m_oDataBunnyManager.ShutDown();
    m_oDataBunnyAssignmentManager.ShutDown();
    // Objects go before the shaders: an actor's destructor still releases its uses of them.
    m_oGlobalActorList.DeleteAllNodes();
    m_oShaderTree.DeleteAllNodes();
    m_oGeometryTree.DeleteAllNodes();
    m_oRenderTargetTree.DeleteAllNodes();
    m_oBookMarkList.DeleteAllNodes();
    m_oActorLists.DeleteAllNodes();
    m_oRelationshipObjectList.DeleteAllNodes();
    if (m_poEventMsgClient)
    {
        m_poEventMsgClient->Destroy();
        m_poEventMsgClient = nullptr;
    }
    if (InitActorRegistry() != OK)
    {
        dprintf("*** QIRN_World::CloseWorld():ShutDownActor Registry Failed\n");
        return GENERICERROR;
    }
    Reset();
    return OK;
}

QIRN_ErrorCode QIRN_World::CreateEventMsgClient(QIRN_EventMsgManager* poEventMsgManager)
{
    if (!poEventMsgManager)
    {
        dprintf("*** QIRN_World::CreateEventMsgClient() - poEventMsgManager is NULL\n");
        return GENERICERROR;
    }
    QIRN_EventMsgClient* poClient = poEventMsgManager->CreateEventMsgClient(m_dwID);
    if (!poClient)
    {
        dprintf("*** QIRN_World::CreateEventMsgClient() - m_poEventMsgClient is NULL\n");
        return GENERICERROR;
    }
    m_poEventMsgClient = poClient;
    return OK;
}

QIRN_ErrorCode QIRN_World::RegisterObject(std::string szClassName, QIRN_CreateObjectFunction pfnCreate)
{
    if (szClassName.empty())
    {
        dprintf("*** QIRN_WOrld::RegisterObject: No ActorTypeName to register\n");
        return GENERICERROR;
    }
    if (!pfnCreate)
    {
        dprintf("*** QIRN_World::RegisterObject::No register function provided\n");
        return GENERICERROR;
    }
    if (m_oActorRegistry.FindNode(szClassName))
    {
        dprintf("*** QIRN_World::RegisterObject: Actor by that type already registered\n");
        return OK;
    }
    ActorRegistryNode* poNode = new (std::nothrow) ActorRegistryNode();
    if (!poNode)
    {
        dprintf("*** QIRN_World::RegisterObject: Creation of new ActorRegistryNode failed\n");
        return GENERICERROR;
    }
    poNode->m_szClassName = szClassName;
    poNode->m_pfnCreate = pfnCreate;
    if (!m_oActorRegistry.InsertNode(szClassName, poNode))
    {
        delete poNode;
        dprintf("*** QIRN_World::RegisterObject: Creation of new ActorRegistryNode failed\n");
        return GENERICERROR;
    }
    if (m_oActorLists.FindNode(szClassName))
    {
        dprintf("*** QIRN_World::RegisterObject():List by that name already created.\n");
        return OK;
    }
    // The kind list only points at the objects; the name tree owns them.
    QIRN_ObjectList* poList = new (std::nothrow) QIRN_ObjectList(false);
    if (!poList || !m_oActorLists.InsertNode(szClassName, poList))
    {
        delete poList;
        dprintf("*** QIRN_World::RegisterObject():Creation of new actor list failed\n");
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_World::InitActorRegistry()
{
    m_oActorRegistry.DeleteAllNodes();
    return OK;
}

bool QIRN_World::IsRegistered(std::string szClassName)
{
    return !szClassName.empty() && m_oActorRegistry.FindNode(szClassName) != nullptr;
}

QIRN_BaseObject* QIRN_World::CreateObject(std::string szObjectName, std::string szClassName)
{
    if (szClassName.empty())
    {
        dprintf("*** QIRN_World::CreateObject() - Class name is empty\n");
        return nullptr;
    }
    QIRN_LINKEDLISTNODE<ActorRegistryNode>* poNode = m_oActorRegistry.FindNode(szClassName);
    if (!poNode)
    {
        dprintf("*** QIRN_World::CreateObject() - Class not found\n");
        return nullptr;
    }
    if (!poNode->m_pData)
    {
        dprintf("*** QIRN_World::CreateObject() - Node is empty\n");
        return nullptr;
    }
    if (!poNode->m_pData->m_pfnCreate)
    {
        dprintf("*** QIRN_World::CreateObject() - Creation function is NULL\n");
        return nullptr;
    }
    QIRN_BaseObject* poObject = poNode->m_pData->m_pfnCreate();
    if (!poObject)
    {
        dprintf("*** QIRN_World::CreateObject() - Failed to create the object\n");
        return nullptr;
    }
    QIRN_CreateParams params;
    params.m_poAudio = GetEngineAudio();
    params.m_szName = szObjectName;
    params.m_poWorld = this;
    if (poObject->Create(&params) != OK)
    {
        delete poObject;
        dprintf("*** QIRN_World::CreateObject() - Create failed\n");
        return nullptr;
    }
    return poObject;
}

QIRN_ErrorCode QIRN_World::AddObject(QIRN_BaseObject* poObject)
{
    if (!poObject)
    {
        dprintf("*** QIRN_World::AddObject(): pActor is invalid\n");
        return GENERICERROR;
    }
    if (m_poEventMsgClient)
    {
        poObject->CreateEventMsgClient(m_poEventMsgClient->m_poEventMsgManager);
    }
    if (!m_oGlobalActorList.InsertNode(poObject->GetName(), poObject))
    {
        // Nothing else would ever free an object the world did not take; one it already holds stays.
        QIRN_BINARYTREENODE<QIRN_BaseObject>* poHeld = m_oGlobalActorList.FindNode(poObject->GetName());
        if (!poHeld || poHeld->m_pData != poObject)
        {
            delete poObject;
        }
        dprintf("*** QIRN_World::AddObject(): Actor add to global Tree failed\n");
        return GENERICERROR;
    }
    QIRN_ObjectList* poList = GetList(poObject->GetClassTypeName());
    if (!poList)
    {
        dprintf("*** QIRN_World::AddObject():No appropriate list found for object class\n");
        return GENERICERROR;
    }
    if (!poList->InsertNode(poObject->GetName(), poObject))
    {
        dprintf("*** QIRN_World::AddObject(): pList->InsertNode() failed\n");
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_World::RemoveObject(std::string szName)
{
    if (szName.empty())
    {
        dprintf("*** QIRN_World::RemoveObject(): szName is invalid\n");
        return GENERICERROR;
    }
    QIRN_BINARYTREENODE<QIRN_BaseObject>* poNode = m_oGlobalActorList.FindNode(szName);
    if (!poNode)
    {
        dprintf("*** QIRN_World::RemoveObject(): actor not found\n");
        return GENERICERROR;
    }
    QIRN_BaseObject* poObject = poNode->m_pData;
    if (!poObject)
    {
        dprintf("*** QIRN_World::RemoveObject(): pActor '%s' is NULL so we're just gonna delete the node\n",
                szName.c_str());
    }
    else
    {
        ForgetRelationshipsTo(poObject);
        QIRN_ObjectList* poList = GetList(poObject->GetClassTypeName());
        if (!poList)
        {
            dprintf(
                "*** QIRN_World::RemoveObject(): Tried to remove actor from actor list that doesn't exist\n");
            return GENERICERROR;
        }
        if (poList->DeleteNodeByName(szName) != 0)
        {
            dprintf("*** QIRN_World::RemoveObject(): pList->DeleteNode() failed\n");
            return GENERICERROR;
        }
    }
    if (m_oGlobalActorList.DeleteNodeByName(szName) != 0)
    {
        dprintf("*** QIRN_World::RemoveObject(): m_oGlobalActorList.DeleteNode() failed\n");
        return GENERICERROR;
    }
    return OK;
}

void QIRN_World::ForgetRelationshipsTo(QIRN_BaseObject* poObject)
{
    // Relationships that move the object go with it; those that only follow it stop following.
    std::vector<std::string> vDependants;
    for (QIRN_LINKEDLISTNODE<QIRN_BaseObject>* poNode = m_oRelationshipObjectList.m_pHead; poNode;
         poNode = poNode->m_pNext)
    {
        QIRN_RelationshipObject* poRelationship = dynamic_cast<QIRN_RelationshipObject*>(poNode->m_pData);
        if (!poRelationship)
        {
            continue;
        }
        if (poRelationship->GetDependantActor() == poObject)
        {
            vDependants.push_back(poNode->m_szName);
        }
        if (poRelationship->GetPositionTargetActor() == poObject)
        {
            poRelationship->SetPositionActorTarget(std::string());
        }
        if (poRelationship->GetLookAtTargetActor() == poObject)
        {
            poRelationship->SetLookAtActorTarget(std::string());
        }
        if (poRelationship->GetScaleTargetActor() == poObject)
        {
            poRelationship->SetScaleActorTarget(std::string());
        }
        if (poRelationship->GetRotationTargetActor() == poObject)
        {
            poRelationship->SetRotationActorTarget(std::string());
        }
    }
    for (const std::string& szName : vDependants)
    {
        m_oRelationshipObjectList.DeleteNodeByName(szName);
    }
    // The object may be the mesh actor posed last in this frame.
    QIRN_RelationshipObject::ResetFrameState();
}

QIRN_ObjectList* QIRN_World::GetList(std::string szClassName)
{
    if (szClassName.empty())
    {
        dprintf("*** QIRN_World::GetList(): szActorTypeName is invalid\n");
        return nullptr;
    }
    QIRN_LINKEDLISTNODE<QIRN_ObjectList>* poNode = m_oActorLists.FindNode(szClassName);
    if (!poNode)
    {
        dprintf("*** QIRN_World::GetList():No actor list exists by that name\n");
        return nullptr;
    }
    return poNode->m_pData;
}

QIRN_BaseObject* QIRN_World::FindObject(std::string szName)
{
    QIRN_BINARYTREENODE<QIRN_BaseObject>* poNode = m_oGlobalActorList.FindNode(szName);
    if (!poNode)
    {
        dprintf("*** QIRN_World::FindObject(): Node '%s' not found\n", szName.c_str());
        return nullptr;
    }
    return poNode->m_pData;
}

QIRN_ErrorCode QIRN_World::AddRelationshipObject(QIRN_BaseObject* poRelationshipObject)
{
    if (!poRelationshipObject)
    {
        dprintf("*** QIRN_World::AddRelationshipObject() - poRelationshipObject is NULL\n");
        return GENERICERROR;
    }
    if (!m_oRelationshipObjectList.InsertNode(poRelationshipObject->GetName(), poRelationshipObject))
    {
        dprintf("*** QIRN_World::AddRelationshipObject() - m_oRelationshipObjectList.Insert() FAILED\n");
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_World::HandleEventMsg(QIRN_EventMsg*)
{
    return OK;
}

QIRN_ErrorCode QIRN_World::ProcessEventMsgs()
{
    if (!m_poEventMsgClient)
    {
        return GENERICERROR;
    }
    QIRN_DrainEventMsgs(m_poEventMsgClient, [this](QIRN_EventMsg* pMsg) { HandleEventMsg(pMsg); });
    return OK;
}

QIRN_ErrorCode QIRN_World::UpdateWorld(float fDeltaTime)
{
    ProcessEventMsgs();
    m_fWorldTime += fDeltaTime;
    if (m_oDataBunnyAssignmentManager.Update(fDeltaTime) != 0)
    {
        dprintf("*** QIRN_World::UpdateWorld() - m_oDataBunnyAssignmentManager.Update() FAILED\n");
    }
    if (m_oDataBunnyManager.Update(fDeltaTime) != 0)
    {
        dprintf("*** QIRN_World::Update() - m_oDataBunnyManager.Update(fDeltaTime) FAILED\n");
    }
    if (!m_oGlobalActorList.m_pRoot)
    {
        return OK;
    }
    for (QIRN_BINARYTREENODE<QIRN_BaseObject>* poNode = m_oGlobalActorList.GetFirstNode(); poNode;
         poNode = poNode->GetNextNode())
    {
        QIRN_BaseObject* poObject = poNode->m_pData;
        if (!poObject)
        {
            dprintf("*** QIRN_World::UpdateWorld(): Tried to update the actor in node '%s', but there's no "
                    "data!\n",
                    poNode->m_szName.c_str());
            continue;
        }
        poObject->ProcessEventMsgs();
        if (poObject->Update(fDeltaTime) != OK)
        {
            dprintf("*** QIRN_World::UpdateWorld(): Error while updating actor %s\n",
                    poObject->GetName().c_str());
            return GENERICERROR;
        }
    }
    if (UpdateRelationships(fDeltaTime) != OK)
    {
        dprintf("*** QIRN_World::UpdateWorld() - UpdateRelationships() FAILED\n");
        return GENERICERROR;
    }
    for (QIRN_BINARYTREENODE<QIRN_Shader>* poNode = m_oShaderTree.GetFirstNode(); poNode;
         poNode = poNode->GetNextNode())
    {
        if (poNode->m_pData)
        {
            poNode->m_pData->UpdateDataBunnyAssignments();
        }
    }
    return OK;
}

QIRN_ErrorCode QIRN_World::UpdateRelationships(float fDeltaTime)
{
    if (m_oRelationshipObjectList.m_pHead && m_oRelationshipObjectList.m_pHead->m_pData)
    {
        QIRN_RelationshipObject::ResetFrameState();
    }
    for (QIRN_LINKEDLISTNODE<QIRN_BaseObject>* poNode = m_oRelationshipObjectList.m_pHead; poNode;
         poNode = poNode->m_pNext)
    {
        if (poNode->m_pData)
        {
            poNode->m_pData->Update(fDeltaTime);
        }
    }
    return OK;
}

QIRN_ErrorCode QIRN_World::SetWorldTime(float fTime)
{
    m_fWorldTime = fTime;
    for (QIRN_BINARYTREENODE<QIRN_BaseObject>* poNode = m_oGlobalActorList.GetFirstNode(); poNode;
         poNode = poNode->GetNextNode())
    {
        if (!poNode->m_pData)
        {
            dprintf(
                "*** QIRN_World::UpdateWorld(): Tried to reset actor in node '%s', but there's no data!\n",
                poNode->m_szName.c_str());
            continue;
        }
        poNode->m_pData->SetTime(fTime);
    }
    m_oDataBunnyManager.SetTime(fTime);
    return OK;
}

void QIRN_World::ReleaseDeviceResources(int iDevice)
{
    // The renderer meshes belong to the graphics implementation that is going away; every
    // geometry of this world (those of the mesh kinds are the only ones drawn) drops its list of
    // them, and the particle emitters drop their per-device flags.
    QIRN_Geometry::ReleaseWorldRenderMeshes(this);
    QIRN_LINKEDLIST<QIRN_ParticleEmitterActor>* poEmitters = GetParticleEmitterActorList();
    for (auto* poNode = poEmitters ? poEmitters->m_pHead : nullptr; poNode; poNode = poNode->m_pNext)
    {
        if (poNode->m_pData && iDevice >= 0)
        {
            poNode->m_pData->SetDeviceFlag(static_cast<uint32_t>(iDevice), 0);
        }
    }
}

QIRN_Geometry* QIRN_World::CreateGeometry(QIRN_World* pWorld)
{
    QIRN_Geometry* poGeometry = new (std::nothrow) QIRN_Geometry(pWorld);
    if (!poGeometry)
    {
        dprintf("*** QIRN_World::CreateGeometry() - Memory allocation for the geometry failed\n");
    }
    return poGeometry;
}

void QIRN_World::DestroyGeometry(QIRN_Geometry** ppGeometry)
{
    if (ppGeometry && *ppGeometry)
    {
        delete *ppGeometry;
        *ppGeometry = nullptr;
    }
}

QIRN_LINKEDLIST<QIRN_MeshActor>* QIRN_World::GetMeshActorList()
{
    return AsKindList<QIRN_MeshActor>(m_poMeshActorList);
}

QIRN_LINKEDLIST<QIRN_LipSyncActor>* QIRN_World::GetLipSyncActorList()
{
    return AsKindList<QIRN_LipSyncActor>(m_poLipSyncActorList);
}

QIRN_LINKEDLIST<QIRN_DigiMaskActor>* QIRN_World::GetDigiMaskActorList()
{
    return AsKindList<QIRN_DigiMaskActor>(m_poDigiMaskActorList);
}

QIRN_LINKEDLIST<QIRN_CameraActor>* QIRN_World::GetCameraActorList()
{
    return AsKindList<QIRN_CameraActor>(m_poCameraActorList);
}

QIRN_LINKEDLIST<QIRN_LightActor>* QIRN_World::GetLightActorList()
{
    return AsKindList<QIRN_LightActor>(m_poLightActorList);
}

QIRN_LINKEDLIST<QIRN_LogoActor>* QIRN_World::GetLogoActorList()
{
    return AsKindList<QIRN_LogoActor>(m_poLogoActorList);
}

QIRN_LINKEDLIST<QIRN_SkyBoxActor>* QIRN_World::GetSkyBoxActorList()
{
    return AsKindList<QIRN_SkyBoxActor>(m_poSkyBoxActorList);
}

QIRN_LINKEDLIST<QIRN_ParticleEmitterActor>* QIRN_World::GetParticleEmitterActorList()
{
    return AsKindList<QIRN_ParticleEmitterActor>(m_poParticleEmitterActorList);
}

QIRN_LINKEDLIST<QIRN_ParticleAttractorActor>* QIRN_World::GetParticleAttractorActorList()
{
    return AsKindList<QIRN_ParticleAttractorActor>(m_poParticleAttractorActorList);
}

QIRN_LINKEDLIST<QIRN_CustomActor>* QIRN_World::GetCustomActorList()
{
    return AsKindList<QIRN_CustomActor>(m_poCustomActorList);
}

QIRN_LINKEDLIST<QIRN_Fog>* QIRN_World::GetFogList()
{
    return AsKindList<QIRN_Fog>(m_poFogList);
}
