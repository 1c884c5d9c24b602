#include "qirn_cameraactor.h"
#include "qirn_lightactor.h"
#include "qirn_meshdata.h"
#include "qirn_shader.h"
#include "qirn_shaderconstants.h"
#include "qirn_world.h"
#include "recording_graphics.h"
#include "world_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace world_test;

namespace
{
QIRN_Graphics* g_poGraphics = nullptr;
QIRN_World* g_poWorld = nullptr;

class SetConstantsTest : public WorldFixture
{
protected:
    void SetUp() override
    {
        WorldFixture::SetUp();
        g_poGraphics = &m_oGraphics;
        g_poWorld = m_poWorld;
        QIRN_ShaderConstants::SetEngineSources([](QIRN_Engine*) { return g_poGraphics; },
                                               [](QIRN_Engine*) { return g_poWorld; });
        m_oCamera.SetPosition(QIRN_Vector4(4, 6, 8, 1));
        m_oObject.SetPosition(QIRN_Vector4(1, 2, 3, 1));
    }

    void TearDown() override
    {
        QIRN_ShaderConstants::SetEngineSources(nullptr, nullptr);
        WorldFixture::TearDown();
    }

    // A table from the constants of its block, rows and the vertex flag first.
    void LoadTable(uint32_t dwRows, bool bVertex, const std::string& szConstants)
    {
        BlockFile in("VertexShaderConstants { NumRows { " + std::to_string(dwRows) + " } VSFlag { " +
                     (bVertex ? "1" : "0") + " } " + szConstants + " }");
        ASSERT_EQ(m_oTable.Load(in.File(), nullptr), OK);
    }

    QIRN_ErrorCode Set(QIRN_BaseActor* poObject, PolygonGroup* poGroup = nullptr)
    {
        return m_oTable.SetConstants(Engine(), &m_oCamera, poGroup, &m_oPass, poObject);
    }

    void ExpectRow(uint32_t r, float a, float b, float c, float d)
    {
        const float expected[4] = {a, b, c, d};
        for (uint32_t i = 0; i < 4; ++i)
        {
            EXPECT_NEAR(m_oTable.Value(r, i), expected[i], 1e-5f) << "row " << r << " component " << i;
        }
    }

    // The matrix stored transposed from row r.
    void ExpectMatrixRows(uint32_t r, const QIRN_Matrix4& m)
    {
        for (uint32_t k = 0; k < 4; ++k)
        {
            ExpectRow(r + k, m.Data()[k], m.Data()[4 + k], m.Data()[8 + k], m.Data()[12 + k]);
        }
    }

    QIRN_LightActor* AddLight(const std::string& szName, QIRN_Vector4 vPosition, float fRange)
    {
        QIRN_LightActor* poLight =
            static_cast<QIRN_LightActor*>(m_poWorld->CreateObject(szName, QIRN_CLASS_LIGHTACTOR));
        poLight->SetPosition(vPosition);
        poLight->m_fRange = fRange;
        EXPECT_EQ(m_poWorld->AddObject(poLight), OK);
        return poLight;
    }

    RecordingGraphics m_oGraphics{Engine()};
    QIRN_CameraActor m_oCamera{QIRN_CLASS_CAMERAACTOR};
    QIRN_BaseActor m_oObject{QIRN_CLASS_BASEACTOR};
    QIRN_ShaderPass m_oPass;
    QIRN_ShaderConstants m_oTable;
};
} // namespace

