#pragma once
// QIRN_World: one loaded scene. It owns every object (a name tree, plus one list per registered
// kind that only points at them), the scene's shaders and render targets, the data bunnies with
// their assignments and the bookmarks of the world file. Objects are made by class name through a
// registry of factories, so the world file can name a kind; every frame UpdateWorld updates the
// objects in ascending name order.

#include "qirn_baseobject.h"
#include "qirn_binarytree.h"
#include "qirn_databunnyassignmentsmanager.h"
#include "qirn_databunnymanager.h"
#include "qirn_errors.h"
#include "qirn_eventmsg.h"
#include "qirn_file.h"
#include "qirn_geometry.h"
#include "qirn_linkedlist.h"
#include "qirn_linkedlisttemplate.h"
#include "qirn_math.h"
#include "qirn_rendertarget.h"
#include "qirn_shader.h"

#include <windows.h>

#include <cstdint>
#include <string>

class QIRN_Audio;
class QIRN_Engine;
class QIRN_MeshActor;
class QIRN_LipSyncActor;
class QIRN_DigiMaskActor;
class QIRN_CameraActor;
class QIRN_LightActor;
class QIRN_LogoActor;
class QIRN_SkyBoxActor;
class QIRN_ParticleEmitterActor;
class QIRN_ParticleAttractorActor;
class QIRN_CustomActor;
class QIRN_Fog;
class QIRN_Graphics;

// The registry class names of the built-in kinds.
extern const char* const QIRN_CLASS_BASEACTOR;
extern const char* const QIRN_CLASS_CAMERAACTOR;
extern const char* const QIRN_CLASS_MESHACTOR;
extern const char* const QIRN_CLASS_LIPSYNCACTOR;
extern const char* const QIRN_CLASS_DIGIMASKACTOR;
extern const char* const QIRN_CLASS_FOG;
extern const char* const QIRN_CLASS_LIGHTACTOR;
extern const char* const QIRN_CLASS_LOGOACTOR;
extern const char* const QIRN_CLASS_SKYBOXACTOR;
extern const char* const QIRN_CLASS_PARTICLEEMITTERACTOR;
extern const char* const QIRN_CLASS_PARTICLEATTRACTORACTOR;
extern const char* const QIRN_CLASS_CUSTOMACTOR;

// The class name of relationship objects: the world file names them, but they are no registered
// kind; the world makes them itself and keeps them in a list of their own.
extern const char* const QIRN_CLASS_RELATIONSHIPOBJECT;

// The name of the shader that clears the frame.
extern const char* const QIRN_WORLD_SHADER_NAME;

// A kind's factory: a new object constructed with the kind's class name, or NULL.
typedef QIRN_BaseObject* (*QIRN_CreateObjectFunction)();

struct ActorRegistryNode
{
    std::string m_szClassName;
    QIRN_CreateObjectFunction m_pfnCreate = nullptr;
};

// Called before each item of the world file while it loads; non-zero stops the load.
typedef int32_t (*QIRN_LoadProgressCallback)();

// Readers of what a world takes from the engine that owns it: its audio interface (handed to every
// object made) and its window (whose client area gives the cameras their aspect). The engine
// installs them; the world never looks into the engine itself.
typedef QIRN_Audio* (*QIRN_EngineAudioSource)(QIRN_Engine* poEngine);
typedef HWND (*QIRN_EngineWindowSource)(QIRN_Engine* poEngine);
// The engine's graphics implementation of a display, NULL when none is made.
typedef QIRN_Graphics* (*QIRN_EngineGraphicsSource)(QIRN_Engine* poEngine, uint32_t dwDisplay);

typedef QIRN_LINKEDLIST<QIRN_BaseObject> QIRN_ObjectList;

// Nothing derives from the world, and its destructor is not virtual.
class QIRN_World final
{
public:
    explicit QIRN_World(QIRN_Engine* poEngine);
    ~QIRN_World();

    QIRN_World(const QIRN_World&) = delete;
    QIRN_World& operator=(const QIRN_World&) = delete;

    // Not added to the world: the caller hands the object to AddObject.
    virtual QIRN_BaseObject* CreateObject(std::string szObjectName, std::string szClassName);
    virtual QIRN_ErrorCode RemoveObject(std::string szName);
    // A new geometry of the world (NULL without memory); DestroyGeometry frees it and clears the
    // pointer.
    virtual QIRN_Geometry* CreateGeometry(QIRN_World* pWorld);
    virtual void DestroyGeometry(QIRN_Geometry** ppGeometry);
    virtual QIRN_ErrorCode HandleEventMsg(QIRN_EventMsg* pMsg);

