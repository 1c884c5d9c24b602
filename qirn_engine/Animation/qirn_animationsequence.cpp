#include "qirn_animationsequence.h"

#include "qirn_debug.h"
#include "qirn_quaternion.h"
#include "qirn_xfile_templates.h"

#include <windows.h>

#include <dxfile.h>

#include <cmath>
#include <cstring>
#include <new>

namespace
{
// Any time outside [0, last] lands in (0, last]: a whole multiple of last gives last, 0 stays 0.
// A closed form, so huge times cost nothing and cannot loop.
float WrapSequenceTime(float time, float last)
{
    if (!std::isfinite(time) || !(last > 0.0f))
    {
        return 0.0f;
    }
    if (time > last)
    {
        float fWrapped = std::fmod(time, last);
        return fWrapped > 0.0f ? fWrapped : last;
    }
    if (time < 0.0f)
    {
        float fWrapped = std::fmod(time, last) + last;
        return (fWrapped > 0.0f && fWrapped <= last) ? fWrapped : last;
    }
    return time;
}

QIRN_Quaternion ReadQuaternion(const void* key)
{
    QIRN_Quaternion q;
    memcpy(&q, key, sizeof(q));
    return q;
}

const float* Floats(const void* key)
{
    return static_cast<const float*>(key);
}
} // namespace

QIRN_AnimationSequence::QIRN_AnimationSequence()
    : m_dwNumKeys(0), m_pbyKeys(nullptr), m_pfKeyTimes(nullptr), m_pvSplineA(nullptr), m_pvSplineB(nullptr),
      m_pvSplineC(nullptr), m_pvSplineD(nullptr)
{
}

QIRN_AnimationSequence::~QIRN_AnimationSequence()
{
    delete[] m_pbyKeys;
    delete[] m_pfKeyTimes;
    m_pbyKeys = nullptr;
    m_pfKeyTimes = nullptr;
    m_dwNumKeys = 0;
    FreeSplineCoefficients();
}

void QIRN_AnimationSequence::FreeSplineCoefficients()
{
    delete[] m_pvSplineA;
    delete[] m_pvSplineB;
    delete[] m_pvSplineC;
    delete[] m_pvSplineD;
    m_pvSplineA = m_pvSplineB = m_pvSplineC = m_pvSplineD = nullptr;
}

int QIRN_AnimationSequence::AllocateKeys(uint32_t count)
{
    delete[] m_pbyKeys;
    delete[] m_pfKeyTimes;
    FreeSplineCoefficients();
    m_dwNumKeys = 0;
    m_pfKeyTimes = new (std::nothrow) float[count]();
    m_pbyKeys = new (std::nothrow) unsigned char[static_cast<size_t>(count) * GetKeySize()]();
    if (!m_pfKeyTimes || !m_pbyKeys)
    {
        delete[] m_pbyKeys;
        delete[] m_pfKeyTimes;
        m_pbyKeys = nullptr;
        m_pfKeyTimes = nullptr;
        return 1;
    }
    m_dwNumKeys = count;
    return 0;
}

void QIRN_AnimationSequence::Evaluate(QIRN_Matrix4* out, float time, int useSpline)
{
    if (!out || m_dwNumKeys == 0 || !m_pbyKeys || !m_pfKeyTimes)
    {
        return;
    }
    time = WrapSequenceTime(time, m_pfKeyTimes[m_dwNumKeys - 1]);

    uint32_t lo = 0;
    uint32_t hi = m_dwNumKeys;
    while (hi - lo > 1)
    {
        uint32_t mid = lo + (hi - lo) / 2;
        if (time >= m_pfKeyTimes[mid])
        {
            lo = mid;
        }
        else
        {
            hi = mid;
        }
    }
    if (hi == m_dwNumKeys)
    {
        SetKey(out, GetKey(lo));
        return;
    }
    // Equal key times leave no span to blend over: the earlier key stands.
    float fSpan = m_pfKeyTimes[hi] - m_pfKeyTimes[lo];
    float s = fSpan != 0.0f ? (time - m_pfKeyTimes[lo]) / fSpan : 0.0f;
    if (GetKeyKind() == QIRN_ANIMKEY_TRANSLATION && useSpline == 1)
    {
        SplineInterpolateAndComposite(out, lo, s);
    }
    else
    {
        Interpolate(out, GetKey(lo), GetKey(hi), s);
    }
}

