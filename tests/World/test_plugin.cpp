// A plug-in for the custom actor's failure tests: built once with a factory that answers NULL and
// once without any factory. It counts the releases the engine asks of it.
#include "qirn_actorimplementation.h"

namespace
{
int g_iReleased = 0;
}

#ifdef QIRN_TEST_PLUGIN_FACTORY
QIRN_PLUGIN_EXPORT QIRN_ActorImplementation* CreateActorImplementation()
{
    return nullptr;
}
#endif

QIRN_PLUGIN_EXPORT void DeleteActorImplementation()
{
    ++g_iReleased;
}

QIRN_PLUGIN_EXPORT int GetReleaseCount()
{
    return g_iReleased;
}
