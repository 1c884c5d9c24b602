#include "client_test_support.h"

#include "applicationcamera.h"
#include "qirn_cameraactor.h"
#include "qirn_engine.h"
#include "qirn_lightactor.h"
#include "qirn_world.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using client_test::CameraWorld;
using client_test::ClientTest;
using client_test::HeldKeys;

namespace
{
class CameraTest : public ClientTest
{
protected:
    cApplicationCamera& Camera() { return Client().m_oCameraOne; }
    std::string Selected() { return Camera().GetCamera() ? Camera().GetCamera()->GetName() : "(none)"; }
    QIRN_CameraActor* FindCamera(const std::string& strName)
    {
        return static_cast<QIRN_CameraActor*>(Client().GetEngine()->GetWorld()->FindObject(strName));
    }
    // Selects the camera of this name through the next-camera action.
    void SwitchTo(const std::string& strName)
    {
        int i = 0;
        do
        {
            ASSERT_EQ(Camera().SwitchCamera(), OK);
        } while (++i < 8 && Selected() != strName);
        ASSERT_EQ(Selected(), strName);
    }
};

TEST_F(CameraTest, InitRefusesWithoutClientEngineOrWorld)
{
    EXPECT_EQ(Camera().Init(nullptr), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** cApplicationCamera::Init() - poClient is NULL\n"));
    EXPECT_EQ(Camera().Init(&Client()), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** cApplicationCamera::Init() - poEngine is NULL\n"));
    StartEngine();
    EXPECT_EQ(Camera().Init(&Client()), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** cApplicationCamera::Init() - pWorld is NULL\n"));
    EXPECT_EQ(Camera().SwitchCamera(), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** cApplicationCamera::SwitchCamera() - pWorld is NULL\n"));
    EXPECT_EQ(Camera().GetCamera(), nullptr);
}

TEST_F(CameraTest, WorldWithoutCamerasGetsOneMade)
{
    StartEngine();
    LoadWorld(CameraWorld({}));
    ASSERT_EQ(Camera().Init(&Client()), OK);
    EXPECT_EQ(Selected(), "SomeObscureCameraName");
    EXPECT_EQ(Client().GetEngine()->GetWorld()->FindObject("SomeObscureCameraName"), Camera().GetCamera());
    EXPECT_TRUE(m_oLog.Contains("*** cApplicationCamera::Init() - Unable to get camera from the world\n"));
    EXPECT_TRUE(m_oLog.Contains("*** Reason: poCameraNode is NULL\n"));
    EXPECT_TRUE(m_oLog.Contains("*** cApplicationCamera::Init() - Attempting to create camera\n"));
    // The made camera is the only one: the next-camera action comes back to it.
    QIRN_CameraActor* poMade = Camera().GetCamera();
    ASSERT_EQ(Camera().SwitchCamera(), OK);
    EXPECT_EQ(Camera().GetCamera(), poMade);
    EXPECT_FALSE(Camera().IsFreeCamera());
}

TEST_F(CameraTest, RefusedMadeCameraIsLeftToTheWorld)
{
    // Another kind already holds the name, so the world refuses (and deletes) the new camera.
    StartEngine();
    LoadWorld(CameraWorld({}, "    QIRN_LightActor { Name { SomeObscureCameraName } }\n"));
    EXPECT_EQ(Camera().Init(&Client()), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** cApplicationCamera::Init() - Unable to create camera\n"));
    EXPECT_TRUE(m_oLog.Contains("*** Reason: pWorld->AddObject() FAILED\n"));
    EXPECT_EQ(Camera().GetCamera(), nullptr);
    QIRN_BaseObject* poHeld = Client().GetEngine()->GetWorld()->FindObject("SomeObscureCameraName");
    ASSERT_NE(poHeld, nullptr);
    EXPECT_EQ(poHeld->GetClassTypeName(), "QIRN_LightActor");
}

TEST_F(CameraTest, NextCameraCyclesInNameOrderAndFindsTheFreeCamera)
{
    StartEngine();
    LoadWorld(CameraWorld({"Zebra", "FreeCam01", "Anchor"}));
    ASSERT_EQ(Camera().Init(&Client()), OK);
    EXPECT_EQ(Selected(), "Anchor");
    EXPECT_FALSE(Camera().IsFreeCamera());
    const std::vector<std::pair<std::string, bool>> expected = {
        {"FreeCam01", true}, {"Zebra", false}, {"Anchor", false}, {"FreeCam01", true}};
    for (const auto& step : expected)
    {
        ASSERT_EQ(Camera().SwitchCamera(), OK);
        EXPECT_EQ(Selected(), step.first);
        EXPECT_EQ(Camera().IsFreeCamera(), step.second);
        EXPECT_TRUE(m_oLog.Contains("cApplicationCamera::SwitchCamera() - now viewing through \"" +
                                    step.first + "\"\n"));
    }
}

TEST_F(CameraTest, OnlyTheExactNameMakesTheFreeCamera)
{
    for (const char* szName : {"freecam01", "FreeCam01x", "FreeCam0", "FREECAM01"})
    {
        SCOPED_TRACE(szName);
        cApplicationCamera oCamera;
        Client().m_oCameraOne = oCamera;
        if (!Client().GetEngine())
        {
            StartEngine();
        }
        LoadWorld(CameraWorld({szName}));
        ASSERT_EQ(Camera().Init(&Client()), OK);
        ASSERT_EQ(Camera().SwitchCamera(), OK);
        EXPECT_EQ(Selected(), szName);
        EXPECT_FALSE(Camera().IsFreeCamera());
    }
}

TEST_F(CameraTest, KeysMoveOnlyTheFreeCamera)
{
    struct Case
    {
        std::vector<int> vKeys;
        float fX, fY, fZ;
    };
    // A step of 0.1 s: 8 units, 24 with Shift.
    const std::vector<Case> cases = {
        {{VK_RIGHT}, 8.0f, 0.0f, 0.0f},
        {{VK_LEFT}, -8.0f, 0.0f, 0.0f},
        {{VK_UP}, 0.0f, 0.0f, 8.0f},
        {{VK_DOWN}, 0.0f, 0.0f, -8.0f},
        {{VK_PRIOR}, 0.0f, 8.0f, 0.0f},
        {{VK_NEXT}, 0.0f, -8.0f, 0.0f},
        {{VK_SHIFT, VK_UP}, 0.0f, 0.0f, 24.0f},
        {{VK_RIGHT, VK_LEFT}, 0.0f, 0.0f, 0.0f},
        {{VK_UP, VK_RIGHT, VK_NEXT}, 8.0f, -8.0f, 8.0f},
    };
    StartEngine();
    LoadWorld(CameraWorld({"Anchor", "FreeCam01"}));
    ASSERT_EQ(Camera().Init(&Client()), OK);

    // Not the free camera: nothing moves.
    HeldKeys() = {VK_UP};
    EXPECT_EQ(Camera().Update(0.1f), OK);
    EXPECT_FLOAT_EQ(Camera().GetCamera()->GetPosition().z, 0.0f);

    SwitchTo("FreeCam01");
    for (const Case& oCase : cases)
    {
        Camera().GetCamera()->SetPosition(QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f));
        HeldKeys() = std::set<int>(oCase.vKeys.begin(), oCase.vKeys.end());
        EXPECT_EQ(Camera().Update(0.1f), OK);
        QIRN_Vector4 vPosition = Camera().GetCamera()->GetPosition();
        EXPECT_NEAR(vPosition.x, oCase.fX, 1e-4f);
        EXPECT_NEAR(vPosition.y, oCase.fY, 1e-4f);
        EXPECT_NEAR(vPosition.z, oCase.fZ, 1e-4f);
    }
}

TEST_F(CameraTest, MouseTurnsTheFreeCameraByItsOrientationMode)
{
    StartEngine();
    LoadWorld(CameraWorld({"FreeCam01"}));
    ASSERT_EQ(Camera().Init(&Client()), OK);
    SwitchTo("FreeCam01");
    QIRN_CameraActor* poCamera = Camera().GetCamera();

    // The client passes -2 x the counts: one count turns by one degree.
    poCamera->SetPrimaryOrientationMode(QIRN_ORIENT_YAWPITCHROLL);
    EXPECT_EQ(Camera().HandleMouseMove(-2 * 3, -2 * 4), OK);
    EXPECT_FLOAT_EQ(poCamera->GetRotationY(), 3.0f);
    EXPECT_FLOAT_EQ(poCamera->GetRotationX(), 4.0f);
    EXPECT_EQ(Camera().m_iLastMouseX, -6);
    EXPECT_EQ(Camera().m_iLastMouseY, -8);

    poCamera->SetPrimaryOrientationMode(QIRN_ORIENT_AZIMUTHELEVATION);
    poCamera->SetAzimuth(10.0f);
    poCamera->SetElevation(80.0f);
    EXPECT_EQ(Camera().HandleMouseMove(-2 * 5, 2 * 6), OK);
    EXPECT_FLOAT_EQ(poCamera->GetAzimuth(), 15.0f);
    EXPECT_FLOAT_EQ(poCamera->GetElevation(), 86.0f);
    // Past straight up the actor keeps the old elevation.
    EXPECT_EQ(Camera().HandleMouseMove(0, 2 * 10), OK);
    EXPECT_FLOAT_EQ(poCamera->GetElevation(), 86.0f);

    poCamera->SetPrimaryOrientationMode(QIRN_ORIENT_LOOKAT);
    poCamera->SetPosition(QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f));
    ASSERT_EQ(poCamera->SetLookAtVector(QIRN_Vector4(0.0f, 0.0f, 10.0f, 1.0f)), OK);
    EXPECT_EQ(Camera().HandleMouseMove(-2 * 2, 0), OK);
    QIRN_Vector4 vMoved = poCamera->GetPosition();
    // Two units sideways, in the camera's own frame.
    EXPECT_NEAR(vMoved.x * vMoved.x + vMoved.y * vMoved.y + vMoved.z * vMoved.z, 4.0f, 1e-3f);
    EXPECT_NEAR(vMoved.z, 0.0f, 1e-4f);

    poCamera->SetPrimaryOrientationMode(QIRN_ORIENT_ROTATIONXYZ);
    QIRN_Vector4 vBefore = poCamera->GetRotation();
    EXPECT_EQ(Camera().HandleMouseMove(-20, -20), OK);
    EXPECT_FLOAT_EQ(poCamera->GetRotation().x, vBefore.x);
    EXPECT_FLOAT_EQ(poCamera->GetRotation().y, vBefore.y);
}

TEST_F(CameraTest, WithoutCameraNothingMovesAndItSaysSo)
{
    EXPECT_EQ(Camera().OnEvent(0.1f), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** cApplicationCamera::OnEvent() - m_poCamera is NULL\n"));
    EXPECT_EQ(Camera().HandleMouseMove(1, 1), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** cApplicationCamera::HandleMouseMove() - m_poCamera is NULL\n"));
    EXPECT_EQ(Camera().m_iLastMouseX, -1);
}

TEST_F(CameraTest, FreeFlagCarriesOverToTheNextWorldsFirstCamera)
{
    StartEngine();
    LoadWorld(CameraWorld({"FreeCam01"}));
    ASSERT_EQ(Camera().Init(&Client()), OK);
    SwitchTo("FreeCam01");
    ASSERT_TRUE(Camera().IsFreeCamera());

    Camera().ForgetCamera();
    LoadWorld(CameraWorld({"Other"}));
    ASSERT_EQ(Camera().Init(&Client()), OK);
    EXPECT_EQ(Selected(), "Other");
    HeldKeys() = {VK_UP};
    Camera().Update(0.5f);
    EXPECT_FLOAT_EQ(FindCamera("Other")->GetPosition().z, 40.0f);
}

// The real keyboard: a key moves the camera while it is down, and not once it is up again.
TEST_F(CameraTest, RealKeyboardMovesWhileTheKeyIsDown)
{
    StartEngine();
    LoadWorld(CameraWorld({"FreeCam01"}));
    ASSERT_EQ(Camera().Init(&Client()), OK);
    SwitchTo("FreeCam01");
    cApplicationCamera::SetKeyDownReader(nullptr);
    QIRN_CameraActor* poCamera = Camera().GetCamera();

    keybd_event(VK_UP, 0, 0, 0);
    EXPECT_EQ(Camera().Update(0.1f), OK);
    keybd_event(VK_UP, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_NEAR(poCamera->GetPosition().z, 8.0f, 1e-4f);
    EXPECT_EQ(Camera().Update(0.1f), OK);
    EXPECT_NEAR(poCamera->GetPosition().z, 8.0f, 1e-4f);
}
} // namespace
