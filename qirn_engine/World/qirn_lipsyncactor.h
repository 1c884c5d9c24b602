#pragma once
// QIRN_LipSyncActor: a talking head read from a .x mesh plus a viseme file. Every frame the play
// position of its own sound drives its sync timeline, whose viseme and gesture weights pose the
// geometry's skeleton.

#include "cqirn_sync.h"
#include "qirn_meshactor.h"

#include <string>

class QIRN_LipSyncActor : public QIRN_MeshActor, public CQIRN_Sync
{
public:
    explicit QIRN_LipSyncActor(std::string szClassName);
    ~QIRN_LipSyncActor() override;

    QIRN_ErrorCode Destroy() override;
    QIRN_ErrorCode SaveContents(QIRN_File& roFile) override;
    QIRN_ErrorCode InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile) override;
    QIRN_ErrorCode UpdateAnimation(float fDeltaTime) override;

    std::string m_szVisemeFilename;
};

// The talking heads' sound operations. The audio interface lives above the world: the engine
// installs these; without them an actor's sound is never loaded and its timeline stands at 0.
struct QIRN_TalkingHeadSound
{
    QIRN_ErrorCode (*pfnLoadSound)(QIRN_Audio* poAudio, const std::string& szName);
    QIRN_ErrorCode (*pfnPlaySound)(QIRN_Audio* poAudio, const std::string& szName);
    QIRN_ErrorCode (*pfnGetSoundStatus)(QIRN_Audio* poAudio, const std::string& szName, bool* pbPlaying,
                                        float* pfPosition);
};
void QIRN_SetTalkingHeadSound(const QIRN_TalkingHeadSound* poSound);

// The talking heads' frame: the sound's play position (0 without one) drives the timeline, whose
// weights, with the time and placement, go to the actor's geometry.
void QIRN_UpdateTalkingHead(QIRN_MeshActor& roActor, CQIRN_Sync& roSync);
// The talking heads' "SoundFilename": kept, and loaded as a static one-shot sound when the actor
// has audio; false when the load fails.
bool QIRN_LoadTalkingHeadSound(QIRN_MeshActor& roActor, CQIRN_Sync& roSync, const std::string& szName);
