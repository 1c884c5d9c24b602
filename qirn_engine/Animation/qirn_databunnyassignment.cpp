#include "qirn_databunnyassignment.h"

#include "qirn_debug.h"

int QIRN_FloatDataBunnyAssignment::Update(float dt)
{
    if (!m_poDataBunny)
    {
        return 0;
    }
    if (m_poDataBunny->Update(dt) != 0)
    {
        dprintf("*** QIRN_FloatDataBunnyAssignment::Update() - m_poFloatDataBunny->Update() FAILED\n");
        return 1;
    }
    return 0;
}

int QIRN_IntDataBunnyAssignment::Update(float dt)
{
    if (!m_poDataBunny)
    {
        return 0;
    }
    if (m_poDataBunny->Update(dt) != 0)
    {
        dprintf("*** QIRN_IntDataBunnyAssignment::Update() - m_poIntDataBunny->Update() FAILED\n");
        return 1;
    }
    return 0;
}

int QIRN_BoolDataBunnyAssignment::Update(float dt)
{
    if (!m_poDataBunny)
    {
        return 0;
    }
    if (m_poDataBunny->Update(dt) != 0)
    {
        dprintf("*** QIRN_BoolDataBunnyAssignment::Update() - m_poBoolDataBunny->Update() FAILED\n");
        return 1;
    }
    return 0;
}
