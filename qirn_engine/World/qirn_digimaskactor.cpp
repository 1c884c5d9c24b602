#include "qirn_digimaskactor.h"

#include "qirn_debug.h"
#include "qirn_file.h"
#include "qirn_geometry.h"
#include "qirn_lipsyncactor.h"
#include "qirn_world.h"

QIRN_DigiMaskActor::QIRN_DigiMaskActor(std::string szClassName)
    : QIRN_MeshActor(szClassName), CQIRN_Sync(), m_fTesselationFactor(1.0f)
{
}

QIRN_DigiMaskActor::~QIRN_DigiMaskActor()
{
    QIRN_DigiMaskActor::Destroy();
}

QIRN_ErrorCode QIRN_DigiMaskActor::Destroy()
{
    return QIRN_MeshActor::Destroy();
}

QIRN_ErrorCode QIRN_DigiMaskActor::LoadFaceModel(QIRN_File& roFile)
{
    if (roFile.ReadBlock(m_szMeshFilename) != OK)
    {
        dprintf("*** QIRN_DigiMaskActor::InterpretKeyWord():Error reading m_szDMKFilename\n");
        return FILEREAD_ERROR;
    }
    if (!m_poWorld)
    {
        dprintf("*** QIRN_DigiMaskActor::InterpretKeyWord(): m_pWorld is NULL. Can't load the DMK file\n");
        return GENERICERROR;
    }
    // A second face model replaces the first, which must not be lost.
    ReleaseShaderSlot();
    delete m_pMesh;
    m_pMesh = m_poWorld->CreateGeometry(m_poWorld);
    if (!m_pMesh)
    {
        dprintf("*** QIRN_DigiMaskActor::InterpretKeyWord():Error loading DMK file\n");
        return GENERICERROR;
    }
    m_pMesh->SetTesselationFactor(m_fTesselationFactor);
    if (m_pMesh->Load(m_szMeshFilename) != OK)
    {
        dprintf("*** QIRN_DigiMaskActor::InterpretKeyWord():Error loading DMK file\n");
        return GENERICERROR;
    }
    // Like any mesh actor, the head draws through its own shader slot.
    HandleShaderAssgiments();
    return OK;
}

QIRN_ErrorCode QIRN_DigiMaskActor::InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile)
{
    if (szKeyWord.empty())
    {
        dprintf("*** QIRN_DigiMaskActor::InterpretKeyWord(): szKeyWord is invalid\n");
        return GENERICERROR;
    }
    if (!roFile)
    {
        dprintf("*** QIRN_DigiMaskActor::InterpretKeyWord(): oFile is invalid\n");
        return GENERICERROR;
    }
    if (szKeyWord == "DMKFilename")
    {
        return LoadFaceModel(roFile);
    }
    if (szKeyWord == "SyncFilename")
    {
        std::string szName;
        if (roFile.ReadBlock(szName) != OK)
        {
            dprintf("*** QIRN_DigiMaskActor::InterpretKeyWord():Error reading m_szSyncFilename\n");
            return FILEREAD_ERROR;
        }
        m_strSyncFilename = szName;
        if (LoadFile(szName) != OK)
        {
            dprintf("*** QIRN_DigiMaskActor::InterpretKeyWord():Error loading sync file\n");
            return GENERICERROR;
        }
        return OK;
    }
    if (szKeyWord == "SoundFilename")
    {
        std::string szName;
        if (roFile.ReadBlock(szName) != OK)
        {
            dprintf("*** QIRN_DigiMaskActor::InterpretKeyWord():Error reading m_szWaveFilename\n");
            return FILEREAD_ERROR;
        }
        if (!QIRN_LoadTalkingHeadSound(*this, *this, szName))
        {
            dprintf("*** QIRN_DigiMaskActor::InterpretKeyWord():Error loading wave file\n");
            return GENERICERROR;
        }
        return OK;
    }
    if (szKeyWord == "TesselationFactor")
    {
        if (roFile.ReadBlock(m_fTesselationFactor) != OK)
        {
            dprintf("*** QIRN_DigimaskActor::InterpretKeyWord():Error reading m_fTesselationFactor\n");
            return FILEREAD_ERROR;
        }
        return OK;
    }
    if (szKeyWord == "InterpolationType")
    {
        if (roFile.ReadBlock(m_interpolationtype) != OK)
        {
            dprintf("*** QIRN_DigimaskActor::InterpretKeyWord():Error reading m_interpolationtype\n");
            return FILEREAD_ERROR;
        }
        return OK;
    }
    return QIRN_MeshActor::InterpretKeyWord(szKeyWord, roFile);
}

QIRN_ErrorCode QIRN_DigiMaskActor::UpdateAnimation(float /*fDeltaTime*/)
{
    QIRN_UpdateTalkingHead(*this, *this);
    return OK;
}

QIRN_ErrorCode QIRN_DigiMaskActor::SaveContents(QIRN_File& roFile)
{
    if (!roFile)
    {
        dprintf("*** QIRN_DigiMaskActor::SaveContents(): roFile is invalid\n");
        return GENERICERROR;
    }
    // The face model's keywords replace the mesh actor's.
    QIRN_BaseActor::SaveContents(roFile);
    roFile.WriteBlock("InterpolationType", static_cast<int32_t>(m_interpolationtype));
    roFile.WriteBlock("TesselationFactor", m_fTesselationFactor);
    roFile.WriteBlock("DMKFilename", m_szMeshFilename);
    roFile.WriteBlock("SoundFilename", m_strSoundFilename);
    roFile.WriteBlock("SyncFilename", m_strSyncFilename);
    return OK;
}
