#pragma once
// QIRN_CustomActor: an actor whose behaviour and drawing live in a plug-in DLL named in the world
// file. It loads the library, asks its factory for an implementation, takes the implementation's
// argument defaults (which "Arg" blocks override) and shader slots, and forwards the renderer's
// initialise, update, render and destroy calls to it.

#include "qirn_actorimplementation.h"
#include "qirn_baseactor.h"

#include <windows.h>

#include <cstdint>
#include <string>

class QIRN_Graphics;

class QIRN_CustomActor : public QIRN_BaseActor
{
public:
    explicit QIRN_CustomActor(std::string szClassName);
    ~QIRN_CustomActor() override;

    // Destroys the user data while initialised, lets the plug-in release its implementation and
    // frees the library; safe to call again.
    QIRN_ErrorCode Destroy() override;
    QIRN_ErrorCode SaveContents(QIRN_File& roFile) override;
    QIRN_ErrorCode InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile) override;
    // Loads the plug-in: 0, 32 (no library), 3 (no factory) or 4 (no implementation). A library
    // already held is released first.
    virtual QIRN_ErrorCode Initialize(std::string szDLLFilename);

    uint32_t GetNumArgs();
    float GetArgDefaultValue(uint32_t dwIndex);

    // The renderer's calls; each answers 4 without an implementation.
    QIRN_ErrorCode InitUserData(QIRN_Graphics* poGraphics);
    QIRN_ErrorCode UpdateUserData();
    QIRN_ErrorCode RenderUserData(int32_t iPass);
    QIRN_ErrorCode DestroyUserData();

    // For the plug-in: the actor's current argument values (defaults overridden by the file).
    uint32_t GetArgCount() const { return m_dwNumArgs; }
    float GetArg(uint32_t dwIndex) const
    {
        return dwIndex < m_dwNumArgs && m_pfArgs ? m_pfArgs[dwIndex] : 0.0f;
    }
    void SetArg(uint32_t dwIndex, float fValue)
    {
        if (dwIndex < m_dwNumArgs && m_pfArgs)
        {
            m_pfArgs[dwIndex] = fValue;
        }
    }
    bool IsInitialized() const { return m_bInitialized; }
    std::string GetDLLFilename() const { return m_szDLLFilename; }
    HMODULE GetModule() const { return m_hModule; }
    QIRN_ActorImplementation* GetImplementation() const { return m_poImplementation; }

    bool m_bInitialized;
    std::string m_szDLLFilename;
    HMODULE m_hModule;
    uint32_t m_dwNumArgs;
    float* m_pfArgs;
    QIRN_ActorImplementation* m_poImplementation;
    // The index of this actor's next "Arg"; "DLLFilename" restarts it.
    uint32_t m_dwNextArg;

private:
    // The plug-in part of Destroy: user data, implementation, library and arguments.
    void ReleasePlugIn();
    // Makes the argument array from the implementation's defaults.
    void TakeArgDefaults();
    void DeclareShaderSlots();
    QIRN_ErrorCode ReadArg(QIRN_File& roFile);
};
