#include "cqirn_sync.h"

#include "qirn_debug.h"
#include "qirn_settings.h"

#include <oleauto.h>

#include <fstream>
#include <limits>
#include <new>

namespace
{
const char* const SECTION_WORDS = "<txt>";
const char* const SECTION_VISEMES = "<visemes>";
const char* const SECTION_GESTURES = "<gestures>";
const char* const SECTION_EVENTS = "<events>";
const char* const EVENT_NODE_NAME = "xEvent";
const int MAX_EVENT_PARAMS = 2;

void SkipLine(std::istream& roIn)
{
    roIn.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
}

// Bytes left to read from here on (unbounded when the stream cannot tell).
std::streamoff RemainingBytes(std::istream& roIn)
{
    const std::streampos here = roIn.tellg();
    if (here < 0)
    {
        return std::numeric_limits<std::streamoff>::max();
    }
    roIn.seekg(0, std::ios::end);
    const std::streampos end = roIn.tellg();
    roIn.seekg(here);
    return end < here ? 0 : static_cast<std::streamoff>(end - here);
}

// Empty lines are not records: without this a blank line before the closing line would make the
// closing line be read as a record.
void SkipBlankLines(std::istream& roIn)
{
    for (int c = roIn.peek(); c == '\n' || c == '\r'; c = roIn.peek())
    {
        roIn.get();
    }
}

// True when the section has a closing line to read; a section running into the end of the file
// is ended here with a log line.
bool SectionGoesOn(std::istream& roIn)
{
    SkipBlankLines(roIn);
    int c = roIn.peek();
    if (c == std::char_traits<char>::eof())
    {
        dprintf("*** CQIRN_Sync::LoadFile() - Section is not closed before the end of the file\n");
        return false;
    }
    return c != '<';
}

// After a record that does not parse: the rest of the section up to and with its closing line
// is passed over.
void AbandonSection(std::istream& roIn)
{
    dprintf("*** CQIRN_Sync::LoadFile() - Record does not parse; skipping the rest of the section\n");
    roIn.clear();
    SkipLine(roIn);
    std::string szLine;
    while (std::getline(roIn, szLine))
    {
        if (!szLine.empty() && szLine[0] == '<')
        {
            return;
        }
    }
    dprintf("*** CQIRN_Sync::LoadFile() - Section is not closed before the end of the file\n");
}

// A string parameter is written in double quotes (blanks allowed) or as one word.
bool ReadStringParameter(std::istream& roIn, std::string& rszText)
{
    roIn >> std::ws;
    if (roIn.peek() != '"')
    {
        return static_cast<bool>(roIn >> rszText);
    }
    roIn.get();
    rszText.clear();
    for (int c = roIn.get(); c != '"'; c = roIn.get())
    {
        if (c == std::char_traits<char>::eof() || c == '\n')
        {
            return false;
        }
        rszText += static_cast<char>(c);
    }
    return true;
}

bool ReadParameter(std::istream& roIn, VARIANT* pVariant)
{
    int iType = 0;
    if (!(roIn >> iType))
    {
        return false;
    }
    pVariant->vt = static_cast<VARTYPE>(iType);
    switch (pVariant->vt)
    {
    case VT_I4:
        return static_cast<bool>(roIn >> pVariant->lVal);
    case VT_R4:
        return static_cast<bool>(roIn >> pVariant->fltVal);
    case VT_R8:
        return static_cast<bool>(roIn >> pVariant->dblVal);
    case VT_BOOL:
    {
        int iValue = 0;
        if (!(roIn >> iValue) || iValue < -32768 || iValue > 32767)
        {
            return false;
        }
        pVariant->boolVal = static_cast<VARIANT_BOOL>(iValue);
        return true;
    }
    case VT_BSTR:
    {
        std::string szText;
        if (!ReadStringParameter(roIn, szText))
        {
            return false;
        }
        int iWide = MultiByteToWideChar(CP_ACP, 0, szText.c_str(), -1, nullptr, 0);
        std::wstring szWide(iWide > 0 ? iWide : 1, L'\0');
        if (iWide > 0)
        {
            MultiByteToWideChar(CP_ACP, 0, szText.c_str(), -1, &szWide[0], iWide);
        }
        pVariant->bstrVal = SysAllocString(szWide.c_str());
        return pVariant->bstrVal != nullptr;
    }
    default:
        return true;
    }
}

// Division over a key interval that may be empty (two keys at one time): such a term adds nothing.
float Over(float fNumerator, float fDenominator)
{
    return fDenominator != 0.0f ? fNumerator / fDenominator : 0.0f;
}
} // namespace

