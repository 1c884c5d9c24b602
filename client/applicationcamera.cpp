#include "applicationcamera.h"

#include "tolvamir.h"

#include "qirn_cameraactor.h"
#include "qirn_debug.h"
#include "qirn_engine.h"
#include "qirn_world.h"

#include <windows.h>

#include <new>

namespace
{
const char* const FREE_CAMERA_NAME = "FreeCam01";
const char* const MADE_CAMERA_NAME = "SomeObscureCameraName";
const float KEY_SPEED = 80.0f;
const float KEY_SPEED_SHIFT = 240.0f;
const float MOUSE_SCALE = 0.5f;

// Only the key-down bit counts: a toggled key (Caps Lock style) is not a held key.
bool RealKeyDown(int iVirtualKey)
{
    return (GetAsyncKeyState(iVirtualKey) & 0x8000) != 0;
}

KeyDownReader g_pfnKeyDown = RealKeyDown;

QIRN_World* ClientWorld(cTolvamir* poClient)
{
    QIRN_Engine* poEngine = poClient ? poClient->GetEngine() : nullptr;
    return poEngine ? poEngine->GetWorld() : nullptr;
}

// The first camera of the world's camera list, or the reason there is none.
QIRN_CameraActor* FirstCamera(QIRN_World* poWorld, const char** pszReason)
{
    QIRN_LINKEDLIST<QIRN_CameraActor>* poCameraList = poWorld->GetCameraActorList();
    if (!poCameraList)
    {
        *pszReason = "poCameraList is NULL";
        return nullptr;
    }
    if (!poCameraList->m_pHead)
    {
        *pszReason = "poCameraNode is NULL";
        return nullptr;
    }
    if (!poCameraList->m_pHead->m_pData)
    {
        *pszReason = "m_poCamera is NULL";
        return nullptr;
    }
    return poCameraList->m_pHead->m_pData;
}

// A camera with the camera defaults, filed in the world; NULL (with the reason) when that fails.
QIRN_CameraActor* MakeCamera(QIRN_World* poWorld, const char** pszReason)
{
    QIRN_CameraActor* poNewCamera = new (std::nothrow) QIRN_CameraActor("QIRN_CameraActor");
    if (!poNewCamera)
    {
        *pszReason = "poNewCamera is NULL. Memory Allocation FAILED";
        return nullptr;
    }
    QIRN_CreateParams oParams;
    oParams.m_poAudio = nullptr;
    oParams.m_szName = MADE_CAMERA_NAME;
    oParams.m_poWorld = poWorld;
    if (poNewCamera->Create(&oParams) != OK)
    {
        *pszReason = "poNewCamera->Create() FAILED";
        delete poNewCamera;
        return nullptr;
    }
    // The world takes the camera whatever AddObject answers (it keeps or deletes it), so a
    // refused camera must not be deleted here as well.
    if (poWorld->AddObject(poNewCamera) != OK)
    {
        *pszReason = "pWorld->AddObject() FAILED";
        return nullptr;
    }
    return poNewCamera;
}
} // namespace

cApplicationCamera::cApplicationCamera()
    : m_afSpeeds(), m_iLastMouseX(-1), m_iLastMouseY(-1), m_poCamera(nullptr), m_poClient(nullptr),
      m_bFreeCamera(false), m_fDeltaTime(0.0f), m_fLastTime(0.0f), m_fPreviousTime(0.0f)
{
}

void cApplicationCamera::SetKeyDownReader(KeyDownReader pfnReader)
{
    g_pfnKeyDown = pfnReader ? pfnReader : RealKeyDown;
}

QIRN_ErrorCode cApplicationCamera::Init(cTolvamir* poClient)
{
    if (!poClient)
    {
        dprintf("*** cApplicationCamera::Init() - poClient is NULL\n");
        return GENERICERROR;
    }
    m_poClient = poClient;
    if (!poClient->GetEngine())
    {
        dprintf("*** cApplicationCamera::Init() - poEngine is NULL\n");
        return GENERICERROR;
    }
    QIRN_World* poWorld = poClient->GetEngine()->GetWorld();
    if (!poWorld)
    {
        dprintf("*** cApplicationCamera::Init() - pWorld is NULL\n");
        return GENERICERROR;
    }
    const char* szReason = "";
    m_poCamera = FirstCamera(poWorld, &szReason);
    if (m_poCamera)
    {
        return OK;
    }
    dprintf("*** cApplicationCamera::Init() - Unable to get camera from the world\n");
    dprintf("*** Reason: %s\n", szReason);
    dprintf("*** cApplicationCamera::Init() - Attempting to create camera\n");
    m_poCamera = MakeCamera(poWorld, &szReason);
    if (!m_poCamera)
    {
        dprintf("*** cApplicationCamera::Init() - Unable to create camera\n");
        dprintf("*** Reason: %s\n", szReason);
        return GENERICERROR;
    }
    return OK;
}

bool cApplicationCamera::TakeFirstCamera(QIRN_World* poWorld)
{
    const char* szReason = "";
    m_poCamera = poWorld ? FirstCamera(poWorld, &szReason) : nullptr;
    return m_poCamera != nullptr;
}