TEST_F(SetConstantsTest, AnIncompleteContextChangesAndSendsNothing)
{
    qirn_test::LogCapture log;
    EXPECT_EQ(Set(&m_oObject), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_ShaderConstants::SetConstants() - Not initialized\n"));
    LoadTable(1, true, "Constant { 0 0 2 0 }");
    m_oTable.Value(0, 0) = 42.0f;

    QIRN_MeshData mesh;
    PolygonGroup orphan(3, "orphan", nullptr);
    struct Case
    {
        QIRN_Engine* poEngine;
        QIRN_Graphics* poGraphics;
        QIRN_World* poWorld;
        QIRN_BaseActor* poCamera;
        PolygonGroup* poGroup;
        QIRN_ShaderPass* poPass;
        const char* szLine;
    };
    const Case cases[] = {
        {nullptr, &m_oGraphics, m_poWorld, &m_oCamera, nullptr, &m_oPass, "Engine is NULL"},
        {Engine(), nullptr, m_poWorld, &m_oCamera, nullptr, &m_oPass, "Graphics is NULL"},
        {Engine(), &m_oGraphics, nullptr, &m_oCamera, nullptr, &m_oPass, "World is NULL"},
        {Engine(), &m_oGraphics, m_poWorld, nullptr, nullptr, &m_oPass, "Camera is NULL"},
        {Engine(), &m_oGraphics, m_poWorld, &m_oCamera, &orphan, &m_oPass, "Mesh is NULL"},
        {Engine(), &m_oGraphics, m_poWorld, &m_oCamera, nullptr, nullptr, "Shader pass is NULL"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.szLine);
        g_poGraphics = c.poGraphics;
        g_poWorld = c.poWorld;
        log.Clear();
        EXPECT_EQ(m_oTable.SetConstants(c.poEngine, c.poCamera, c.poGroup, c.poPass, nullptr), GENERICERROR);
        EXPECT_EQ(log.All(), std::string("*** QIRN_ShaderConstants::SetConstants() - ") + c.szLine + "\n");
        EXPECT_FLOAT_EQ(m_oTable.Value(0, 0), 42.0f);
    }
    EXPECT_TRUE(m_oGraphics.m_vUploads.empty());
}

TEST_F(SetConstantsTest, VariablesVectorsAndMatricesAreSentInRunsOfDefinedRows)
{
    // Rows 0-3 the object matrix, 4-5 nothing, 6-7 vectors, 8 variables, 9-12 the fixed matrix.
    LoadTable(13, true,
              "Constant { 0 0 6 0 } Constant { 6 0 5 1 } Constant { 7 0 5 0 } Constant { 8 0 2 0 } "
              "Constant { 8 1 2 1 } Constant { 8 2 2 3 } Constant { 8 3 2 4 } Constant { 9 0 6 7 }");
    ASSERT_EQ(m_poWorld->UpdateWorld(2.5f), OK);
    m_oGraphics.m_dwTotalFrames = 17;
    qirn_test::LogCapture log;
    ASSERT_EQ(Set(&m_oObject), OK) << log.All();

    // A translation by (1, 2, 3): its fourth column ends the first three rows.
    ExpectRow(0, 1, 0, 0, 1);
    ExpectRow(1, 0, 1, 0, 2);
    ExpectRow(2, 0, 0, 1, 3);
    ExpectRow(3, 0, 0, 0, 1);
    ExpectRow(6, 3, 4, 5, 1);
    ExpectRow(7, 4, 6, 8, 1);
    // World time, frames, and no back buffer without device information.
    ExpectRow(8, 2.5f, 17, 0, 0);
    ExpectRow(9, 2, 0, 0, -1);
    ExpectRow(10, 0, -2, 0, 1);
    ExpectRow(11, 0, 1, 1, 0);
    ExpectRow(12, 0, 0, 0, 1);

    ASSERT_EQ(m_oGraphics.m_vUploads.size(), 2u);
    const ConstantUpload& first = m_oGraphics.m_vUploads[0];
    EXPECT_TRUE(first.bVertex);
    EXPECT_EQ(first.dwStart, 0u);
    EXPECT_EQ(first.dwCount, 4u);
    EXPECT_EQ(first.vValues, std::vector<float>(m_oTable.m_pfValues, m_oTable.m_pfValues + 16));
    EXPECT_EQ(m_oGraphics.m_vUploads[1].dwStart, 6u);
    EXPECT_EQ(m_oGraphics.m_vUploads[1].dwCount, 7u);

    // Without an actor and mesh the object is at the origin.
    ASSERT_EQ(Set(nullptr), OK);
    ExpectRow(6, 4, 6, 8, 1);
    ExpectRow(3, 0, 0, 0, 1);
    ExpectRow(0, 1, 0, 0, 0);
}

TEST_F(SetConstantsTest, CameraMatricesAndTheirProducts)
{
    m_oCamera.SetRotation(QIRN_Vector4(10, 30, 0, 1));
    m_oObject.SetRotation(QIRN_Vector4(0, 45, 0, 1));
    LoadTable(25, true,
              "Constant { 0 0 6 1 } Constant { 4 0 6 2 } Constant { 8 0 6 3 } Constant { 12 0 6 4 } "
              "Constant { 16 0 6 5 } Constant { 20 0 5 2 } Constant { 21 0 6 9 }");
    qirn_test::LogCapture log;
    ASSERT_EQ(Set(&m_oObject), OK);
    QIRN_ViewMatrix view;
    ASSERT_EQ(m_oCamera.GetTransform(&view), OK);
    QIRN_Matrix4 projection, world, wv, vp, wvp;
    Matrix_Identity(&projection);
    m_oCamera.GetProjectionMatrix(&projection);
    m_oObject.GetTransform(&world);
    Matrix_Multiply(&world, &view, &wv);
    Matrix_Multiply(&view, &projection, &vp);
    Matrix_Multiply(&wv, &projection, &wvp);
    ExpectMatrixRows(0, view);
    ExpectMatrixRows(4, projection);
    ExpectMatrixRows(8, wv);
    ExpectMatrixRows(12, vp);
    ExpectMatrixRows(16, wvp);
    // The camera's direction: the third row of its placement.
    QIRN_Matrix4 placement;
    static_cast<QIRN_BaseActor&>(m_oCamera).GetTransform(&placement);
    ExpectRow(20, placement._31, placement._32, placement._33, placement._34);
    // An unknown kind gives the identity.
    ExpectMatrixRows(21,
                     []
                     {
                         QIRN_Matrix4 m;
                         Matrix_Identity(&m);
                         return m;
                     }());
    EXPECT_TRUE(log.Contains("*** QIRN_ShaderConstants::EvaluateMatrix() - Unknown matrix type\n"));
}

TEST_F(SetConstantsTest, LightsAreSortedByDistanceFromTheObject)
{
    m_oObject.SetPosition(QIRN_Vector4(0, 0, 0, 1));
    // Rows: range of light 0, 1 and 2 (no such light), then diffuse, offset and direction of light 0,
    // then the material's diffuse; sent as pixel constants.
    LoadTable(
        5, false,
        "Constant { 0 0 9 2 0 } Constant { 0 1 9 2 1 } Constant { 0 2 9 2 2 } Constant { 0 3 1 7 } "
        "Constant { 1 0 10 0 0 } Constant { 2 0 10 4 0 } Constant { 3 0 10 5 0 } Constant { 4 0 11 0 }");
    qirn_test::LogCapture log;
    // A world without lights: the light constants keep their values, and the table is still sent.
    ASSERT_EQ(Set(&m_oObject), OK);
    ExpectRow(0, 0, 0, 0, 7);
    EXPECT_EQ(log.Count("*** QIRN_ShaderConstants::EvaluateLight() - Light index is too high\n"), 6u);
    ASSERT_EQ(m_oGraphics.m_vUploads.size(), 1u);
    EXPECT_FALSE(m_oGraphics.m_vUploads[0].bVertex);

    QIRN_LightActor* poFar = AddLight("Far", QIRN_Vector4(5, 0, 0, 1), 1.0f);
    QIRN_LightActor* poNear = AddLight("Near", QIRN_Vector4(0, 2, 0, 1), 2.0f);
    poNear->m_vDiffuse = QIRN_Vector4(255, 0, 51, 255);
    poNear->m_vDirection = QIRN_Vector4(0, -2, 0, 0);
    (void)poFar;
    m_oPass.m_oMaterial.m_vDiffuse = QIRN_Vector4(0.5f, 0.25f, 0.125f, 1.0f);
    log.Clear();
    ASSERT_EQ(Set(&m_oObject), OK);
    // Squared distances 25 and 4: the near light is light 0.
    ExpectRow(0, 2, 1, 0, 7);
    EXPECT_EQ(log.Count("*** QIRN_ShaderConstants::EvaluateLight() - Light index is too high\n"), 1u);
    ExpectRow(1, 1, 0, 0.2f, 1);
    ExpectRow(2, 0, 2, 0, 1);
    ExpectRow(3, 0, -1, 0, m_oTable.Value(3, 3));
    ExpectRow(4, 0.5f, 0.25f, 0.125f, 1.0f);
}

TEST_F(SetConstantsTest, SkinMatricesFillThePaletteSlotsOfTheGroup)
{
    QIRN_MeshData mesh;
    ASSERT_TRUE(mesh.CreatePalette(3));
    mesh.m_dwNumPaletteEntries = 3;
    QIRN_Frame bones[3];
    for (int i = 0; i < 3; ++i)
    {
        Matrix_Translation(static_cast<float>(i + 1), 0.0f, 0.0f, &bones[i].m_oCombinedMatrix);
        mesh.m_ppoBonePalette[i] = &bones[i];
    }
    PolygonGroup group(3, "skin", nullptr);
    group.m_pOwnerMesh = &mesh;
    group.m_voBones = {{0, 0}, {1, 1}, {2, 2}};

    LoadTable(12, true, "Constant { 0 0 7 2 }");
    ASSERT_EQ(Set(nullptr, &group), OK);
    ExpectRow(0, 1, 0, 0, 1);
    ExpectRow(3, 0, 0, 0, 1);
    ExpectRow(4, 1, 0, 0, 2);
    // Slot 2 is beyond the constant's two matrices.
    ExpectRow(8, 0, 0, 0, 0);

    // A palette of one fills slot 0 only: slot 1 keeps what it held.
    m_oTable.Value(4, 3) = 0.0f;
    mesh.m_dwNumPaletteEntries = 1;
    ASSERT_EQ(Set(nullptr, &group), OK);
    ExpectRow(0, 1, 0, 0, 1);
    ExpectRow(4, 1, 0, 0, 0);

    // With inverse transposes: column k of M, then row k of its inverse.
    mesh.m_dwNumPaletteEntries = 3;
    m_oTable.Clear();
    LoadTable(8, true, "Constant { 0 0 8 1 }");
    ASSERT_EQ(Set(nullptr, &group), OK);
    ExpectRow(0, 1, 0, 0, 1);
    ExpectRow(1, 1, 0, 0, 0);
    ExpectRow(6, 0, 0, 0, 1);
    ExpectRow(7, -1, 0, 0, 1);

    // Without mesh data there is nothing to skin.
    qirn_test::LogCapture log;
    ASSERT_EQ(Set(nullptr), OK);
    EXPECT_TRUE(
        log.Contains("*** QIRN_ShaderConstants::EvaluateSkinMatrixInv() - Requires a skinned mesh\n"));
}

TEST_F(SetConstantsTest, PosedMatricesStandInForTheMeshesCurrentOnes)
{
    QIRN_MeshData mesh;
    ASSERT_TRUE(mesh.CreatePalette(2));
    mesh.m_dwNumPaletteEntries = 2;
    QIRN_Frame bones[2];
    for (int i = 0; i < 2; ++i)
    {
        Matrix_Translation(static_cast<float>(i + 1), 0.0f, 0.0f, &bones[i].m_oCombinedMatrix);
        mesh.m_ppoBonePalette[i] = &bones[i];
    }
    PolygonGroup group(3, "skin", nullptr);
    group.m_pOwnerMesh = &mesh;
    group.m_voBones = {{0, 0}, {1, 1}};
    // Only slot 0 has a posed matrix: slot 1 takes the mesh's current one.
    QIRN_Matrix4 posed;
    Matrix_Translation(0.0f, 5.0f, 0.0f, &posed);
    m_oTable.SetMatrices(&posed, 1);

    LoadTable(8, true, "Constant { 0 0 7 2 }");
    ASSERT_EQ(Set(nullptr, &group), OK);
    ExpectRow(1, 0, 1, 0, 5);
    ExpectRow(4, 1, 0, 0, 2);

    m_oTable.Clear();
    LoadTable(8, true, "Constant { 0 0 8 1 }");
    ASSERT_EQ(Set(nullptr, &group), OK);
    ExpectRow(2, 0, 1, 0, 5);
    ExpectRow(7, 0, -5, 0, 1);

    // An unskinned group's posed matrix is its object matrix; an actor's own transform still wins.
    mesh.m_dwNumPaletteEntries = 0;
    m_oTable.Clear();
    LoadTable(4, true, "Constant { 0 0 6 0 }");
    ASSERT_EQ(Set(nullptr, &group), OK);
    ExpectRow(1, 0, 1, 0, 5);
    ASSERT_EQ(Set(&m_oObject, &group), OK);
    ExpectRow(1, 0, 1, 0, 2);

    // Cleared, the mesh's own matrices are used again.
    m_oTable.SetMatrices(nullptr, 3);
    EXPECT_EQ(m_oTable.m_dwNumMatrices, 0u);
    ASSERT_EQ(Set(nullptr, &group), OK);
    ExpectRow(1, 0, 1, 0, 0);
}