SyncTrack::SyncTrack()
    : iNumEntries(0), pfTimes(nullptr), pfWeights(nullptr), pfSecondDerivatives(nullptr),
      pfSpareValues(nullptr), pfTangents(nullptr)
{
}

SyncTrack::~SyncTrack()
{
    delete[] pfTimes;
    delete[] pfWeights;
    delete[] pfSecondDerivatives;
    delete[] pfSpareValues;
    delete[] pfTangents;
}

SyncEvent::SyncEvent() : fTime(0.0f), iNumParams(-1), iEventId(-1), apParams{nullptr, nullptr} {}

SyncEvent::~SyncEvent()
{
    for (VARIANT*& pParam : apParams)
    {
        if (pParam)
        {
            VariantClear(pParam);
            delete pParam;
            pParam = nullptr;
        }
    }
}

void SyncTrack_PrepareSpline(SyncTrack* pTrack)
{
    int n = pTrack->iNumEntries;
    if (n <= 0 || !pTrack->pfTimes || !pTrack->pfWeights)
    {
        return;
    }
    delete[] pTrack->pfSecondDerivatives;
    pTrack->pfSecondDerivatives = new (std::nothrow) float[n]();
    float* d2 = pTrack->pfSecondDerivatives;
    float* u = new (std::nothrow) float[n]();
    if (!d2 || !u || n < 2)
    {
        // A single key has no curve: its second derivative stays 0.
        delete[] u;
        return;
    }
    const float* x = pTrack->pfTimes;
    const float* y = pTrack->pfWeights;
    d2[0] = -0.5f;
    u[0] = Over(3.0f, x[1] - x[0]) * (Over(y[1] - y[0], x[1] - x[0]) - 1.0f);
    for (int i = 1; i <= n - 2; ++i)
    {
        float sig = Over(x[i] - x[i - 1], x[i + 1] - x[i - 1]);
        float p = sig * d2[i - 1] + 2.0f;
        d2[i] = (sig - 1.0f) / p;
        u[i] = Over(y[i + 1] - y[i], x[i + 1] - x[i]) - Over(y[i] - y[i - 1], x[i] - x[i - 1]);
        u[i] = (Over(6.0f * u[i], x[i + 1] - x[i - 1]) - sig * u[i - 1]) / p;
    }
    float un = Over(3.0f, x[n - 1] - x[n - 2]) * (1.0f - Over(y[n - 1] - y[n - 2], x[n - 1] - x[n - 2]));
    d2[n - 1] = (un - 0.5f * u[n - 2]) / (0.5f * d2[n - 2] + 1.0f);
    for (int k = n - 2; k >= 0; --k)
    {
        d2[k] = 0.1f * (d2[k] * d2[k + 1] + u[k]);
    }
    delete[] u;
}

float SyncTrack_Evaluate(SyncTrack* pTrack, float t, uint32_t interpolationtype)
{
    int n = pTrack->iNumEntries;
    if (n <= 0 || !pTrack->pfTimes || !pTrack->pfWeights || interpolationtype > 2)
    {
        return 0.0f;
    }
    const float* x = pTrack->pfTimes;
    const float* y = pTrack->pfWeights;
    // Written so that a NaN time is outside too.
    if (!(t >= x[0] && t <= x[n - 1]))
    {
        return 0.0f;
    }
    if (n == 1)
    {
        return y[0];
    }
    int lo = 0;
    int hi = n - 1;
    while (hi - lo > 1)
    {
        int mid = (lo + hi) / 2;
        if (t < x[mid])
        {
            hi = mid;
        }
        else
        {
            lo = mid;
        }
    }
    float h = x[hi] - x[lo];
    if (h == 0.0f)
    {
        if (interpolationtype == 2)
        {
            dprintf("Bad xa input to routine splint");
        }
        // Keys sharing one time: the lower key holds.
        return y[lo];
    }
    if (interpolationtype == 1)
    {
        float s = (t - x[lo]) / h;
        float s2 = s * s;
        float s3 = s2 * s;
        const float* m = pTrack->pfTangents;
        float mlo = m ? m[lo] : 0.0f;
        float mhi = m ? m[hi] : 0.0f;
        return (2.0f * s3 - 3.0f * s2 + 1.0f) * y[lo] + (s3 - 2.0f * s2 + s) * mlo +
               (-2.0f * s3 + 3.0f * s2) * y[hi] + (s3 - s2) * mhi;
    }
    if (y[lo] == 0.0f && y[hi] == 0.0f)
    {
        return 0.0f;
    }
    if (interpolationtype == 0)
    {
        float f = (t - x[lo]) / h;
        return (1.0f - f) * y[lo] + f * y[hi];
    }
    if (!pTrack->pfSecondDerivatives)
    {
        SyncTrack_PrepareSpline(pTrack);
    }
    const float* d2 = pTrack->pfSecondDerivatives;
    float a = (x[hi] - t) / h;
    float b = (t - x[lo]) / h;
    float fCurve = d2 ? ((a * a * a - a) * d2[lo] + (b * b * b - b) * d2[hi]) * (h * h) / 6.0f : 0.0f;
    return a * y[lo] + b * y[hi] + fCurve;
}