QIRN_ErrorCode cApplicationCamera::SwitchCamera()
{
    if (!m_poClient)
    {
        dprintf("*** cApplicationCamera::SwitchCamera() - m_poClient is NULL\n");
        return GENERICERROR;
    }
    if (!m_poClient->GetEngine())
    {
        dprintf("*** cApplicationCamera::SwitchCamera() - poEngine is NULL\n");
        return GENERICERROR;
    }
    QIRN_World* poWorld = ClientWorld(m_poClient);
    if (!poWorld)
    {
        dprintf("*** cApplicationCamera::SwitchCamera() - pWorld is NULL\n");
        return GENERICERROR;
    }
    QIRN_LINKEDLIST<QIRN_CameraActor>* poCameraList = poWorld->GetCameraActorList();
    if (!poCameraList)
    {
        dprintf("*** cApplicationCamera::SwitchCamera() - poCameraList is NULL\n");
        return GENERICERROR;
    }
    if (!poCameraList->m_pHead)
    {
        dprintf("*** cApplicationCamera::SwitchCamera() - There are no cameras in the world\n");
        return GENERICERROR;
    }
    QIRN_LINKEDLISTNODE<QIRN_CameraActor>* poNext = poCameraList->m_pHead;
    if (m_poCamera)
    {
        QIRN_LINKEDLISTNODE<QIRN_CameraActor>* poNode = poCameraList->FindNode(m_poCamera->GetName());
        if (poNode)
        {
            poNext = poNode->m_pNext ? poNode->m_pNext : poCameraList->m_pHead;
        }
    }
    m_poCamera = poNext->m_pData;
    if (!m_poCamera)
    {
        dprintf("*** cApplicationCamera::SwitchCamera() - m_poCamera is NULL. Setting new camera FAILED\n");
        return GENERICERROR;
    }
    m_bFreeCamera = m_poCamera->GetName() == FREE_CAMERA_NAME;
    // Nothing on screen may tell one camera from another (an empty scene): the log does.
    dprintf("cApplicationCamera::SwitchCamera() - now viewing through \"%s\"\n",
            m_poCamera->GetName().c_str());
    return OK;
}

QIRN_ErrorCode cApplicationCamera::Update(float fDeltaTime)
{
    OnEvent(fDeltaTime);
    return OK;
}

QIRN_ErrorCode cApplicationCamera::OnEvent(float fDeltaTime)
{
    if (!m_poCamera)
    {
        dprintf("*** cApplicationCamera::OnEvent() - m_poCamera is NULL\n");
        return GENERICERROR;
    }
    if (!m_bFreeCamera)
    {
        return OK;
    }
    float d = fDeltaTime * (g_pfnKeyDown(VK_SHIFT) ? KEY_SPEED_SHIFT : KEY_SPEED);
    struct KeyMove
    {
        int iKey;
        float fX, fY, fZ;
    };
    const KeyMove aMoves[] = {
        {VK_RIGHT, d, 0.0f, 0.0f}, {VK_LEFT, -d, 0.0f, 0.0f}, {VK_UP, 0.0f, 0.0f, d},
        {VK_DOWN, 0.0f, 0.0f, -d}, {VK_PRIOR, 0.0f, d, 0.0f}, {VK_NEXT, 0.0f, -d, 0.0f},
    };
    for (const KeyMove& oMove : aMoves)
    {
        if (g_pfnKeyDown(oMove.iKey))
        {
            m_poCamera->TranslateLocal(oMove.fX, oMove.fY, oMove.fZ);
        }
    }
    return OK;
}

QIRN_ErrorCode cApplicationCamera::HandleMouseMove(int iDeltaX, int iDeltaY)
{
    if (!m_poCamera)
    {
        dprintf("*** cApplicationCamera::HandleMouseMove() - m_poCamera is NULL\n");
        return GENERICERROR;
    }
    if (!m_bFreeCamera)
    {
        return OK;
    }
    float fX = -MOUSE_SCALE * static_cast<float>(iDeltaX);
    float fY = -MOUSE_SCALE * static_cast<float>(iDeltaY);
    switch (m_poCamera->GetPrimaryOrientationMode())
    {
    case QIRN_ORIENT_LOOKAT:
        m_poCamera->TranslateLocal(fX, 0.0f, fY);
        break;
    case QIRN_ORIENT_YAWPITCHROLL:
        m_poCamera->SetRotationY(m_poCamera->GetRotationY() + fX);
        m_poCamera->SetRotationX(m_poCamera->GetRotationX() + fY);
        break;
    case QIRN_ORIENT_AZIMUTHELEVATION:
        // The actor refuses an elevation outside -90 to 90 degrees and keeps the old one.
        m_poCamera->SetAzimuth(m_poCamera->GetAzimuth() + fX);
        m_poCamera->SetElevation(m_poCamera->GetElevation() - fY);
        break;
    default:
        break;
    }
    m_iLastMouseX = static_cast<int16_t>(iDeltaX);
    m_iLastMouseY = static_cast<int16_t>(iDeltaY);
    return OK;
}
