#include "qirn_sampleactor.h"

#include "qirn_actorimplementation.h"
#include "qirn_customactor.h"
#include "qirn_graphics.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

namespace
{
const float ARG_DEFAULTS[QIRN_SAMPLEARG_COUNT] = {16.0f, 16.0f, 8.0f, 255.0f, 200.0f, 0.0f};
const char* const ARG_NAMES[QIRN_SAMPLEARG_COUNT] = {"X", "Y", "Size", "Red", "Green", "Blue"};
const char* const SHADER_SLOTS[] = {"Marker", "Outline"};

QIRN_SampleActorStats g_oStats = {};

uint32_t ColorComponent(float f)
{
    return static_cast<uint32_t>(std::min(std::max(f, 0.0f), 255.0f));
}

class QIRN_SampleActor : public QIRN_ActorImplementation
{
public:
    QIRN_SampleActor()
    {
        m_dwNumArgs = QIRN_SAMPLEARG_COUNT;
        m_pfArgDefaults = ARG_DEFAULTS;
        m_dwNumShaderSlots = sizeof(SHADER_SLOTS) / sizeof(SHADER_SLOTS[0]);
        m_pszShaderSlotNames = SHADER_SLOTS;
    }

    const char* GetName() const override { return "Sample square"; }
    const char* GetDescription() const override { return "A flat square of pixels"; }
    uint32_t GetVersion() const override { return 1; }
    const char* GetArgName(uint32_t dwIndex) const override
    {
        return dwIndex < QIRN_SAMPLEARG_COUNT ? ARG_NAMES[dwIndex] : "";
    }

    QIRN_ErrorCode Initialize(QIRN_CustomActor* poActor, QIRN_Graphics* poGraphics) override
    {
        if (!poActor || !poGraphics)
        {
            return NULL_POINTER;
        }
        m_poActor = poActor;
        m_poGraphics = poGraphics;
        ++g_oStats.iInitialized;
        return OK;
    }

    // Takes the actor's current arguments, so that changes to them show in the next frame.
    QIRN_ErrorCode Update() override
    {
        if (!m_poActor)
        {
            return NULL_POINTER;
        }
        ++g_oStats.iUpdated;
        m_iX = static_cast<int32_t>(m_poActor->GetArg(QIRN_SAMPLEARG_X));
        m_iY = static_cast<int32_t>(m_poActor->GetArg(QIRN_SAMPLEARG_Y));
        const float fSize = m_poActor->GetArg(QIRN_SAMPLEARG_SIZE);
        m_iSize = fSize > 0.0f
                      ? static_cast<int32_t>(std::min(fSize, static_cast<float>(QIRN_SAMPLE_MAX_SIZE)))
                      : 0;
        m_dwColor = 0xFF000000u | ColorComponent(m_poActor->GetArg(QIRN_SAMPLEARG_RED)) << 16 |
                    ColorComponent(m_poActor->GetArg(QIRN_SAMPLEARG_GREEN)) << 8 |
                    ColorComponent(m_poActor->GetArg(QIRN_SAMPLEARG_BLUE));
        return OK;
    }

    // Draws in the first pass only, and only the pixels inside the back buffer: the renderer's
    // pixel call does not check them.
    QIRN_ErrorCode Render(int32_t iPass) override
    {
        if (!m_poGraphics)
        {
            return NULL_POINTER;
        }
        ++g_oStats.iRendered;
        if (iPass != 0 || !m_poGraphics->m_poDeviceInfo)
        {
            return OK;
        }
        const int32_t iWidth = static_cast<int32_t>(m_poGraphics->m_poDeviceInfo->m_dwWidth);
        const int32_t iHeight = static_cast<int32_t>(m_poGraphics->m_poDeviceInfo->m_dwHeight);
        for (int32_t y = std::max(m_iY, 0); y < std::min(m_iY + m_iSize, iHeight); ++y)
        {
            for (int32_t x = std::max(m_iX, 0); x < std::min(m_iX + m_iSize, iWidth); ++x)
            {
                m_poGraphics->DrawPixel(x, y, m_dwColor);
                ++g_oStats.iPixels;
            }
        }
        return OK;
    }

    QIRN_ErrorCode Destroy() override
    {
        ++g_oStats.iDestroyed;
        m_poActor = nullptr;
        m_poGraphics = nullptr;
        return OK;
    }

private:
    int32_t m_iX = 0;
    int32_t m_iY = 0;
    int32_t m_iSize = 0;
    uint32_t m_dwColor = 0;
};

// Every implementation handed out and not yet released. The release export names none, so the
// implementations are freed once each of them has been released, and at the latest when the last
// actor frees the library. Made and destroyed with the library, not on first use: a function-local
// static takes the threading runtime's guard, and the runtime linked into the library takes a
// thread-local slot for it that it never gives back when the library is freed.
std::vector<std::unique_ptr<QIRN_SampleActor>> g_vImplementations;

std::vector<std::unique_ptr<QIRN_SampleActor>>& Implementations()
{
    return g_vImplementations;
}
} // namespace

namespace __gnu_cxx
{
// The C++ runtime's own release of what it keeps for the life of the program.
void __freeres() noexcept;
} // namespace __gnu_cxx

// The C++ runtime linked into the library sets aside about 70 KB at load, for exceptions thrown when
// memory runs out, and never frees it: without this, every reload of a world that uses the plug-in
// would keep one such block. At process exit (a reserved pointer) nothing needs freeing.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD dwReason, LPVOID pvReserved)
{
    if (dwReason == DLL_PROCESS_DETACH && !pvReserved)
    {
        __gnu_cxx::__freeres();
    }
    return TRUE;
}

QIRN_PLUGIN_EXPORT QIRN_ActorImplementation* CreateActorImplementation()
{
    QIRN_SampleActor* poActor = new (std::nothrow) QIRN_SampleActor();
    if (!poActor)
    {
        return nullptr;
    }
    Implementations().emplace_back(poActor);
    ++g_oStats.iCreated;
    ++g_oStats.iLive;
    return poActor;
}

QIRN_PLUGIN_EXPORT void DeleteActorImplementation()
{
    ++g_oStats.iReleased;
    if (g_oStats.iReleased >= g_oStats.iCreated)
    {
        Implementations().clear();
        g_oStats.iLive = 0;
    }
}

QIRN_PLUGIN_EXPORT void GetSampleActorStats(QIRN_SampleActorStats* poStats)
{
    if (poStats)
    {
        *poStats = g_oStats;
    }
}