CQIRN_Sync::CQIRN_Sync() : m_interpolationtype(2), m_pCallback(nullptr), m_pEventCursor(nullptr) {}

CQIRN_Sync::~CQIRN_Sync()
{
    m_pEventCursor = nullptr;
    m_visemeWeights.DeleteAllNodes();
    m_gestureWeights.DeleteAllNodes();
    m_words.DeleteAllNodes();
    m_visemeTracks.DeleteAllNodes();
    m_gestureTracks.DeleteAllNodes();
    m_events.DeleteAllNodes();
}

QIRN_ErrorCode CQIRN_Sync::LoadFile(std::string szSyncPathname)
{
    if (szSyncPathname.empty())
    {
        dprintf("*** CQIRN_Sync::LoadFile() - szSyncPathname is EMPTY\n");
        return INVALIDPARAMS;
    }
    m_strSyncFilename = szSyncPathname;
    std::string szPath = QIRN_FindFile(szSyncPathname, "sync");
    if (szPath.empty())
    {
        dprintf("*** CQIRN_Sync::LoadFile() - QIRN_FindFile() FAILED\n");
        return GENERICERROR;
    }
    std::ifstream oIn(szPath.c_str());
    if (!oIn.is_open())
    {
        dprintf("\nCSync::LoadFile - Can't open Sync file.\n");
        return GENERICERROR;
    }
    while (!oIn.eof())
    {
        std::string szWord;
        oIn >> szWord;
        QIRN_ErrorCode eSection = OK;
        if (szWord == SECTION_WORDS)
        {
            eSection = LoadWordsSection(oIn);
        }
        else if (szWord == SECTION_VISEMES || szWord == SECTION_GESTURES)
        {
            eSection = LoadTracksSection(oIn, szWord == SECTION_VISEMES);
        }
        else if (szWord == SECTION_EVENTS)
        {
            eSection = LoadEventsSection(oIn);
        }
        else
        {
            oIn.clear(oIn.rdstate() & std::ios::eofbit);
            SkipLine(oIn);
            if (oIn.eof())
            {
                break;
            }
            dprintf("CSync::LoadFile - Unknown section; aborting.\n");
            return GENERICERROR;
        }
        // A section that gave up has closed the file for good.
        if (eSection != OK)
        {
            break;
        }
        oIn.clear(oIn.rdstate() & std::ios::eofbit);
    }
    return OK;
}

QIRN_ErrorCode CQIRN_Sync::LoadWordsSection(std::istream& roIn)
{
    while (SectionGoesOn(roIn))
    {
        SyncWord* pWord = new (std::nothrow) SyncWord();
        if (!pWord)
        {
            AbandonSection(roIn);
            return OK;
        }
        if (!(roIn >> pWord->fStart >> pWord->fEnd >> pWord->strWord))
        {
            delete pWord;
            AbandonSection(roIn);
            return OK;
        }
        if (!m_words.AppendNode(pWord->strWord, pWord))
        {
            delete pWord;
        }
        SkipLine(roIn);
    }
    SkipLine(roIn);
    return OK;
}

