#pragma once
// Keyframe tracks of one frame. Each kind writes its contribution into a matrix that other tracks
// of the same frame may already have filled: rotation and transform tracks replace the whole
// matrix, a scale track scales its first three rows, a translation track sets its fourth row.
// A frame with several tracks therefore evaluates them in ascending GetKeyKind order.

#include "qirn_math.h"

#include <cstdint>

struct IDirectXFileData;

// Kind numbers, also the order of composition.
const int QIRN_ANIMKEY_TRANSFORM = 0;
const int QIRN_ANIMKEY_ROTATION = 1;
const int QIRN_ANIMKEY_SCALE = 2;
const int QIRN_ANIMKEY_TRANSLATION = 3;

class QIRN_AnimationSequence
{
public:
    QIRN_AnimationSequence();
    virtual ~QIRN_AnimationSequence();

    QIRN_AnimationSequence(const QIRN_AnimationSequence&) = delete;
    QIRN_AnimationSequence& operator=(const QIRN_AnimationSequence&) = delete;

    virtual int GetKeySize() const = 0;
    virtual int GetKeyKind() const = 0;
    virtual void Interpolate(QIRN_Matrix4* out, const void* keyA, const void* keyB, float s) = 0;
    virtual void SetKey(QIRN_Matrix4* out, const void* key) = 0;
    virtual void SplineInterpolateAndComposite(QIRN_Matrix4* out, unsigned segment, float s);

    // Evaluates the track at time (seconds, wrapped into (0, last key time]) into out.
    // useSpline = 1 asks for cubic interpolation of translation tracks; anything else is linear.
    // A track without keys leaves out unchanged.
    void Evaluate(QIRN_Matrix4* out, float time, int useSpline);

    // 0 after filling the cubic coefficients, 1 when the track has fewer than three keys.
    int ComputeSplineCoefficients();

    // Sizes the key arrays for count keys (times 0, records zeroed); 0, or 1 when out of memory.
    int AllocateKeys(uint32_t count);
    void* GetKey(uint32_t index) { return m_pbyKeys + static_cast<size_t>(index) * GetKeySize(); }
    const void* GetKey(uint32_t index) const { return m_pbyKeys + static_cast<size_t>(index) * GetKeySize(); }

    uint32_t m_dwNumKeys;
    unsigned char* m_pbyKeys;
    float* m_pfKeyTimes;
    // Cubic coefficients per segment (key count - 1 each); created at the first cubic evaluation.
    QIRN_Vector4* m_pvSplineA;
    QIRN_Vector4* m_pvSplineB;
    QIRN_Vector4* m_pvSplineC;
    QIRN_Vector4* m_pvSplineD;

private:
    void FreeSplineCoefficients();
};

// Key: 16 floats, a matrix in row order. The earlier key holds until the next key time.
class QIRN_AnimationSequence_Transform : public QIRN_AnimationSequence
{
public:
    int GetKeySize() const override { return 16 * sizeof(float); }
    int GetKeyKind() const override { return QIRN_ANIMKEY_TRANSFORM; }
    void Interpolate(QIRN_Matrix4* out, const void* keyA, const void* keyB, float s) override;
    void SetKey(QIRN_Matrix4* out, const void* key) override;
};

// Key: the engine's quaternion x, y, z, w (a .x file stores w first; the reader reorders).
class QIRN_AnimationSequence_Rotation : public QIRN_AnimationSequence
{
public:
    int GetKeySize() const override { return 4 * sizeof(float); }
    int GetKeyKind() const override { return QIRN_ANIMKEY_ROTATION; }
    void Interpolate(QIRN_Matrix4* out, const void* keyA, const void* keyB, float s) override;
    void SetKey(QIRN_Matrix4* out, const void* key) override;
    void SplineInterpolateAndComposite(QIRN_Matrix4* out, unsigned segment, float s) override;
};

// Key: sx, sy, sz and a fourth float that nothing reads.
class QIRN_AnimationSequence_Scale : public QIRN_AnimationSequence
{
public:
    int GetKeySize() const override { return 4 * sizeof(float); }
    int GetKeyKind() const override { return QIRN_ANIMKEY_SCALE; }
    void Interpolate(QIRN_Matrix4* out, const void* keyA, const void* keyB, float s) override;
    void SetKey(QIRN_Matrix4* out, const void* key) override;
};

// Key: x, y, z and a fourth float that nothing reads.
class QIRN_AnimationSequence_Translation : public QIRN_AnimationSequence
{
public:
    int GetKeySize() const override { return 4 * sizeof(float); }
    int GetKeyKind() const override { return QIRN_ANIMKEY_TRANSLATION; }
    void Interpolate(QIRN_Matrix4* out, const void* keyA, const void* keyB, float s) override;
    void SetKey(QIRN_Matrix4* out, const void* key) override;
};

// Builds a track from one AnimationKey data object of a .x file; NULL (logged, except when the
// object has no data) for an unknown key type or data that does not hold the keys it announces.
// Shared by every .x reader of the engine. Key times are ticks of fSecondsPerTick seconds: a file
// without AnimTicksPerSecond counts milliseconds.
const float QIRN_XFILE_SECONDS_PER_TICK = 0.001f;
QIRN_AnimationSequence* QIRN_ParseAnimationKey(IDirectXFileData* poKey,
                                               float fSecondsPerTick = QIRN_XFILE_SECONDS_PER_TICK);

// The four floats of a rotation key as the .x file stores them (w, x, y, z).
void QIRN_RotationKeyToFileOrder(const void* key, float afFileOrder[4]);
