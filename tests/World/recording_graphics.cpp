#include "recording_graphics.h"

#include "qirn_world.h"

namespace world_test
{
namespace
{
RecordingGraphics* g_poInstalled = nullptr;

QIRN_Graphics* InstalledGraphics(QIRN_Engine*, uint32_t dwDisplay)
{
    return dwDisplay == 0 ? g_poInstalled : nullptr;
}
} // namespace

RecordingGraphics::RecordingGraphics(QIRN_Engine* pEngine) : QIRN_Graphics(pEngine) {}

RecordingGraphics::~RecordingGraphics()
{
    if (g_poInstalled == this)
    {
        g_poInstalled = nullptr;
        QIRN_World::SetEngineGraphicsSource(nullptr);
    }
}

void RecordingGraphics::Install()
{
    g_poInstalled = this;
    QIRN_World::SetEngineGraphicsSource(&InstalledGraphics);
}

QIRN_ErrorCode RecordingGraphics::SetVertexShaderConstants(uint32_t dwStart, const float* pfData,
                                                           uint32_t dwCount)
{
    m_vUploads.push_back({true, dwStart, dwCount, std::vector<float>(pfData, pfData + 4 * dwCount)});
    return OK;
}

QIRN_ErrorCode RecordingGraphics::SetPixelShaderConstants(uint32_t dwStart, const float* pfData,
                                                          uint32_t dwCount)
{
    m_vUploads.push_back({false, dwStart, dwCount, std::vector<float>(pfData, pfData + 4 * dwCount)});
    return OK;
}

QIRN_ErrorCode RecordingGraphics::GetNumAdapters(int* piCount)
{
    if (piCount)
    {
        *piCount = 1;
    }
    return OK;
}
} // namespace world_test
