#include "qirn_shaderconstants.h"

#include "qirn_graphics.h"

float QIRN_ShaderConstants::GetSceneVariableValue(uint32_t dwVariable) const
{
    // Outside an upload there is no graphics implementation to read, and the world's time is the
    // one of the last upload.
    switch (dwVariable)
    {
    case 0:
        return m_fWorldTime;
    case 1:
        return m_pGraphics ? static_cast<float>(m_pGraphics->m_dwTotalFrames) : 0.0f;
    case 3:
        return m_pGraphics ? static_cast<float>(m_pGraphics->GetBackBufferHeight()) : 0.0f;
    case 4:
        return m_pGraphics ? static_cast<float>(m_pGraphics->GetBackBufferWidth()) : 0.0f;
    default:
        return 0.0f;
    }
}