void QIRN_AnimationSequence::SplineInterpolateAndComposite(QIRN_Matrix4* out, unsigned segment, float s)
{
    if (segment + 1 >= m_dwNumKeys)
    {
        return;
    }
    if (!m_pvSplineA && ComputeSplineCoefficients() != 0)
    {
        if (m_dwNumKeys < 3)
        {
            OutputDebugStringA(
                "QIRN_AnimationSequence::SplineInterpolateAndComposite() - Animation sequence contains "
                "less than 3 keys, reverting to linear interpolation\n");
        }
        Interpolate(out, GetKey(segment), GetKey(segment + 1), s);
        return;
    }
    const QIRN_Vector4& a = m_pvSplineA[segment];
    const QIRN_Vector4& b = m_pvSplineB[segment];
    const QIRN_Vector4& c = m_pvSplineC[segment];
    const QIRN_Vector4& d = m_pvSplineD[segment];
    out->_41 = a.x + s * (b.x + s * (c.x + s * d.x));
    out->_42 = a.y + s * (b.y + s * (c.y + s * d.y));
    out->_43 = a.z + s * (b.z + s * (c.z + s * d.z));
}

int QIRN_AnimationSequence::ComputeSplineCoefficients()
{
    if (m_dwNumKeys < 3)
    {
        return 1;
    }
    uint32_t n = m_dwNumKeys - 1;
    FreeSplineCoefficients();
    m_pvSplineA = new (std::nothrow) QIRN_Vector4[n];
    m_pvSplineB = new (std::nothrow) QIRN_Vector4[n];
    m_pvSplineC = new (std::nothrow) QIRN_Vector4[n];
    m_pvSplineD = new (std::nothrow) QIRN_Vector4[n];
    if (!m_pvSplineA || !m_pvSplineB || !m_pvSplineC || !m_pvSplineD)
    {
        FreeSplineCoefficients();
        dprintf("*** QIRN_AnimationSequence::ComputeSplineCoefficients() - Memory allocation failed, using "
                "linear "
                "interpolation\n");
        return 1;
    }
    const float* T = m_pfKeyTimes;
    for (uint32_t cur = 0; cur < n; ++cur)
    {
        uint32_t prev = cur == 0 ? 0 : cur - 1;
        uint32_t next = cur + 1;
        uint32_t after = cur + 2 > n ? n : cur + 2;
        const float* P0 = Floats(GetKey(prev));
        const float* P1 = Floats(GetKey(cur));
        const float* P2 = Floats(GetKey(next));
        const float* P3 = Floats(GetKey(after));

        double d = 2.0 * (static_cast<double>(T[next]) - T[cur]);
        // Coinciding key times give a flat tangent instead of a division by zero.
        double fStartSpan = static_cast<double>(T[next]) - T[prev];
        double fEndSpan = static_cast<double>(T[after]) - T[cur];
        float f0 = fStartSpan != 0.0 ? static_cast<float>(0.5 * d / fStartSpan) : 0.0f;
        float f1 = fEndSpan != 0.0 ? static_cast<float>(0.5 * d / fEndSpan) : 0.0f;

        float V[3], T0[3], T1[3];
        for (int k = 0; k < 3; ++k)
        {
            V[k] = P2[k] - P1[k];
            T0[k] = f0 * (P2[k] - P0[k]);
            T1[k] = f1 * (P3[k] - P1[k]);
        }
        m_pvSplineA[cur] = QIRN_Vector4(P1[0], P1[1], P1[2], 1.0f);
        m_pvSplineB[cur] = QIRN_Vector4(T0[0], T0[1], T0[2], 1.0f);
        m_pvSplineC[cur] =
            QIRN_Vector4(3.0f * V[0] - 2.0f * T0[0] - T1[0], 3.0f * V[1] - 2.0f * T0[1] - T1[1],
                         3.0f * V[2] - 2.0f * T0[2] - T1[2], 1.0f);
        m_pvSplineD[cur] = QIRN_Vector4(T0[0] + T1[0] - 2.0f * V[0], T0[1] + T1[1] - 2.0f * V[1],
                                        T0[2] + T1[2] - 2.0f * V[2], 1.0f);
    }
    return 0;
}

