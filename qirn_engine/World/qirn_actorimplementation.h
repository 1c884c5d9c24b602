#pragma once
// The plug-in interface of custom actors: what a plug-in DLL implements and exports, and what the
// engine calls of it. The engine and every plug-in include this one header and are built by the
// same compiler, so the table of virtual operations and the data members below are laid out alike
// on both sides. Everything the engine reads of an implementation is inline here; the engine
// never calls into a plug-in except through the virtual operations and the two exports.

#include "qirn_errors.h"

#include <cstdint>
#include <string>

class QIRN_CustomActor;
class QIRN_Graphics;

class QIRN_ActorImplementation
{
public:
    QIRN_ActorImplementation() = default;
    QIRN_ActorImplementation(const QIRN_ActorImplementation&) = delete;
    QIRN_ActorImplementation& operator=(const QIRN_ActorImplementation&) = delete;

    // Seven operations for the plug-in's own use and for tools; the engine never calls them.
    virtual ~QIRN_ActorImplementation() = default;
    virtual const char* GetName() const { return ""; }
    virtual const char* GetDescription() const { return ""; }
    virtual const char* GetAuthor() const { return ""; }
    virtual uint32_t GetVersion() const { return 0; }
    virtual const char* GetArgName(uint32_t) const { return ""; }
    virtual const char* GetArgDescription(uint32_t) const { return ""; }

    // The four calls of the renderer, through the custom actor. Initialize hands over the actor
    // (its arguments, position and shader slots) and the renderer to draw through; 0 is success.
    virtual QIRN_ErrorCode Initialize(QIRN_CustomActor* poActor, QIRN_Graphics* poGraphics) = 0;
    virtual QIRN_ErrorCode Update() = 0;
    // iPass: the renderer's pass index, from 0.
    virtual QIRN_ErrorCode Render(int32_t iPass) = 0;
    // Ends what Initialize began; the renderer may initialise the implementation again later.
    virtual QIRN_ErrorCode Destroy() = 0;

    // What the engine reads.
    uint32_t GetNumArgs() const { return m_dwNumArgs; }
    float GetArgDefault(uint32_t dwIndex) const
    {
        return dwIndex < m_dwNumArgs && m_pfArgDefaults ? m_pfArgDefaults[dwIndex] : 0.0f;
    }
    uint32_t GetNumShaderSlots() const { return m_dwNumShaderSlots; }
    std::string GetShaderSlotName(uint32_t dwIndex) const
    {
        if (dwIndex >= m_dwNumShaderSlots || !m_pszShaderSlotNames || !m_pszShaderSlotNames[dwIndex])
        {
            return std::string();
        }
        return m_pszShaderSlotNames[dwIndex];
    }

    // The plug-in's own; the engine does not read them.
    QIRN_CustomActor* m_poActor = nullptr;
    QIRN_Graphics* m_poGraphics = nullptr;
    // Read by the engine, in this order.
    uint32_t m_dwNumArgs = 0;
    uint32_t m_dwReserved0 = 0;
    uint32_t m_dwReserved1 = 0;
    const float* m_pfArgDefaults = nullptr;
    uint32_t m_dwNumShaderSlots = 0;
    const char* const* m_pszShaderSlotNames = nullptr;
};

// The exports of a plug-in DLL, by these names: the factory answers a new implementation (owned
// by the plug-in) or NULL; the engine calls the optional release export once for each
// implementation it got, when its actor lets go of it, just before it frees the library.
#define QIRN_CREATE_ACTOR_IMPLEMENTATION "CreateActorImplementation"
#define QIRN_DELETE_ACTOR_IMPLEMENTATION "DeleteActorImplementation"
typedef QIRN_ActorImplementation* (*QIRN_CreateActorImplementationFunction)();
typedef void (*QIRN_DeleteActorImplementationFunction)();

// Marks a plug-in's exports; they use the C calling convention and undecorated names.
#define QIRN_PLUGIN_EXPORT extern "C" __declspec(dllexport)
