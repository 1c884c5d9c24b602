#pragma once
// QIRN_SkyBoxActor: the scene's sky box, a mesh actor the Direct3D 8 renderer draws first in each
// frame, moved to the camera's position.

#include "qirn_meshactor.h"

#include <string>

class QIRN_SkyBoxActor : public QIRN_MeshActor
{
public:
    explicit QIRN_SkyBoxActor(std::string szClassName);
    ~QIRN_SkyBoxActor() override;

    QIRN_ErrorCode SaveContents(QIRN_File& roFile) override;
    QIRN_ErrorCode InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile) override;
};