void QIRN_AnimationSequence_Transform::Interpolate(QIRN_Matrix4* out, const void* keyA, const void*, float)
{
    SetKey(out, keyA);
}

void QIRN_AnimationSequence_Transform::SetKey(QIRN_Matrix4* out, const void* key)
{
    memcpy(out->Data(), key, 16 * sizeof(float));
}

void QIRN_AnimationSequence_Rotation::Interpolate(QIRN_Matrix4* out, const void* keyA, const void* keyB,
                                                  float s)
{
    // Slerp may negate its second quaternion in place: work on copies, never on the keys.
    QIRN_Quaternion qA = ReadQuaternion(keyA);
    QIRN_Quaternion qB = ReadQuaternion(keyB);
    QIRN_Quaternion q;
    Quaternion_Slerp(&qA, &qB, &q, s);
    Matrix_FromQuaternion(out, &q);
}

void QIRN_AnimationSequence_Rotation::SetKey(QIRN_Matrix4* out, const void* key)
{
    QIRN_Quaternion q = ReadQuaternion(key);
    Matrix_FromQuaternion(out, &q);
}

void QIRN_AnimationSequence_Rotation::SplineInterpolateAndComposite(QIRN_Matrix4*, unsigned, float) {}

void QIRN_AnimationSequence_Scale::Interpolate(QIRN_Matrix4* out, const void* keyA, const void* keyB, float s)
{
    const float* a = Floats(keyA);
    const float* b = Floats(keyB);
    float afScale[4] = {(1.0f - s) * a[0] + s * b[0], (1.0f - s) * a[1] + s * b[1],
                        (1.0f - s) * a[2] + s * b[2], 0.0f};
    SetKey(out, afScale);
}

// At or after the last key the track keeps the last key's scale, as the blend reaches it.
void QIRN_AnimationSequence_Scale::SetKey(QIRN_Matrix4* out, const void* key)
{
    const float* k = Floats(key);
    float* m = out->Data();
    for (int row = 0; row < 3; ++row)
    {
        for (int col = 0; col < 4; ++col)
        {
            m[row * 4 + col] *= k[row];
        }
    }
}

void QIRN_AnimationSequence_Translation::Interpolate(QIRN_Matrix4* out, const void* keyA, const void* keyB,
                                                     float s)
{
    const float* a = Floats(keyA);
    const float* b = Floats(keyB);
    out->_41 = (1.0f - s) * a[0] + s * b[0];
    out->_42 = (1.0f - s) * a[1] + s * b[1];
    out->_43 = (1.0f - s) * a[2] + s * b[2];
}

void QIRN_AnimationSequence_Translation::SetKey(QIRN_Matrix4* out, const void* key)
{
    const float* k = Floats(key);
    out->_41 = k[0];
    out->_42 = k[1];
    out->_43 = k[2];
}

void QIRN_RotationKeyToFileOrder(const void* key, float afFileOrder[4])
{
    const float* k = Floats(key);
    afFileOrder[0] = k[3];
    afFileOrder[1] = k[0];
    afFileOrder[2] = k[1];
    afFileOrder[3] = k[2];
}