QIRN_ErrorCode CQIRN_Sync::LoadTracksSection(std::istream& roIn, bool bVisemes)
{
    while (SectionGoesOn(roIn))
    {
        SyncTrack* pViseme = new (std::nothrow) SyncTrack();
        if (!pViseme)
        {
            AbandonSection(roIn);
            return OK;
        }
        if (!(roIn >> pViseme->szName >> pViseme->iNumEntries))
        {
            delete pViseme;
            AbandonSection(roIn);
            return OK;
        }
        SkipLine(roIn);
        const char* szFailure = nullptr;
        int n = pViseme->iNumEntries;
        if (pViseme->szName.empty())
        {
            szFailure = "*** CQIRN_Sync::LoadVisemesSection() - pViseme->szName[0] is EMPTY\n";
        }
        else if (n <= 0)
        {
            szFailure = "*** CQIRN_Sync::LoadVisemesSection() - pViseme->iNumEntries is ZERO\n";
        }
        else if (static_cast<std::streamoff>(n) * 7 > RemainingBytes(roIn) + 1)
        {
            // Each key is at least "0 0 0 0" and a separator: a count beyond that is a damaged file,
            // refused before its arrays are allocated, like a key that does not parse.
            dprintf("*** CQIRN_Sync::LoadVisemesSection() - pViseme->iNumEntries is larger than the file "
                    "holds\n");
            delete pViseme;
            AbandonSection(roIn);
            return OK;
        }
        else if (!(pViseme->pfTimes = new (std::nothrow) float[n]()))
        {
            szFailure = "*** CQIRN_Sync::LoadVisemesSection() - pViseme->pfTimes is NULL\n";
        }
        else if (!(pViseme->pfWeights = new (std::nothrow) float[n]()))
        {
            szFailure = "*** CQIRN_Sync::LoadVisemesSection() - pViseme->pfWeights is NULL\n";
        }
        else
        {
            pViseme->pfSpareValues = new (std::nothrow) float[n]();
            pViseme->pfTangents = new (std::nothrow) float[n]();
        }
        if (szFailure || !pViseme->pfSpareValues || !pViseme->pfTangents)
        {
            dprintf("%s", szFailure ? szFailure : "*** CQIRN_Sync::LoadVisemesSection() - Out of memory\n");
            delete pViseme;
            return GENERICERROR;
        }
        for (int i = 0; i < n; ++i)
        {
            if (!(roIn >> pViseme->pfTimes[i] >> pViseme->pfWeights[i] >> pViseme->pfSpareValues[i] >>
                  pViseme->pfTangents[i]))
            {
                delete pViseme;
                AbandonSection(roIn);
                return OK;
            }
            SkipLine(roIn);
        }
        SyncTrack_PrepareSpline(pViseme);

        std::string szName = pViseme->szName;
        TrackList& roTracks = bVisemes ? m_visemeTracks : m_gestureTracks;
        if (roTracks.FindNode(szName) || !roTracks.InsertNode(szName, pViseme))
        {
            delete pViseme;
        }
        if (!m_visemeWeights.FindNode(szName))
        {
            float* pfWeight = new (std::nothrow) float(0.0f);
            if (pfWeight && !m_visemeWeights.InsertNode(szName, pfWeight))
            {
                delete pfWeight;
            }
        }
    }
    SkipLine(roIn);
    return OK;
}

// False when the line does not parse. Parameters past the second are not read.
bool CQIRN_Sync::ReadEvent(std::istream& roIn, SyncEvent* pEvent)
{
    if (!(roIn >> pEvent->fTime >> pEvent->iEventId >> pEvent->iNumParams))
    {
        return false;
    }
    for (int i = 0; i < pEvent->iNumParams && i < MAX_EVENT_PARAMS; ++i)
    {
        pEvent->apParams[i] = new (std::nothrow) VARIANT;
        if (!pEvent->apParams[i])
        {
            return false;
        }
        VariantInit(pEvent->apParams[i]);
        if (!ReadParameter(roIn, pEvent->apParams[i]))
        {
            return false;
        }
    }
    return true;
}

