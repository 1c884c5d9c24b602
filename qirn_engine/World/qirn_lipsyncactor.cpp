#include "qirn_lipsyncactor.h"

#include "qirn_debug.h"
#include "qirn_file.h"
#include "qirn_geometry.h"

namespace
{
const QIRN_TalkingHeadSound* g_poSound = nullptr;
} // namespace

void QIRN_SetTalkingHeadSound(const QIRN_TalkingHeadSound* poSound)
{
    g_poSound = poSound;
}

void QIRN_UpdateTalkingHead(QIRN_MeshActor& roActor, CQIRN_Sync& roSync)
{
    float t = 0.0f;
    QIRN_Audio* poAudio = roActor.GetAudio();
    if (poAudio && g_poSound)
    {
        // Starts the sound where it stands; a playing sound goes on.
        g_poSound->pfnPlaySound(poAudio, roSync.m_strSoundFilename);
        bool bPlaying = false;
        float fPosition = 0.0f;
        if (g_poSound->pfnGetSoundStatus(poAudio, roSync.m_strSoundFilename, &bPlaying, &fPosition) == OK)
        {
            t = fPosition;
        }
    }
    roSync.UpdateVisemes(t);
    roSync.UpdateGestures(t);
    roSync.DispatchEvents(t);
    QIRN_Geometry* poGeometry = roActor.GetMesh();
    if (!poGeometry)
    {
        return;
    }
    QIRN_Matrix4 oTransform;
    Matrix_Identity(&oTransform);
    roActor.GetTransform(&oTransform);
    poGeometry->SetTime(t);
    poGeometry->SetTransform(oTransform);
    poGeometry->SetVisemeWeights(roSync.GetVisemeWeights());
    poGeometry->SetGestureWeights(roSync.GetGestureWeights());
}

bool QIRN_LoadTalkingHeadSound(QIRN_MeshActor& roActor, CQIRN_Sync& roSync, const std::string& szName)
{
    roSync.m_strSoundFilename = szName;
    QIRN_Audio* poAudio = roActor.GetAudio();
    return !poAudio || !g_poSound || g_poSound->pfnLoadSound(poAudio, szName) == OK;
}

QIRN_LipSyncActor::QIRN_LipSyncActor(std::string szClassName) : QIRN_MeshActor(szClassName), CQIRN_Sync() {}

QIRN_LipSyncActor::~QIRN_LipSyncActor()
{
    QIRN_LipSyncActor::Destroy();
}

QIRN_ErrorCode QIRN_LipSyncActor::Destroy()
{
    m_szVisemeFilename.clear();
    return QIRN_MeshActor::Destroy();
}

QIRN_ErrorCode QIRN_LipSyncActor::InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile)
{
    if (szKeyWord.empty())
    {
        dprintf("*** QIRN_LipSyncActor::InterpretKeyWord(): szKeyWord is invalid\n");
        return GENERICERROR;
    }
    if (!roFile)
    {
        dprintf("*** QIRN_LipSyncActor::InterpretKeyWord(): oFile is invalid\n");
        return GENERICERROR;
    }
    if (szKeyWord == "SyncFilename")
    {
        std::string szName;
        if (roFile.ReadBlock(szName) != OK)
        {
            dprintf("*** QIRN_LipSyncActor::InterpretKeyWord():Error reading m_szSyncFilename\n");
            return FILEREAD_ERROR;
        }
        m_strSyncFilename = szName;
        if (LoadFile(szName) != OK)
        {
            dprintf("*** QIRN_LipSyncActor::InterpretKeyWord():Error loading sync file\n");
            return GENERICERROR;
        }
        return OK;
    }
    if (szKeyWord == "VisemeFilename")
    {
        if (roFile.ReadBlock(m_szVisemeFilename) != OK)
        {
            dprintf("*** QIRN_LipSyncActor::InterpretKeyWord():Error reading m_szVisemeFilename\n");
            return FILEREAD_ERROR;
        }
        if (m_pMesh && m_pMesh->LoadVisemes(m_szVisemeFilename, GetVisemeWeights()) != OK)
        {
            dprintf("*** QIRN_LipSyncActor::InterpretKeyWord():Error loading visemes\n");
            return GENERICERROR;
        }
        return OK;
    }
    if (szKeyWord == "SoundFilename")
    {
        std::string szName;
        if (roFile.ReadBlock(szName) != OK)
        {
            dprintf("*** QIRN_LipSyncActor::InterpretKeyWord():Error reading m_szWaveFilename\n");
            return FILEREAD_ERROR;
        }
        if (!QIRN_LoadTalkingHeadSound(*this, *this, szName))
        {
            dprintf("*** QIRN_LipSyncActor::InterpretKeyWord():Error loading wave file\n");
            return GENERICERROR;
        }
        return OK;
    }
    if (szKeyWord == "InterpolationType")
    {
        if (roFile.ReadBlock(m_interpolationtype) != OK)
        {
            dprintf("*** QIRN_LipSyncActor::InterpretKeyWord():Error reading m_interpolationtype\n");
            return FILEREAD_ERROR;
        }
        return OK;
    }
    return QIRN_MeshActor::InterpretKeyWord(szKeyWord, roFile);
}

QIRN_ErrorCode QIRN_LipSyncActor::UpdateAnimation(float /*fDeltaTime*/)
{
    QIRN_UpdateTalkingHead(*this, *this);
    return OK;
}

QIRN_ErrorCode QIRN_LipSyncActor::SaveContents(QIRN_File& roFile)
{
    if (!roFile)
    {
        dprintf("*** QIRN_LipSyncActor::SaveContents(): roFile is invalid\n");
        return GENERICERROR;
    }
    QIRN_MeshActor::SaveContents(roFile);
    roFile.WriteBlock("InterpolationType", static_cast<int32_t>(m_interpolationtype));
    roFile.WriteBlock("SoundFilename", m_strSoundFilename);
    roFile.WriteBlock("SyncFilename", m_strSyncFilename);
    roFile.WriteBlock("VisemeFilename", m_szVisemeFilename);
    return OK;
}
