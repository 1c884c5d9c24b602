#pragma once
// CQIRN_Sync: the lip-sync timeline of a talking head. A sync file gives the spoken words, one
// weight track per viseme and per gesture and a list of timed events; at the play position of the
// head's sound the tracks become per-name weights for the geometry and due events are fired.

#include "qirn_errors.h"
#include "qirn_frame.h"
#include "qirn_linkedlist.h"

#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <istream>
#include <string>

// Receiver of the events a timeline fires; results are not read.
class QIRN_SyncEventSink
{
public:
    virtual ~QIRN_SyncEventSink() {}
    virtual int OnSyncEvent0(int iEventId) = 0;
    virtual int OnSyncEvent1(int iEventId, VARIANT* p1) = 0;
    virtual int OnSyncEvent2(int iEventId, VARIANT* p1, VARIANT* p2) = 0;
};

// One viseme or gesture track; owns its arrays.
struct SyncTrack
{
    SyncTrack();
    ~SyncTrack();
    SyncTrack(const SyncTrack&) = delete;
    SyncTrack& operator=(const SyncTrack&) = delete;

    std::string szName;
    int32_t iNumEntries;
    float* pfTimes;
    float* pfWeights;
    float* pfSecondDerivatives;
    float* pfSpareValues;
    float* pfTangents;
};

struct SyncWord
{
    float fStart;
    float fEnd;
    std::string strWord;
};

// An event with up to two parameters; owns them.
struct SyncEvent
{
    SyncEvent();
    ~SyncEvent();
    SyncEvent(const SyncEvent&) = delete;
    SyncEvent& operator=(const SyncEvent&) = delete;

    float fTime;
    int32_t iNumParams;
    int32_t iEventId;
    VARIANT* apParams[2];
};

// Computes the cubic spline second derivatives of a track (end slopes fixed at 1).
void SyncTrack_PrepareSpline(SyncTrack* pTrack);
// The track's value at t by interpolation type (0 linear, 1 Hermite, 2 spline, other 0).
float SyncTrack_Evaluate(SyncTrack* pTrack, float t, uint32_t interpolationtype);

class CQIRN_Sync
{
public:
    typedef QIRN_LINKEDLIST<float> WeightList;
    typedef QIRN_LINKEDLIST<SyncTrack> TrackList;
    typedef QIRN_LINKEDLIST<SyncWord> WordList;
    typedef QIRN_LINKEDLIST<SyncEvent> EventList;

    CQIRN_Sync();
    ~CQIRN_Sync();
    CQIRN_Sync(const CQIRN_Sync&) = delete;
    CQIRN_Sync& operator=(const CQIRN_Sync&) = delete;

    QIRN_ErrorCode LoadFile(std::string szSyncPathname);
    QIRN_ErrorCode UpdateVisemes(float t);
    QIRN_ErrorCode UpdateGestures(float t);
    QIRN_ErrorCode DispatchEvents(float t);

    QIRN_ErrorCode FireEvent0(int eventId);
    QIRN_ErrorCode FireEvent1(int eventId, VARIANT* p1);
    QIRN_ErrorCode FireEvent2(int eventId, VARIANT* p1, VARIANT* p2);

    // The timeline does not own the sink.
    void SetEventSink(QIRN_SyncEventSink* pCallback) { m_pCallback = pCallback; }

    QIRN_WeightListNode* GetVisemeWeights() const { return m_visemeWeights.m_pHead; }
    QIRN_WeightListNode* GetGestureWeights() const { return m_gestureWeights.m_pHead; }
    TrackList::Node* GetVisemeTracks() const { return m_visemeTracks.m_pHead; }
    TrackList::Node* GetGestureTracks() const { return m_gestureTracks.m_pHead; }
    WordList::Node* GetWords() const { return m_words.m_pHead; }
    EventList::Node* GetEvents() const { return m_events.m_pHead; }
    EventList::Node* GetEventCursor() const { return m_pEventCursor; }

    std::string m_strSyncFilename;
    std::string m_strSoundFilename;
    uint32_t m_interpolationtype;
    QIRN_SyncEventSink* m_pCallback;
    WeightList m_visemeWeights;
    WeightList m_gestureWeights;
    WordList m_words;
    TrackList m_visemeTracks;
    TrackList m_gestureTracks;
    EventList m_events;
    EventList::Node* m_pEventCursor;

private:
    // Each section loader answers 0, or 1 when it gave up on the rest of the file.
    QIRN_ErrorCode LoadWordsSection(std::istream& roIn);
    QIRN_ErrorCode LoadTracksSection(std::istream& roIn, bool bVisemes);
    QIRN_ErrorCode LoadEventsSection(std::istream& roIn);
    bool ReadEvent(std::istream& roIn, SyncEvent* pEvent);
    void UpdateWeights(float t, TrackList& roTracks, WeightList& roWeights, float fScale,
                       const char* szWarning);
};