QIRN_ErrorCode CQIRN_Sync::LoadEventsSection(std::istream& roIn)
{
    while (SectionGoesOn(roIn))
    {
        SyncEvent* pEvent = new (std::nothrow) SyncEvent();
        if (!pEvent || !ReadEvent(roIn, pEvent))
        {
            delete pEvent;
            AbandonSection(roIn);
            m_pEventCursor = m_events.m_pHead;
            return OK;
        }
        SkipLine(roIn);
        // The record has room for two parameters only.
        if (pEvent->iNumParams > MAX_EVENT_PARAMS)
        {
            dprintf(
                "*** CQIRN_Sync::LoadEventsSection() - Event %d has %d parameters, at most 2 are allowed; "
                "dropped\n",
                pEvent->iEventId, pEvent->iNumParams);
            delete pEvent;
            continue;
        }
        if (!m_events.AppendNode(EVENT_NODE_NAME, pEvent))
        {
            delete pEvent;
        }
    }
    SkipLine(roIn);
    m_pEventCursor = m_events.m_pHead;
    return OK;
}

void CQIRN_Sync::UpdateWeights(float t, TrackList& roTracks, WeightList& roWeights, float fScale,
                               const char* szWarning)
{
    // The sound is back at its start: its events are due again.
    if (t >= 0.0f && t < 0.1f)
    {
        m_pEventCursor = m_events.m_pHead;
    }
    for (TrackList::Node* pNode = roTracks.m_pHead; pNode; pNode = pNode->m_pNext)
    {
        float fValue = SyncTrack_Evaluate(pNode->m_pData, t, m_interpolationtype) * fScale;
        WeightList::Node* pWeight = roWeights.FindNode(pNode->m_szName);
        if (pWeight)
        {
            *pWeight->m_pData = fValue;
            continue;
        }
        dprintf("%s", szWarning);
        float* pfValue = new (std::nothrow) float(fValue);
        if (pfValue && !roWeights.InsertNode(pNode->m_szName, pfValue))
        {
            delete pfValue;
        }
    }
}

QIRN_ErrorCode CQIRN_Sync::UpdateVisemes(float t)
{
    UpdateWeights(t, m_visemeTracks, m_visemeWeights, 0.01f,
                  "CQIRN_Sync::UpdateVisemes - Warning - Can't find the viseme in the list\n");
    return OK;
}

QIRN_ErrorCode CQIRN_Sync::UpdateGestures(float t)
{
    UpdateWeights(t, m_gestureTracks, m_gestureWeights, 1.0f,
                  "CQIRN_Sync::UpdateGestures - Warning - Can't find the gesture in the list\n");
    return OK;
}

QIRN_ErrorCode CQIRN_Sync::DispatchEvents(float t)
{
    while (m_pEventCursor && t >= m_pEventCursor->m_pData->fTime)
    {
        SyncEvent* pEvent = m_pEventCursor->m_pData;
        switch (pEvent->iNumParams)
        {
        case 0:
            FireEvent0(pEvent->iEventId);
            break;
        case 1:
            FireEvent1(pEvent->iEventId, pEvent->apParams[0]);
            break;
        case 2:
            FireEvent2(pEvent->iEventId, pEvent->apParams[0], pEvent->apParams[1]);
            break;
        default:
            dprintf("*** CQIRN_Sync::DispatchEvents() - Event %d has a weird number of parameters: %d\n",
                    pEvent->iEventId, pEvent->iNumParams);
            break;
        }
        m_pEventCursor = m_pEventCursor->m_pNext;
    }
    return OK;
}

QIRN_ErrorCode CQIRN_Sync::FireEvent0(int eventId)
{
    if (!m_pCallback)
    {
        dprintf("*** CQIRN_Sync::FireEvent0() - m_pCallback is NULL\n");
        return GENERICERROR;
    }
    m_pCallback->OnSyncEvent0(eventId);
    return OK;
}

QIRN_ErrorCode CQIRN_Sync::FireEvent1(int eventId, VARIANT* p1)
{
    if (!m_pCallback)
    {
        dprintf("*** CQIRN_Sync::FireEvent1() - m_pCallback is NULL\n");
        return GENERICERROR;
    }
    m_pCallback->OnSyncEvent1(eventId, p1);
    return OK;
}

QIRN_ErrorCode CQIRN_Sync::FireEvent2(int eventId, VARIANT* p1, VARIANT* p2)
{
    if (!m_pCallback)
    {
        dprintf("*** CQIRN_Sync::FireEvent2() - m_pCallback is NULL\n");
        return GENERICERROR;
    }
    m_pCallback->OnSyncEvent2(eventId, p1, p2);
    return OK;
}
