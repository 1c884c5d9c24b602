#include "qirn_skyboxactor.h"

#include "qirn_debug.h"

QIRN_SkyBoxActor::QIRN_SkyBoxActor(std::string szClassName) : QIRN_MeshActor(szClassName) {}

QIRN_SkyBoxActor::~QIRN_SkyBoxActor() = default;

QIRN_ErrorCode QIRN_SkyBoxActor::InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile)
{
    if (szKeyWord.empty() || !roFile)
    {
        dprintf("*** QIRN_SkyBoxActor::InterpretKeyWord(): szKeyWord is invalid\n");
        return GENERICERROR;
    }
    return QIRN_MeshActor::InterpretKeyWord(szKeyWord, roFile);
}

QIRN_ErrorCode QIRN_SkyBoxActor::SaveContents(QIRN_File& roFile)
{
    if (!roFile)
    {
        dprintf("*** QIRN_SkyBoxActor::SaveContents(): roFile is invalid\n");
        return GENERICERROR;
    }
    return QIRN_MeshActor::SaveContents(roFile);
}
