#include "qirn_timer.h"

#include <windows.h>
#include <mmsystem.h>

namespace
{
bool PlatformFrequency(int64_t* piFrequency)
{
    LARGE_INTEGER li;
    if (!QueryPerformanceFrequency(&li) || li.QuadPart == 0)
    {
        return false;
    }
    *piFrequency = li.QuadPart;
    return true;
}

void PlatformCounter(int64_t* piCounter)
{
    LARGE_INTEGER li;
    QueryPerformanceCounter(&li);
    *piCounter = li.QuadPart;
}

uint32_t PlatformMilliseconds()
{
    return timeGetTime();
}

const QIRN_TimerSource PLATFORM_SOURCE = {PlatformFrequency, PlatformCounter, PlatformMilliseconds};
const QIRN_TimerSource* g_pSource = &PLATFORM_SOURCE;
} // namespace

void QIRN_Timer::SetSource(const QIRN_TimerSource* pSource)
{
    g_pSource = pSource ? pSource : &PLATFORM_SOURCE;
}

QIRN_Timer::QIRN_Timer(float scale)
    : m_bHighResolution(false), m_fScale(scale), m_iStart(0), m_iCurrent(0), m_iLast(0), m_iFrequency(1000),
      m_iAccumulated(0), m_dwLastMilliseconds(0), m_iMillisecondEpoch(0), m_oSource(*g_pSource)
{
    int64_t iFrequency = 0;
    if (m_oSource.QueryFrequency && m_oSource.QueryFrequency(&iFrequency) && iFrequency > 0)
    {
        m_iFrequency = iFrequency;
        m_bHighResolution = true;
    }
    else
    {
        m_iFrequency = 1000;
        m_bHighResolution = false;
        m_dwLastMilliseconds = m_oSource.Milliseconds();
    }
    ReadCounter(&m_iStart);
    m_iLast = m_iStart;
}

void QIRN_Timer::ReadCounter(int64_t* piCounter)
{
    if (m_bHighResolution)
    {
        m_oSource.QueryCounter(piCounter);
        return;
    }
    uint32_t dwNow = m_oSource.Milliseconds();
    if (dwNow < m_dwLastMilliseconds)
    {
        m_iMillisecondEpoch += int64_t(1) << 32;
    }
    m_dwLastMilliseconds = dwNow;
    *piCounter = m_iMillisecondEpoch + dwNow;
}

float QIRN_Timer::Update()
{
    ReadCounter(&m_iCurrent);
    int64_t iDelta = m_iCurrent - m_iLast;
    int64_t iScaled = static_cast<int64_t>(static_cast<double>(iDelta) * m_fScale);
    m_iLast = m_iCurrent;
    m_iAccumulated += iScaled;
    return static_cast<float>(static_cast<double>(m_iAccumulated) / static_cast<double>(m_iFrequency));
}

float QIRN_Timer::GetElapsedTime()
{
    ReadCounter(&m_iCurrent);
    return static_cast<float>(static_cast<double>(m_iCurrent - m_iStart) / static_cast<double>(m_iFrequency));
}
