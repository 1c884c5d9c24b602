#include "qirn_databunny.h"

#include <climits>
#include <cmath>

QIRN_BaseXFileDataBunny::~QIRN_BaseXFileDataBunny()
{
    delete[] m_pfKeyValues;
    delete[] m_pfKeyTimes;
    m_pfKeyValues = nullptr;
    m_pfKeyTimes = nullptr;
    m_dwNumKeys = 0;
}

void QIRN_BaseXFileDataBunny::SetKeys(uint32_t count, float* pfValues, float* pfTimes)
{
    if (pfValues != m_pfKeyValues)
    {
        delete[] m_pfKeyValues;
    }
    if (pfTimes != m_pfKeyTimes)
    {
        delete[] m_pfKeyTimes;
    }
    m_pfKeyValues = pfValues;
    m_pfKeyTimes = pfTimes;
    m_dwNumKeys = (pfValues && pfTimes) ? count : 0;
}

int QIRN_BaseXFileDataBunny::Update(float dt)
{
    m_fTime += dt;
    if (m_dwNumKeys == 0 || !m_pfKeyValues || !m_pfKeyTimes)
    {
        return 0;
    }
    // A clock that is no longer a number starts over rather than poisoning every later value.
    if (!std::isfinite(m_fTime))
    {
        m_fTime = 0.0f;
    }
    float fLast = m_pfKeyTimes[m_dwNumKeys - 1];
    // Forward only, as a closed form of subtracting fLast while the time is beyond it: the time
    // lands in (0, fLast], a whole multiple of fLast giving fLast.
    if (m_fTime > fLast && fLast > 0.0f)
    {
        float fWrapped = std::fmod(m_fTime, fLast);
        m_fTime = fWrapped > 0.0f ? fWrapped : fLast;
    }
    uint32_t lo = 0;
    uint32_t hi = m_dwNumKeys - 1;
    while (hi - lo > 1)
    {
        uint32_t mid = lo + (hi - lo) / 2;
        if (m_pfKeyTimes[mid] <= m_fTime)
        {
            lo = mid;
        }
        else
        {
            hi = mid;
        }
    }
    float fSpan = m_pfKeyTimes[hi] - m_pfKeyTimes[lo];
    float f = fSpan != 0.0f ? (m_fTime - m_pfKeyTimes[lo]) / fSpan : 0.0f;
    m_fCurrent = (1.0f - f) * m_pfKeyValues[lo] + f * m_pfKeyValues[hi];
    return 0;
}

int QIRN_DataBunnyFloatToInt(float f)
{
    if (std::isnan(f))
    {
        return 0;
    }
    if (f >= 2147483648.0f)
    {
        return INT_MAX;
    }
    if (f <= -2147483648.0f)
    {
        return INT_MIN;
    }
    return static_cast<int>(f);
}

int QIRN_XFileByteDataBunny::Update(float dt)
{
    QIRN_BaseXFileDataBunny::Update(dt);
    if (m_dwNumKeys > 0)
    {
        m_Value =
            static_cast<unsigned char>(static_cast<uint32_t>(QIRN_DataBunnyFloatToInt(m_fCurrent)) & 0xFFu);
    }
    return 0;
}

int QIRN_XFileFloatDataBunny::Update(float dt)
{
    QIRN_BaseXFileDataBunny::Update(dt);
    if (m_dwNumKeys > 0)
    {
        m_Value = m_fCurrent;
    }
    return 0;
}

int QIRN_XFileIntDataBunny::Update(float dt)
{
    QIRN_BaseXFileDataBunny::Update(dt);
    if (m_dwNumKeys > 0)
    {
        m_Value = QIRN_DataBunnyFloatToInt(m_fCurrent);
    }
    return 0;
}

int QIRN_XFileBoolDataBunny::Update(float dt)
{
    QIRN_BaseXFileDataBunny::Update(dt);
    if (m_dwNumKeys > 0)
    {
        m_Value = QIRN_DataBunnyFloatToInt(m_fCurrent);
    }
    return 0;
}
