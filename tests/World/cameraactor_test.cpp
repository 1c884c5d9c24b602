#include "qirn_cameraactor.h"
#include "qirn_test_support.h"
#include "qirn_world.h"
#include "world_test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using world_test::BlockFile;
using world_test::ReadText;

namespace
{
const float SQRT_HALF = 0.70710678f;

QIRN_Vector4 V(float x, float y, float z)
{
    return QIRN_Vector4(x, y, z, 1.0f);
}

QIRN_Vector4 Transform(const QIRN_Matrix4& m, const QIRN_Vector4& v)
{
    QIRN_Vector4 out;
    Vector_TransformCoord(&m, &v, &out);
    return out;
}

void ExpectNear(const QIRN_Vector4& actual, const QIRN_Vector4& expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-4f);
    EXPECT_NEAR(actual.y, expected.y, 1e-4f);
    EXPECT_NEAR(actual.z, expected.z, 1e-4f);
}

bool IsIdentity(const QIRN_Matrix4& m, float fTolerance = 1e-4f)
{
    for (int i = 0; i < 16; ++i)
    {
        if (fabsf(m.Data()[i] - ((i % 5 == 0) ? 1.0f : 0.0f)) > fTolerance)
        {
            return false;
        }
    }
    return true;
}

bool IsFinite(const QIRN_Matrix4& m)
{
    for (int i = 0; i < 16; ++i)
    {
        if (!std::isfinite(m.Data()[i]))
        {
            return false;
        }
    }
    return true;
}

QIRN_BoundingSphere Sphere(float x, float y, float z, float fRadius)
{
    QIRN_BoundingSphere sphere;
    sphere.m_vCenter = V(x, y, z);
    sphere.m_fRadius = fRadius;
    return sphere;
}

// A borderless window whose client area is exactly width x height.
class TestWindow
{
public:
    TestWindow(int iWidth, int iHeight)
    {
        static bool s_bRegistered = false;
        if (!s_bRegistered)
        {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = DefWindowProcA;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "QirnCameraTest";
            RegisterClassA(&wc);
            s_bRegistered = true;
        }
        m_hWnd = CreateWindowExA(0, "QirnCameraTest", "", WS_POPUP, 0, 0, iWidth, iHeight, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    }
    ~TestWindow()
    {
        if (m_hWnd)
        {
            DestroyWindow(m_hWnd);
        }
    }
    HWND Get() const { return m_hWnd; }

private:
    HWND m_hWnd = nullptr;
};

class CameraTest : public world_test::WorldFixture
{
protected:
    QIRN_CameraActor* NewCamera(const std::string& szName)
    {
        QIRN_BaseObject* poObject = m_poWorld->CreateObject(szName, QIRN_CLASS_CAMERAACTOR);
        EXPECT_NE(poObject, nullptr);
        EXPECT_EQ(m_poWorld->AddObject(poObject), OK);
        return static_cast<QIRN_CameraActor*>(poObject);
    }

    static QIRN_Matrix4 View(QIRN_CameraActor& camera)
    {
        QIRN_ViewMatrix view;
        EXPECT_EQ(camera.GetTransform(&view), OK);
        return view;
    }

    static QIRN_Matrix4 Placement(QIRN_CameraActor& camera)
    {
        QIRN_Matrix4 placement;
        EXPECT_EQ(static_cast<QIRN_BaseActor&>(camera).GetTransform(&placement), OK);
        return placement;
    }
};
} // namespace

TEST_F(CameraTest, DefaultsAndViewMatrix)
{
    QIRN_CameraActor camera(QIRN_CLASS_CAMERAACTOR);
    EXPECT_FLOAT_EQ(camera.GetNear(), 1.0f);
    EXPECT_FLOAT_EQ(camera.GetFar(), 1000.0f);
    EXPECT_FLOAT_EQ(camera.GetFOV(), 90.0f);
    EXPECT_EQ(camera.m_dwWidth, 100u);
    EXPECT_EQ(camera.GetProjectionType(), 0u);
    EXPECT_EQ(camera.GetPrimaryOrientationMode(), QIRN_ORIENT_AZIMUTHELEVATION);
    EXPECT_EQ(camera.GetSecondaryOrientationMode(), QIRN_ORIENT_NONE);
    EXPECT_TRUE(IsIdentity(View(camera)));

    camera.SetPosition(V(0, 0, -10));
    QIRN_Matrix4 view = View(camera);
    ExpectNear(V(view._41, view._42, view._43), V(0, 0, 10));
    EXPECT_FLOAT_EQ(view._44, 1.0f);

    qirn_test::LogCapture log;
    EXPECT_EQ(camera.GetTransform(static_cast<QIRN_ViewMatrix*>(nullptr)), INVALIDPARAMS);
    EXPECT_TRUE(log.Contains("*** QIRN_CameraActor::GetTransform() - oDest is NULL\n"));
}