    QIRN_ErrorCode InitWorld();
    QIRN_ErrorCode CloseWorld();
    QIRN_ErrorCode CreateEventMsgClient(QIRN_EventMsgManager* poEventMsgManager);

    QIRN_ErrorCode RegisterObject(std::string szClassName, QIRN_CreateObjectFunction pfnCreate);
    QIRN_ErrorCode InitActorRegistry();
    bool IsRegistered(std::string szClassName);

    // Takes the object in every case: on 0 it is filed, on 1 it is either kept in the name tree
    // (its kind has no list) or, when the name tree refused it, deleted.
    QIRN_ErrorCode AddObject(QIRN_BaseObject* poObject);
    QIRN_ObjectList* GetList(std::string szClassName);
    QIRN_BaseObject* FindObject(std::string szName);
    QIRN_ErrorCode AddRelationshipObject(QIRN_BaseObject* poRelationshipObject);

    QIRN_ErrorCode UpdateWorld(float fDeltaTime);
    QIRN_ErrorCode UpdateRelationships(float fDeltaTime);
    QIRN_ErrorCode ProcessEventMsgs();
    QIRN_ErrorCode SetWorldTime(float fTime);
    // Drops what the renderer made from this world's objects, after a lost device.
    void ReleaseDeviceResources(int iDevice);

