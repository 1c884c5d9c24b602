#pragma once
// QIRN_DigiMaskActor: a talking head read from a face-model file, whose own poses the sync
// timeline weights by the play position of the actor's sound.

#include "cqirn_sync.h"
#include "qirn_meshactor.h"

#include <string>

class QIRN_DigiMaskActor : public QIRN_MeshActor, public CQIRN_Sync
{
public:
    explicit QIRN_DigiMaskActor(std::string szClassName);
    ~QIRN_DigiMaskActor() override;

    QIRN_ErrorCode Destroy() override;
    QIRN_ErrorCode SaveContents(QIRN_File& roFile) override;
    QIRN_ErrorCode InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile) override;
    QIRN_ErrorCode UpdateAnimation(float fDeltaTime) override;

    // Handed to the geometry before the face model is imported.
    float m_fTesselationFactor;

private:
    QIRN_ErrorCode LoadFaceModel(QIRN_File& roFile);
};
