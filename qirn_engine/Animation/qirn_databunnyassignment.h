#pragma once
// Data-bunny assignments: a consumer's animatable slot bound to a data bunny of the matching
// type. The assignment never owns its bunny; it counts itself in the bunny's use count.

#include "qirn_databunny.h"

class QIRN_BaseDataBunnyAssignment
{
public:
    QIRN_BaseDataBunnyAssignment() : m_iType(0) {}
    virtual ~QIRN_BaseDataBunnyAssignment() { m_iType = 0; }
    virtual int Update(float dt) = 0;

    // 2 float, 3 int, 4 bool (the bunnies' type tags); 0 in the base and after destruction.
    int m_iType;

protected:
    QIRN_BaseDataBunnyAssignment(const QIRN_BaseDataBunnyAssignment&) = default;
    QIRN_BaseDataBunnyAssignment& operator=(const QIRN_BaseDataBunnyAssignment&) = default;

    // The binding of every kind: the old bunny loses one user (never below 0), the new one gains one.
    template <class TBunny> static TBunny* Rebind(TBunny*& rpBound, TBunny* pBunny)
    {
        if (rpBound && rpBound->m_dwUseCount > 0)
        {
            --rpBound->m_dwUseCount;
        }
        rpBound = pBunny;
        if (rpBound)
        {
            ++rpBound->m_dwUseCount;
        }
        return pBunny;
    }
};

// One kind of assignment: TBunny is the bunny class it binds, TValue what GetValue answers.
// Copies bind the same bunny (counting themselves); destruction leaves the count alone, since the
// data-bunny manager may already have deleted the bunny when a consumer goes.
template <class TBunny, class TValue, int TYPE>
class QIRN_TypedDataBunnyAssignment : public QIRN_BaseDataBunnyAssignment
{
public:
    QIRN_TypedDataBunnyAssignment() : m_poDataBunny(nullptr) { m_iType = TYPE; }
    QIRN_TypedDataBunnyAssignment(const QIRN_TypedDataBunnyAssignment& other)
        : QIRN_BaseDataBunnyAssignment(other), m_poDataBunny(nullptr)
    {
        m_iType = TYPE;
        SetDataBunny(other.m_poDataBunny);
    }
    QIRN_TypedDataBunnyAssignment& operator=(const QIRN_TypedDataBunnyAssignment& other)
    {
        SetDataBunny(other.m_poDataBunny);
        return *this;
    }
    ~QIRN_TypedDataBunnyAssignment() override { m_poDataBunny = nullptr; }

    // Binds pBunny (NULL unbinds) and answers it.
    TBunny* SetDataBunny(TBunny* pBunny) { return Rebind(m_poDataBunny, pBunny); }
    TBunny* GetDataBunny() const { return m_poDataBunny; }
    // The bound bunny's current value; 0 when unbound.
    TValue GetValue() const
    {
        return m_poDataBunny ? static_cast<TValue>(m_poDataBunny->m_Value) : TValue(0);
    }

    TBunny* m_poDataBunny;
};

class QIRN_FloatDataBunnyAssignment
    : public QIRN_TypedDataBunnyAssignment<QIRN_FloatDataBunny, float, QIRN_DATABUNNY_FLOAT>
{
public:
    int Update(float dt) override;
};

class QIRN_IntDataBunnyAssignment
    : public QIRN_TypedDataBunnyAssignment<QIRN_IntDataBunny, int, QIRN_DATABUNNY_INT>
{
public:
    int Update(float dt) override;
};

// Its value is an integer: a shader pass skips itself when it is non-zero.
class QIRN_BoolDataBunnyAssignment
    : public QIRN_TypedDataBunnyAssignment<QIRN_BoolDataBunny, int, QIRN_DATABUNNY_BOOL>
{
public:
    int Update(float dt) override;
};