TEST_F(CameraTest, ViewOfEachOrientationMode)
{
    QIRN_CameraActor turned(QIRN_CLASS_CAMERAACTOR);
    turned.SetAzimuth(90);
    ExpectNear(Transform(View(turned), V(1, 0, 0)), V(0, 0, 1));

    // The file's elevation 30 looks 30 degrees down.
    QIRN_CameraActor down(QIRN_CLASS_CAMERAACTOR);
    BlockFile file("QIRN_CameraActor { Elevation { 30 } }");
    ASSERT_EQ(down.Load(file.File()), OK);
    ExpectNear(Transform(View(down), V(0, -0.5f, 0.8660254f)), V(0, 0, 1));

    QIRN_CameraActor look(QIRN_CLASS_CAMERAACTOR);
    look.SetPrimaryOrientationMode(QIRN_ORIENT_LOOKAT);
    EXPECT_TRUE(IsIdentity(View(look)));
    look.SetLookAtVector(V(1, 0, 0));
    ExpectNear(Transform(View(look), V(1, 0, 0)), V(0, 0, 1));
}

TEST_F(CameraTest, ViewUndoesThePlacement)
{
    struct Case
    {
        const char* szName;
        uint32_t eMode;
        QIRN_Vector4 vRotation;
        bool bInverse;
    };
    const Case cases[] = {
        {"azimuth-elevation", QIRN_ORIENT_AZIMUTHELEVATION, V(0, 0, 0), true},
        {"look-at", QIRN_ORIENT_LOOKAT, V(0, 0, 0), true},
        {"yaw-pitch-roll without y", QIRN_ORIENT_YAWPITCHROLL, V(50, 0, 40), true},
        {"yaw-pitch-roll without z", QIRN_ORIENT_YAWPITCHROLL, V(50, 30, 0), true},
        {"yaw-pitch-roll with y and z", QIRN_ORIENT_YAWPITCHROLL, V(0, 30, 40), false},
        // The placement turns by the keyword, the view by the animation.
        {"rotation x.y.z", QIRN_ORIENT_ROTATIONXYZ, V(30, 0, 0), false},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.szName);
        QIRN_CameraActor camera(QIRN_CLASS_CAMERAACTOR);
        camera.SetPrimaryOrientationMode(test.eMode);
        camera.SetPosition(V(1, 2, 3));
        camera.SetAzimuth(35);
        camera.SetElevation(-20);
        camera.SetLookAtVector(V(4, -1, 7));
        camera.SetRotation(test.vRotation);
        QIRN_Matrix4 product;
        QIRN_Matrix4 placement = Placement(camera);
        QIRN_Matrix4 view = View(camera);
        Matrix_Multiply(&placement, &view, &product);
        EXPECT_EQ(IsIdentity(product), test.bInverse);
    }
}

TEST_F(CameraTest, ProjectionFromTheWindowAspect)
{
    TestWindow window(800, 600);
    ASSERT_NE(window.Get(), nullptr);
    Window() = window.Get();
    QIRN_CameraActor* poCamera = NewCamera("Eye");
    QIRN_Matrix4 projection;
    ASSERT_EQ(poCamera->GetProjectionMatrix(&projection), OK);
    EXPECT_FLOAT_EQ(projection._11, 0.75f);
    EXPECT_FLOAT_EQ(projection._22, 1.0f);
    EXPECT_FLOAT_EQ(projection._33, 1000.0f / 999.0f);
    EXPECT_FLOAT_EQ(projection._34, 1.0f);
    EXPECT_FLOAT_EQ(projection._43, -1000.0f / 999.0f);
    EXPECT_FLOAT_EQ(projection._44, 0.0f);
    EXPECT_FLOAT_EQ(projection._12, 0.0f);

    poCamera->m_ptProjectionType = 1;
    ASSERT_EQ(poCamera->GetProjectionMatrix(&projection), OK);
    EXPECT_TRUE(IsIdentity(projection));
}

