#pragma once
// Data bunnies: named values of one of four types that follow keyframes over time. Shader passes
// and shader constants read them through data-bunny assignments; the data-bunny manager owns
// them, advances them every frame and resets their time when the scene loops.

#include <cstdint>
#include <string>
#include <utility>

// Type tags, shared with the assignments.
const int QIRN_DATABUNNY_BYTE = 1;
const int QIRN_DATABUNNY_FLOAT = 2;
const int QIRN_DATABUNNY_INT = 3;
const int QIRN_DATABUNNY_BOOL = 4;

template <class T> class QIRN_BaseDataBunny
{
public:
    QIRN_BaseDataBunny() : m_dwUseCount(0), m_Value(0), m_iType(0) {}
    virtual ~QIRN_BaseDataBunny() { m_strName.clear(); }

    QIRN_BaseDataBunny(const QIRN_BaseDataBunny&) = delete;
    QIRN_BaseDataBunny& operator=(const QIRN_BaseDataBunny&) = delete;

    virtual int Update(float dt) = 0;
    virtual void SetTime(float time) = 0;

    void SetName(std::string name) { m_strName = std::move(name); }
    std::string GetName() const { return m_strName; }
    T GetValue() const { return m_Value; }

    // Assignments bound to this bunny; kept by the assignments, never decides the lifetime.
    uint32_t m_dwUseCount;
    T m_Value;
    int m_iType;
    std::string m_strName;
};

class QIRN_ByteDataBunny : public QIRN_BaseDataBunny<unsigned char>
{
public:
    QIRN_ByteDataBunny() { m_iType = QIRN_DATABUNNY_BYTE; }
};

class QIRN_FloatDataBunny : public QIRN_BaseDataBunny<float>
{
public:
    QIRN_FloatDataBunny() { m_iType = QIRN_DATABUNNY_FLOAT; }
};

class QIRN_IntDataBunny : public QIRN_BaseDataBunny<int>
{
public:
    QIRN_IntDataBunny() { m_iType = QIRN_DATABUNNY_INT; }
};

// A bool bunny keeps its value as a 32-bit integer; non-zero means true.
class QIRN_BoolDataBunny : public QIRN_BaseDataBunny<int>
{
public:
    QIRN_BoolDataBunny() { m_iType = QIRN_DATABUNNY_BOOL; }
};

// The keyframe part of a bunny read from a .x file: its own clock, wrapped forward only, and a
// linear blend of the two keys around it.
class QIRN_BaseXFileDataBunny
{
public:
    QIRN_BaseXFileDataBunny()
        : m_dwNumKeys(0), m_pfKeyValues(nullptr), m_pfKeyTimes(nullptr), m_fTime(0), m_fCurrent(0)
    {
    }
    virtual ~QIRN_BaseXFileDataBunny();

    QIRN_BaseXFileDataBunny(const QIRN_BaseXFileDataBunny&) = delete;
    QIRN_BaseXFileDataBunny& operator=(const QIRN_BaseXFileDataBunny&) = delete;

    // Advances the clock by dt and computes m_fCurrent; a bunny without keys holds its value.
    virtual int Update(float dt);
    virtual void SetTime(float time) { m_fTime = time; }

    // Takes ownership of both arrays (count entries each), freeing any earlier ones.
    void SetKeys(uint32_t count, float* pfValues, float* pfTimes);

    uint32_t m_dwNumKeys;
    float* m_pfKeyValues;
    float* m_pfKeyTimes;
    float m_fTime;
    float m_fCurrent;
};

// Truncation toward zero; values beyond the 32-bit range saturate and a NaN gives 0.
int QIRN_DataBunnyFloatToInt(float f);

class QIRN_XFileByteDataBunny : public QIRN_ByteDataBunny, public QIRN_BaseXFileDataBunny
{
public:
    explicit QIRN_XFileByteDataBunny(std::string name) { SetName(std::move(name)); }
    ~QIRN_XFileByteDataBunny() override = default;
    // Truncated to an integer, then its low 8 bits.
    int Update(float dt) override;
    void SetTime(float time) override { QIRN_BaseXFileDataBunny::SetTime(time); }
};

class QIRN_XFileFloatDataBunny : public QIRN_FloatDataBunny, public QIRN_BaseXFileDataBunny
{
public:
    explicit QIRN_XFileFloatDataBunny(std::string name) { SetName(std::move(name)); }
    ~QIRN_XFileFloatDataBunny() override = default;
    int Update(float dt) override;
    void SetTime(float time) override { QIRN_BaseXFileDataBunny::SetTime(time); }
};

class QIRN_XFileIntDataBunny : public QIRN_IntDataBunny, public QIRN_BaseXFileDataBunny
{
public:
    explicit QIRN_XFileIntDataBunny(std::string name) { SetName(std::move(name)); }
    ~QIRN_XFileIntDataBunny() override = default;
    int Update(float dt) override;
    void SetTime(float time) override { QIRN_BaseXFileDataBunny::SetTime(time); }
};

class QIRN_XFileBoolDataBunny : public QIRN_BoolDataBunny, public QIRN_BaseXFileDataBunny
{
public:
    explicit QIRN_XFileBoolDataBunny(std::string name) { SetName(std::move(name)); }
    ~QIRN_XFileBoolDataBunny() override = default;
    int Update(float dt) override;
    void SetTime(float time) override { QIRN_BaseXFileDataBunny::SetTime(time); }
};
