#pragma once
// High-resolution timer: the performance counter, else the multimedia millisecond clock.

#include <cstdint>

// Replaces the platform's counters (tests inject time through this). A NULL QueryFrequency or a
// FALSE answer from it selects the millisecond clock, as a missing performance counter does.
struct QIRN_TimerSource
{
    bool (*QueryFrequency)(int64_t* piFrequency);
    void (*QueryCounter)(int64_t* piCounter);
    uint32_t (*Milliseconds)();
};

class QIRN_Timer
{
public:
    explicit QIRN_Timer(float scale);
    ~QIRN_Timer() = default;

    // Scaled seconds accumulated since construction; each call adds the scaled ticks since the
    // previous one, truncated to whole ticks.
    float Update();
    // Unscaled seconds since construction; does not affect the next Update.
    float GetElapsedTime();
    void ReadCounter(int64_t* piCounter);

    // NULL restores the platform's counters. Affects timers constructed afterwards.
    static void SetSource(const QIRN_TimerSource* pSource);

    bool m_bHighResolution;
    float m_fScale;
    int64_t m_iStart;
    int64_t m_iCurrent;
    int64_t m_iLast;
    int64_t m_iFrequency;
    int64_t m_iAccumulated;

private:
    // The millisecond clock is 32 bits wide and wraps after 49.7 days; these extend it.
    uint32_t m_dwLastMilliseconds;
    int64_t m_iMillisecondEpoch;
    QIRN_TimerSource m_oSource;
};