    // World file and world shader file.
    QIRN_ErrorCode Load(std::string szFileName);
    QIRN_ErrorCode LoadContents(QIRN_File& roFile);
    QIRN_ErrorCode InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile);
    QIRN_ErrorCode LoadBookMarks(QIRN_File& roFile);
    QIRN_ErrorCode CreateRegisteredObjectFromFile(std::string szClassName, QIRN_File& roFile);
    QIRN_ErrorCode LoadShaders(std::string szFileName, QIRN_BINARYTREE<QIRN_Shader>* poShaderTree,
                               QIRN_BINARYTREE<QIRN_RenderTarget>* poRenderTargetTree);
    QIRN_ErrorCode SaveShaders(QIRN_BINARYTREE<QIRN_Shader>* poShaderTree, std::string szFileName,
                               QIRN_BINARYTREE<QIRN_RenderTarget>* poRenderTargetTree);

    // The kind lists, NULL before InitWorld or while the kind is not registered. Each holds only
    // objects of its kind, so it is handed out typed.
    QIRN_LINKEDLIST<QIRN_MeshActor>* GetMeshActorList();
    QIRN_LINKEDLIST<QIRN_LipSyncActor>* GetLipSyncActorList();
    QIRN_LINKEDLIST<QIRN_DigiMaskActor>* GetDigiMaskActorList();
    QIRN_LINKEDLIST<QIRN_CameraActor>* GetCameraActorList();
    QIRN_LINKEDLIST<QIRN_LightActor>* GetLightActorList();
    QIRN_LINKEDLIST<QIRN_LogoActor>* GetLogoActorList();
    QIRN_LINKEDLIST<QIRN_SkyBoxActor>* GetSkyBoxActorList();
    QIRN_LINKEDLIST<QIRN_ParticleEmitterActor>* GetParticleEmitterActorList();
    QIRN_LINKEDLIST<QIRN_ParticleAttractorActor>* GetParticleAttractorActorList();
    QIRN_LINKEDLIST<QIRN_CustomActor>* GetCustomActorList();
    QIRN_LINKEDLIST<QIRN_Fog>* GetFogList();

    QIRN_BINARYTREE<QIRN_Shader>* GetShaderTree() { return &m_oShaderTree; }
    QIRN_BINARYTREE<QIRN_RenderTarget>* GetRenderTargetTree() { return &m_oRenderTargetTree; }
    QIRN_GeometryTree* GetGeometryTree() { return &m_oGeometryTree; }
    QIRN_Shader* GetWorldShader() const { return m_poWorldShader; }
    QIRN_DataBunnyManager* GetDataBunnyManager() { return &m_oDataBunnyManager; }
    QIRN_DataBunnyAssignmentsManager* GetDataBunnyAssignmentManager()
    {
        return &m_oDataBunnyAssignmentManager;
    }

    uint32_t GetID() const { return m_dwID; }
    std::string GetWorldName() const { return m_szWorldName; }
    float GetWorldTime() const { return m_fWorldTime; }
    float GetTimeScale() const { return m_fTimeScale; }
    float GetResetTime() const { return m_fResetTime; }
    int32_t GetLoopWorld() const { return m_bLoopWorld; }
    QIRN_Vector4 GetGravity() const { return m_vGravity; }
    QIRN_Vector4 GetWind() const { return m_vWind; }
    QIRN_EventMsgClient* GetEventMsgClient() const { return m_poEventMsgClient; }
    void SetProgressCallback(QIRN_LoadProgressCallback pfnCallback) { m_pfnProgressCallback = pfnCallback; }

    // What the world takes from its engine (see the source typedefs): NULL without an engine or
    // without an installed reader.
    QIRN_Engine* GetEngine() const { return m_poEngine; }
    QIRN_Audio* GetEngineAudio() const;
    HWND GetEngineWindow() const;
    static void SetEngineSources(QIRN_EngineAudioSource pfnAudio, QIRN_EngineWindowSource pfnWindow);
    QIRN_Graphics* GetEngineGraphics(uint32_t dwDisplay) const;
    static void SetEngineGraphicsSource(QIRN_EngineGraphicsSource pfnGraphics);

    uint32_t m_dwID;
    QIRN_EventMsgClient* m_poEventMsgClient;
    QIRN_Engine* m_poEngine;
    std::string m_szWorldName;
    float m_fResetTime;
    float m_fTimeScale;
    int32_t m_bLoopWorld;
    float m_fWorldTime;
    // Payloads are empty words; the key is the time in seconds.
    QIRN_LINKEDLISTTEMPLATE<uint32_t, float> m_oBookMarkList;
    QIRN_LINKEDLIST<QIRN_ObjectList> m_oActorLists;
    QIRN_BINARYTREE<QIRN_BaseObject> m_oGlobalActorList;
    QIRN_DataBunnyManager m_oDataBunnyManager;
    QIRN_DataBunnyAssignmentsManager m_oDataBunnyAssignmentManager;
    QIRN_ObjectList* m_poMeshActorList;
    QIRN_ObjectList* m_poLipSyncActorList;
    QIRN_ObjectList* m_poDigiMaskActorList;
    QIRN_ObjectList* m_poCameraActorList;
    QIRN_ObjectList* m_poLightActorList;
    QIRN_ObjectList* m_poLogoActorList;
    QIRN_ObjectList* m_poSkyBoxActorList;
    QIRN_ObjectList* m_poParticleEmitterActorList;
    QIRN_ObjectList* m_poParticleAttractorActorList;
    QIRN_ObjectList* m_poCustomActorList;
    QIRN_ObjectList* m_poFogList;
    // Relationship objects, by name; they are base objects whose Update runs after the actors'.
    QIRN_ObjectList m_oRelationshipObjectList;
    // Each node's count is the number of actor slots (and, for the world shader, the world) using it.
    QIRN_BINARYTREE<QIRN_Shader> m_oShaderTree;
    QIRN_Shader* m_poWorldShader;
    QIRN_BINARYTREE<QIRN_RenderTarget> m_oRenderTargetTree;
    // The shared data of every imported geometry file, by lower-cased file name.
    QIRN_GeometryTree m_oGeometryTree;
    QIRN_Vector4 m_vGravity;
    QIRN_Vector4 m_vWind;
    QIRN_LINKEDLIST<ActorRegistryNode> m_oActorRegistry;
    QIRN_LoadProgressCallback m_pfnProgressCallback;

private:
    void Reset();
    // Drops the relationships whose dependant is the object and clears the targets that are it.
    void ForgetRelationshipsTo(QIRN_BaseObject* poObject);
    // Makes the default world shader and files it under QIRN_WORLD_SHADER_NAME with a count of 1.
    void CreateDefaultWorldShader(const char* szNoMemory, const char* szNoInsert);
    // One "QIRN_RelationshipObject" block of the world file: 0, or 40 after its line.
    QIRN_ErrorCode LoadRelationshipObject(QIRN_File& roFile);
    // After an object's load failed reading a value: skips to the end of that object's block so
    // the next item can be read; 0, or 40 when the file ends first.
    QIRN_ErrorCode SkipRestOfFailedBlock(QIRN_File& roFile);
    QIRN_ErrorCode LoadShaderFileItems(QIRN_File& roFile, QIRN_BINARYTREE<QIRN_Shader>* poShaderTree,
                                       QIRN_BINARYTREE<QIRN_RenderTarget>* poRenderTargetTree);
};
