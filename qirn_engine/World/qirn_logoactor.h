#pragma once
// QIRN_LogoActor: a mesh actor fixed to the screen. Its position is an offset in view space: its
// transform is only that translation, and the renderers carry it into the world with the inverse
// of the camera's view, so the logo stays in place whatever the camera does.

#include "qirn_meshactor.h"

#include <string>

class QIRN_LogoActor : public QIRN_MeshActor
{
public:
    explicit QIRN_LogoActor(std::string szClassName);
    ~QIRN_LogoActor() override;

    QIRN_ErrorCode SaveContents(QIRN_File& roFile) override;
    QIRN_ErrorCode InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile) override;
    // The translation by the position (through the graphics interface's own view); 0 and oDest
    // untouched without an engine or a graphics device.
    QIRN_ErrorCode GetTransform(QIRN_Matrix4* oDest) override;
};
