#include "qirn_shaderconstants.h"

float QIRN_ShaderConstants::GetSceneVariableValue(uint32_t /*dwVariable*/) const
{
    // Outside an upload there is no world or graphics implementation to read.
    return 0.0f;
}