TEST_F(CameraTest, ProjectionNeedsWorldAndEngine)
{
    QIRN_Matrix4 projection;
    Matrix_Scaling(3.0f, &projection);
    qirn_test::LogCapture log;
    QIRN_CameraActor loose(QIRN_CLASS_CAMERAACTOR);
    EXPECT_EQ(loose.GetProjectionMatrix(&projection), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_CameraActor::GetProjectionMatrix - m_pWorld is NULL\n"));
    EXPECT_FLOAT_EQ(projection._11, 3.0f);

    QIRN_World engineless(nullptr);
    ASSERT_EQ(engineless.InitWorld(), OK);
    QIRN_BaseObject* poObject = engineless.CreateObject("Eye", QIRN_CLASS_CAMERAACTOR);
    ASSERT_NE(poObject, nullptr);
    EXPECT_EQ(static_cast<QIRN_CameraActor*>(poObject)->GetProjectionMatrix(&projection), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_CameraActor::GetProjectionMatrix - poEngine is NULL\n"));
    EXPECT_FLOAT_EQ(projection._11, 3.0f);
    delete poObject;
}

TEST_F(CameraTest, RangeAndFieldOfViewSetters)
{
    QIRN_CameraActor camera(QIRN_CLASS_CAMERAACTOR);
    qirn_test::LogCapture log;
    EXPECT_EQ(camera.SetFOV(0.0f), INVALIDPARAMS);
    EXPECT_EQ(camera.SetFOV(180.0f), INVALIDPARAMS);
    EXPECT_EQ(log.Count("*** QIRN_CameraActor::SetFOV(): fFOV not in valid range\n"), 2u);
    EXPECT_FLOAT_EQ(camera.GetFOV(), 90.0f);
    EXPECT_EQ(camera.SetFOV(179.9f), OK);
    EXPECT_FLOAT_EQ(camera.GetFOV(), 179.9f);

    EXPECT_EQ(camera.SetRange(0.0f, 10.0f), INVALIDPARAMS);
    EXPECT_TRUE(log.Contains("*** QIRN_CameraActor::SetRange(): fNear is less than or equal to 0.0f\n"));
    EXPECT_EQ(camera.SetRange(5.0f, 5.0f), INVALIDPARAMS);
    EXPECT_TRUE(log.Contains("*** QIRN_CameraActor::SetRange(): fFar is closer than fNear\n"));
    EXPECT_FLOAT_EQ(camera.GetNear(), 1.0f);
    EXPECT_FLOAT_EQ(camera.GetFar(), 1000.0f);
    EXPECT_EQ(camera.SetRange(0.5f, 50.0f), OK);
    EXPECT_FLOAT_EQ(camera.GetFar(), 50.0f);
}

TEST_F(CameraTest, FrustumPlanesOfTheDefaultCamera)
{
    TestWindow window(600, 600);
    Window() = window.Get();
    QIRN_CameraActor* poCamera = NewCamera("Eye");
    // Before the first update no plane rejects anything.
    EXPECT_TRUE(poCamera->IsSphereInFrustum(Sphere(0, 0, -100, 1)));
    ASSERT_EQ(poCamera->Update(0.0f), OK);

    const QIRN_Plane expected[QIRN_FRUSTUM_PLANES] = {
        {0, 0, 1, -1},
        {0, 0, -1, 1000},
        {SQRT_HALF, 0, SQRT_HALF, 0},
        {-SQRT_HALF, 0, SQRT_HALF, 0},
        {0, -SQRT_HALF, SQRT_HALF, 0},
        {0, SQRT_HALF, SQRT_HALF, 0},
    };
    for (int i = 0; i < QIRN_FRUSTUM_PLANES; ++i)
    {
        SCOPED_TRACE(i);
        const QIRN_Plane& plane = poCamera->GetFrustumPlane(static_cast<QIRN_FrustumPlane>(i));
        EXPECT_NEAR(plane.a, expected[i].a, 1e-3f);
        EXPECT_NEAR(plane.b, expected[i].b, 1e-3f);
        EXPECT_NEAR(plane.c, expected[i].c, 1e-3f);
        EXPECT_NEAR(plane.d, expected[i].d, 1e-3f + fabsf(expected[i].d) * 1e-4f);
    }

    // 0.5 behind the near plane is still inside with radius 1; 1.5 behind is not.
    EXPECT_TRUE(poCamera->IsSphereInFrustum(Sphere(0, 0, 0.5f, 1)));
    EXPECT_FALSE(poCamera->IsSphereInFrustum(Sphere(0, 0, -0.5f, 1)));
    // The left plane x = -z: 1.41 outside, then 0.85 outside.
    EXPECT_FALSE(poCamera->IsSphereInFrustum(Sphere(-12, 0, 10, 1)));
    EXPECT_TRUE(poCamera->IsSphereInFrustum(Sphere(-11.2f, 0, 10, 1)));
    EXPECT_FALSE(poCamera->IsSphereInFrustum(Sphere(0, 0, 1000.5f, 0.4f)));
    EXPECT_TRUE(poCamera->IsSphereInFrustum(Sphere(0, 0, 1000.5f, 0.6f)));
    EXPECT_FALSE(poCamera->IsSphereInFrustum(Sphere(0, 13, 10, 2)));

    // Moved and turned to look along x, the next update follows.
    poCamera->SetPosition(V(0, 0, -10));
    poCamera->SetAzimuth(90);
    EXPECT_FALSE(poCamera->IsSphereInFrustum(Sphere(5, 0, -10, 0.5f)));
    poCamera->Update(0.0f);
    EXPECT_TRUE(poCamera->IsSphereInFrustum(Sphere(5, 0, -10, 0.5f)));
    EXPECT_FALSE(poCamera->IsSphereInFrustum(Sphere(-5, 0, -10, 0.5f)));
}

TEST_F(CameraTest, EmptyClientAreaGivesAnAspectOfOne)
{
    TestWindow window(640, 0);
    ASSERT_NE(window.Get(), nullptr);
    for (HWND hWnd : {window.Get(), static_cast<HWND>(nullptr)})
    {
        Window() = hWnd;
        QIRN_CameraActor* poCamera =
            static_cast<QIRN_CameraActor*>(m_poWorld->CreateObject("Eye", QIRN_CLASS_CAMERAACTOR));
        qirn_test::LogCapture log;
        QIRN_Matrix4 projection;
        ASSERT_EQ(poCamera->GetProjectionMatrix(&projection), OK);
        ASSERT_EQ(poCamera->GetProjectionMatrix(&projection), OK);
        EXPECT_TRUE(IsFinite(projection));
        EXPECT_FLOAT_EQ(projection._11, 1.0f);
        EXPECT_FLOAT_EQ(projection._22, 1.0f);
        // Said once, not every frame.
        EXPECT_EQ(log.Count("*** QIRN_CameraActor::GetProjectionMatrix - The window's client area is empty. "
                            "Using an aspect of 1\n"),
                  1u);
        delete poCamera;
    }
}

TEST_F(CameraTest, UnusableFileValuesGiveTheIdentityNotNaN)
{
    TestWindow window(800, 600);
    Window() = window.Get();
    struct Case
    {
        const char* szBlock;
        const char* szLine;
    };
    const Case cases[] = {
        {"QIRN_CameraActor { Near { 5 } Far { 5 } }",
         "*** QIRN_CameraActor::GetProjectionMatrix - m_fFar equals m_fNear. Using the identity\n"},
        {"QIRN_CameraActor { FOV { 0 } }",
         "*** QIRN_CameraActor::GetProjectionMatrix - m_fFOV not in valid range. Using the identity\n"},
        {"QIRN_CameraActor { FOV { 180 } }",
         "*** QIRN_CameraActor::GetProjectionMatrix - m_fFOV not in valid range. Using the identity\n"},
        {"QIRN_CameraActor { FOV { 270 } }",
         "*** QIRN_CameraActor::GetProjectionMatrix - m_fFOV not in valid range. Using the identity\n"},
        {"QIRN_CameraActor { FOV { -45 } }",
         "*** QIRN_CameraActor::GetProjectionMatrix - m_fFOV not in valid range. Using the identity\n"},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.szBlock);
        QIRN_CameraActor* poCamera =
            static_cast<QIRN_CameraActor*>(m_poWorld->CreateObject("Odd", QIRN_CLASS_CAMERAACTOR));
        BlockFile file(test.szBlock);
        ASSERT_EQ(poCamera->Load(file.File()), OK);
        qirn_test::LogCapture log;
        QIRN_Matrix4 projection;
        EXPECT_EQ(poCamera->GetProjectionMatrix(&projection), INVALIDPARAMS);
        EXPECT_TRUE(IsIdentity(projection, 0.0f));
        EXPECT_EQ(poCamera->Update(0.1f), OK);
        EXPECT_EQ(log.Count(test.szLine), 1u) << log.All();
        // The planes come from the view alone: the clip box from z 0 to 1.
        EXPECT_TRUE(poCamera->IsSphereInFrustum(Sphere(0, 0, 0.5f, 0.1f)));
        EXPECT_FALSE(poCamera->IsSphereInFrustum(Sphere(0, 0, 5, 0.1f)));
        delete poCamera;
    }
}

TEST_F(CameraTest, EachCameraBuildsItsFrustumFromItsOwnProjection)
{
    TestWindow window(600, 600);
    Window() = window.Get();
    QIRN_CameraActor* poWorldCamera = NewCamera("Eye");
    ASSERT_EQ(poWorldCamera->Update(0.0f), OK);
    EXPECT_TRUE(poWorldCamera->IsSphereInFrustum(Sphere(0, 0, 5, 0.1f)));

    // A camera without a world cannot make a projection; it must not borrow the last one made.
    QIRN_CameraActor loose(QIRN_CLASS_CAMERAACTOR);
    ASSERT_EQ(loose.Update(0.0f), OK);
    EXPECT_FALSE(loose.IsSphereInFrustum(Sphere(0, 0, 5, 0.1f)));
    EXPECT_TRUE(loose.IsSphereInFrustum(Sphere(0, 0, 0.5f, 0.1f)));
}

TEST_F(CameraTest, NearPlaneAtTheEyeKeepsTheLastFrustum)
{
    TestWindow window(600, 600);
    Window() = window.Get();
    QIRN_CameraActor* poCamera = NewCamera("Eye");
    BlockFile file("QIRN_CameraActor { Near { 0 } }");
    ASSERT_EQ(poCamera->Load(file.File()), OK);
    QIRN_Matrix4 projection;
    EXPECT_EQ(poCamera->GetProjectionMatrix(&projection), OK);
    EXPECT_TRUE(IsFinite(projection));
    qirn_test::LogCapture log;
    EXPECT_EQ(poCamera->Update(0.0f), OK);
    EXPECT_EQ(poCamera->Update(0.0f), OK);
    EXPECT_EQ(
        log.Count("*** QIRN_CameraActor::Update() - The view and projection have no inverse. The frustum "
                  "is kept\n"),
        1u);
    EXPECT_TRUE(poCamera->IsSphereInFrustum(Sphere(0, 0, -50, 1)));
}

TEST_F(CameraTest, KeywordsSaveAndLoadBack)
{
    QIRN_CameraActor camera(QIRN_CLASS_CAMERAACTOR);
    BlockFile file("QIRN_CameraActor { Name { Cam 1 } Near { 0.5 } Far { 200 } FOV { 60 } Width { 640 } "
                   "ProjectionType { 1 } Position { 1 2 3 1 } }");
    ASSERT_EQ(camera.Load(file.File()), OK);
    EXPECT_FLOAT_EQ(camera.GetNear(), 0.5f);
    EXPECT_FLOAT_EQ(camera.GetFar(), 200.0f);
    EXPECT_FLOAT_EQ(camera.GetFOV(), 60.0f);
    EXPECT_EQ(camera.m_dwWidth, 640u);
    EXPECT_EQ(camera.GetProjectionType(), 1u);
    ExpectNear(camera.GetPosition(), V(1, 2, 3));

    QIRN_File out;
    ASSERT_EQ(out.Open("camera.txt", QIRN_FILE_WRITE), OK);
    out.StartWriteBlock("QIRN_CameraActor");
    ASSERT_EQ(camera.SaveContents(out), OK);
    out.EndWriteBlock();
    out.Close();
    std::string szText = ReadText("camera.txt");
    EXPECT_EQ(
        szText.rfind("QIRN_CameraActor\n{\n    Near { 0.5 } \n    Far { 200 } \n    FOV { 60 } \n"
                     "    Width { 640 } \n    ProjectionType { 1 } \n    PrimaryOrientationMode { 4 } \n",
                     0),
        0u)
        << szText;
    QIRN_CameraActor copy(QIRN_CLASS_CAMERAACTOR);
    BlockFile again(szText, "copy.txt");
    ASSERT_EQ(copy.Load(again.File()), OK);
    EXPECT_EQ(copy.GetName(), "Cam 1");
    EXPECT_FLOAT_EQ(copy.GetFar(), 200.0f);
    EXPECT_EQ(copy.m_dwWidth, 640u);

    const std::pair<const char*, const char*> failures[] = {
        {"C { Near { x } }", "*** QIRN_CameraActor::InterpretKeyWord():Error reading m_fNear\n"},
        {"C { Far { } }", "*** QIRN_CameraActor::InterpretKeyWord():Error reading m_fFar\n"},
        {"C { FOV { wide } }", "*** QIRN_CameraActor::InterpretKeyWord():Error reading m_fFOV\n"},
        {"C { Width { -x } }", "*** QIRN_CameraActor::InterpretKeyWord():Error reading m_dwWidth\n"},
        {"C { ProjectionType { y } }",
         "*** QIRN_CameraActor::InterpretKeyWord():Error reading m_ptProjectionType\n"},
    };
    for (const auto& failure : failures)
    {
        SCOPED_TRACE(failure.first);
        QIRN_CameraActor broken(QIRN_CLASS_CAMERAACTOR);
        qirn_test::LogCapture log;
        BlockFile bad(failure.first);
        EXPECT_EQ(broken.Load(bad.File()), FILEREAD_ERROR);
        EXPECT_TRUE(log.Contains(failure.second)) << log.All();
    }
    qirn_test::LogCapture log;
    EXPECT_EQ(camera.InterpretKeyWord("", file.File()), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_CameraActor::InterpretKeyWord(): szKeyWord is invalid\n"));
}

TEST_F(CameraTest, TranslateLocalFollowsTheCamera)
{
    QIRN_CameraActor camera(QIRN_CLASS_CAMERAACTOR);
    camera.SetAzimuth(90);
    camera.TranslateLocal(0, 0, 2);
    ExpectNear(camera.GetPosition(), V(2, 0, 0));
}

TEST_F(CameraTest, RegisteredAndListed)
{
    EXPECT_TRUE(m_poWorld->IsRegistered("QIRN_CameraActor"));
    QIRN_CameraActor* poCamera = NewCamera("Eye");
    QIRN_LINKEDLIST<QIRN_CameraActor>* poList = m_poWorld->GetCameraActorList();
    ASSERT_NE(poList, nullptr);
    ASSERT_NE(poList->m_pHead, nullptr);
    EXPECT_EQ(poList->m_pHead->m_pData, poCamera);
    EXPECT_FLOAT_EQ(poList->m_pHead->m_pData->GetFar(), 1000.0f);
}

TEST_F(CameraTest, RotationXYZViewUndoesTheAnimationRotation)
{
    // The view of mode 5 turns back by the animation's angles, z first, then y, then x.
    QIRN_CameraActor camera(QIRN_CLASS_CAMERAACTOR);
    camera.SetPrimaryOrientationMode(QIRN_ORIENT_ROTATIONXYZ);
    camera.SetPosition(V(1, 2, 3));
    camera.m_vAnimationRotation = V(30, 40, 50);
    QIRN_Matrix4 view = View(camera);
    EXPECT_FALSE(IsIdentity(view));
    camera.SetRotation(V(30, 40, 50));
    QIRN_Matrix4 placement = Placement(camera);
    QIRN_Matrix4 product;
    Matrix_Multiply(&placement, &view, &product);
    EXPECT_TRUE(IsIdentity(product));
    // The keyword rotation alone does not turn the view.
    camera.m_vAnimationRotation = V(0, 0, 0);
    view = View(camera);
    ExpectNear(Transform(view, V(1, 2, 4)), V(0, 0, 1));
}
