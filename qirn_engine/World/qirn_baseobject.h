#pragma once
// QIRN_BaseObject: the root of everything a world holds by name and updates every frame. It fixes
// how every object reads itself from a keyword block (Load -> LoadContents -> InterpretKeyWord up
// the class chain) and writes itself back (SaveContents), and gives each object its id, clock and
// event queue.

#include "qirn_errors.h"
#include "qirn_eventmsg.h"
#include "qirn_file.h"

#include <cstdint>
#include <string>

class QIRN_Audio;
class QIRN_World;

// What the world's factory (and the client's camera controller) hands to an object's Create. The
// caller keeps the record; Create copies what it needs.
struct QIRN_CreateParams
{
    QIRN_Audio* m_poAudio = nullptr;
    std::string m_szName;
    QIRN_World* m_poWorld = nullptr;
    uint32_t m_dwReserved = 0;
};

class QIRN_BaseObject
{
public:
    explicit QIRN_BaseObject(std::string szClassName);
    virtual ~QIRN_BaseObject();

    QIRN_BaseObject(const QIRN_BaseObject&) = delete;
    QIRN_BaseObject& operator=(const QIRN_BaseObject&) = delete;

    // The slot order of these eight is shared by every kind; kinds append their own after them.
    virtual QIRN_ErrorCode Create(QIRN_CreateParams* poCreateParams);
    virtual QIRN_ErrorCode Update(float fDeltaTime);
    virtual QIRN_ErrorCode HandleEventMsg(QIRN_EventMsg* pMsg);
    // Releases what the object holds; safe to call again.
    virtual QIRN_ErrorCode Destroy();
    virtual QIRN_ErrorCode SaveContents(QIRN_File& roFile);
    // Reads keywords up to the block's "}" (the "{" is already read): 0, 1 or 40.
    virtual QIRN_ErrorCode LoadContents(QIRN_File& roFile);
    // 0 when the keyword was taken, 43 when no class of the chain knows it, 40 when its value
    // cannot be read, 1 for any other failure.
    virtual QIRN_ErrorCode InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile);

    // Reads the object's block; the file stands after the class-name word.
    QIRN_ErrorCode Load(QIRN_File& roFile);
    QIRN_ErrorCode CreateEventMsgClient(QIRN_EventMsgManager* poEventMsgManager);
    // Hands every waiting message to HandleEventMsg and frees it.
    QIRN_ErrorCode ProcessEventMsgs();

    std::string GetName() const { return m_szName; }
    void SetName(std::string szName) { m_szName = szName; }
    // The registry class name of the kind, e.g. "QIRN_CameraActor".
    std::string GetClassTypeName() const { return m_szClassName; }
    uint32_t GetID() const { return m_dwID; }
    QIRN_World* GetWorld() const { return m_poWorld; }
    QIRN_Audio* GetAudio() const { return m_poAudio; }
    QIRN_EventMsgClient* GetEventMsgClient() const { return m_poEventMsgClient; }
    int32_t IsActive() const { return m_bActive; }
    void SetActive(int32_t bActive) { m_bActive = bActive; }
    float GetTime() const { return m_fTime; }
    void SetTime(float fTime) { m_fTime = fTime; }

    int32_t m_bActive;
    std::string m_szName;
    std::string m_szClassName;
    QIRN_World* m_poWorld;
    QIRN_Audio* m_poAudio;
    uint32_t m_dwID;
    QIRN_EventMsgClient* m_poEventMsgClient;
    float m_fTime;
};