namespace
{
QIRN_AnimationSequence* CreateSequence(DWORD dwKeyType)
{
    switch (dwKeyType)
    {
    case QIRN_XFILE_KEY_ROTATION:
        return new (std::nothrow) QIRN_AnimationSequence_Rotation;
    case QIRN_XFILE_KEY_SCALE:
        return new (std::nothrow) QIRN_AnimationSequence_Scale;
    case QIRN_XFILE_KEY_POSITION:
        return new (std::nothrow) QIRN_AnimationSequence_Translation;
    case QIRN_XFILE_KEY_MATRIX:
    case QIRN_XFILE_KEY_MATRIX_ALT:
        return new (std::nothrow) QIRN_AnimationSequence_Transform;
    default:
        return nullptr;
    }
}

// Values a key of this kind must carry: the fourth float of scale and position records is unused.
uint32_t RequiredValues(const QIRN_AnimationSequence* poSequence)
{
    switch (poSequence->GetKeyKind())
    {
    case QIRN_ANIMKEY_TRANSFORM:
        return 16;
    case QIRN_ANIMKEY_ROTATION:
        return 4;
    default:
        return 3;
    }
}

const char* const KEYDATA_ERROR =
    "'.X' file loader : Keyframe data is shorter than its keys or inconsistent !\n";

enum ReadKeysResult
{
    KEYS_READ,
    KEYS_INCONSISTENT,
    KEYS_NO_MEMORY // already logged
};

// Copies every key out of the AnimationKey data, checking each key against the data's size.
ReadKeysResult ReadKeys(QIRN_AnimationSequence* poSequence, const DWORD* pdwData, size_t nWords,
                        float fSecondsPerTick)
{
    uint32_t nKeys = pdwData[1];
    uint32_t nRequired = RequiredValues(poSequence);
    // Every key takes its two header words and at least the values of its kind, so a count
    // beyond that is a lie; refused before it sizes anything (in a 32-bit build the key records
    // of such a count would wrap the allocation size).
    if (nKeys > (nWords - 2) / (2 + nRequired))
    {
        return KEYS_INCONSISTENT;
    }
    if (poSequence->AllocateKeys(nKeys) != 0)
    {
        dprintf("*** QIRN_ParseAnimationKey() - Memory allocation for %u keys failed\n", nKeys);
        return KEYS_NO_MEMORY;
    }
    uint32_t nRecordFloats = static_cast<uint32_t>(poSequence->GetKeySize() / sizeof(float));
    bool bRotation = poSequence->GetKeyKind() == QIRN_ANIMKEY_ROTATION;
    size_t nPos = 2;
    for (uint32_t i = 0; i < nKeys; ++i)
    {
        if (nWords - nPos < 2)
        {
            return KEYS_INCONSISTENT;
        }
        DWORD dwTime = pdwData[nPos];
        DWORD nValues = pdwData[nPos + 1];
        nPos += 2;
        if (nValues < nRequired || nValues > nWords - nPos)
        {
            return KEYS_INCONSISTENT;
        }
        poSequence->m_pfKeyTimes[i] = static_cast<float>(dwTime) * fSecondsPerTick;
        float* pfKey = static_cast<float*>(poSequence->GetKey(i));
        memcpy(pfKey, pdwData + nPos, (nValues < nRecordFloats ? nValues : nRecordFloats) * sizeof(float));
        if (bRotation)
        {
            // The file holds w, x, y, z; the engine's quaternion is x, y, z, w.
            float w = pfKey[0];
            pfKey[0] = pfKey[1];
            pfKey[1] = pfKey[2];
            pfKey[2] = pfKey[3];
            pfKey[3] = w;
        }
        nPos += nValues;
    }
    return KEYS_READ;
}
} // namespace

QIRN_AnimationSequence* QIRN_ParseAnimationKey(IDirectXFileData* poKey, float fSecondsPerTick)
{
    if (!poKey)
    {
        return nullptr;
    }
    DWORD dwSize = 0;
    void* pData = nullptr;
    if (FAILED(poKey->GetData(nullptr, &dwSize, &pData)) || !pData)
    {
        return nullptr;
    }
    const DWORD* pdwData = static_cast<const DWORD*>(pData);
    size_t nWords = dwSize / sizeof(DWORD);
    if (nWords < 2)
    {
        dprintf("%s", KEYDATA_ERROR);
        return nullptr;
    }
    QIRN_AnimationSequence* poSequence = CreateSequence(pdwData[0]);
    if (!poSequence)
    {
        dprintf("'.X' file loader : Can't determine keyframe type !\n");
        return nullptr;
    }
    ReadKeysResult eResult = ReadKeys(poSequence, pdwData, nWords, fSecondsPerTick);
    if (eResult != KEYS_READ)
    {
        if (eResult == KEYS_INCONSISTENT)
        {
            dprintf("%s", KEYDATA_ERROR);
        }
        delete poSequence;
        return nullptr;
    }
    return poSequence;
}
