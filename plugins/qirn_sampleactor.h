#pragma once
// The sample plug-in actor: a flat square of pixels drawn through the renderer it is handed, at a
// screen position, size and colour taken from the actor's arguments. It also answers how often the
// engine called it, for the engine's tests.

#include <cstdint>

// Argument order of the sample actor.
enum QIRN_SampleActorArg
{
    QIRN_SAMPLEARG_X,
    QIRN_SAMPLEARG_Y,
    QIRN_SAMPLEARG_SIZE,
    QIRN_SAMPLEARG_RED,
    QIRN_SAMPLEARG_GREEN,
    QIRN_SAMPLEARG_BLUE,
    QIRN_SAMPLEARG_COUNT
};

// The square is never larger than this many pixels a side.
const int32_t QIRN_SAMPLE_MAX_SIZE = 64;

// Calls since the library was loaded.
struct QIRN_SampleActorStats
{
    int32_t iCreated;
    int32_t iReleased;
    int32_t iLive;
    int32_t iInitialized;
    int32_t iUpdated;
    int32_t iRendered;
    int32_t iDestroyed;
    int32_t iPixels;
};

#define QIRN_SAMPLE_STATS_EXPORT "GetSampleActorStats"
typedef void (*QIRN_GetSampleActorStatsFunction)(QIRN_SampleActorStats* poStats);
