#include "geometry_test_support.h"
#include "qirn_animationsequence.h"
#include "qirn_geometrydata.h"
#include "qirn_settings.h"
#include "qirn_skeleton.h"
#include "qirn_test_support.h"
#include "qirn_xfile.h"
#include "fake_xfile.h"
#include "qirn_xfile_templates.h"
#include "xfile_writer.h"

#include <cstdio>
#include <cstring>

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

using namespace geometry_test;

namespace
{
const char* const IDENTITY = "1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;;";

const char* const SKIN_TEMPLATES =
    "template XSkinMeshHeader {\n <3CF169CE-FF7C-44ab-93C0-F78F62D172E2>\n"
    " WORD nMaxSkinWeightsPerVertex;\n WORD nMaxSkinWeightsPerFace;\n WORD nBones;\n}\n"
    "template SkinWeights {\n <6F0D123B-BAD2-4167-A0D0-80224F25FABB>\n"
    " STRING transformNodeName;\n DWORD nWeights;\n array DWORD vertexIndices[nWeights];\n"
    " array FLOAT weights[nWeights];\n Matrix4x4 matrixOffset;\n}\n";

// The quad (0,0,0) (1,0,0) (1,1,0) (0,1,0) as one face of four, without normals.
std::string QuadMesh(const std::string& szName, const std::string& szChildren = "")
{
    return "Mesh " + szName +
           " {\n 4; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.0;, 0.0;1.0;0.0;;\n 1; 4; 0,1,2,3;;\n" +
           szChildren + "}\n";
}

class XFileTest : public ::testing::Test
{
protected:
    // Files are found in the working folder.
    XFileTest() { QIRN_InitEnginePath(m_oDir.Path() + "\\qirn_v2.ini"); }

    QIRN_ErrorCode Load(const std::string& szText, const std::string& szFile = "model.x")
    {
        qirn_test::WriteFile(szFile, "xof 0302txt 0032\n" + szText);
        m_oXFile.m_poGeometry = &m_oData;
        return m_oXFile.Load(szFile);
    }
    QIRN_MeshData* Mesh(const std::string& szName)
    {
        for (QIRN_MeshList::Node* pNode = m_oData.GetFirstMeshNode(); pNode; pNode = pNode->m_pNext)
        {
            if (pNode->m_szName == szName)
            {
                return pNode->m_pData;
            }
        }
        return nullptr;
    }
    std::vector<int32_t> Indices(const PolygonGroup& roGroup)
    {
        std::vector<int32_t> v;
        for (uint32_t i = 0; i < roGroup.m_dwNumIndices; ++i)
        {
            v.push_back(roGroup.m_piIndices[i] + static_cast<int32_t>(roGroup.m_dwBaseVertex));
        }
        return v;
    }

    qirn_test::ScopedTempDir m_oDir;
    QIRN_GeometryData m_oData;
    QIRN_XFILE m_oXFile;
};
} // namespace

TEST_F(XFileTest, AQuadWithoutNormalsIsOneFanOfTheDefaultShader)
{
    qirn_test::LogCapture log;
    ASSERT_EQ(Load(QuadMesh("Quad") + QuadMesh("") + QuadMesh("")), OK);
    EXPECT_EQ(log.Count("*** QIRN_XFile_Loader::ParseTriMesh(): Xfile has no normals!\n"), 3u);
    QIRN_MeshData* poQuad = Mesh("model.Quad");
    ASSERT_NE(poQuad, nullptr);
    EXPECT_EQ(poQuad->m_pOwnerFrame, nullptr);
    ASSERT_EQ(poQuad->m_oPolygonGroups.size(), 1u);
    const PolygonGroup& roGroup = poQuad->m_oPolygonGroups.front();
    EXPECT_EQ(Indices(roGroup), (std::vector<int32_t>{0, 2, 1, 0, 3, 2}));
    EXPECT_EQ(roGroup.m_szName, "model.NoFrame.Quad.NoMaterial");
    EXPECT_EQ(roGroup.m_oShader.m_dwNumPasses, 0u);
    EXPECT_EQ(roGroup.m_pOwnerMesh, poQuad);
    ExpectNear(roGroup.m_oRawBox.m_vMax, V(1, 1, 0));
    // Unnamed meshes count from 0, again in every file.
    EXPECT_NE(Mesh("model.Mesh_0"), nullptr);
    EXPECT_NE(Mesh("model.Mesh_1"), nullptr);
    QIRN_GeometryData oOther;
    qirn_test::WriteFile("other.x", "xof 0302txt 0032\n" + QuadMesh(""));
    m_oXFile.m_poGeometry = &oOther;
    ASSERT_EQ(m_oXFile.Load("other.x"), OK);
    ASSERT_NE(oOther.GetFirstMeshNode(), nullptr);
    EXPECT_EQ(oOther.GetFirstMeshNode()->m_szName, "other.Mesh_0");
}

TEST_F(XFileTest, NGonsBecomeFans)
{
    ASSERT_EQ(
        Load("Mesh Pentagon {\n 5; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.0;, 0.5;2.0;0.0;, 0.0;1.0;0.0;;\n"
             " 2; 5; 0,1,2,3,4;, 2; 0,1;;\n"
             " MeshNormals { 5; 0.0;0.0;1.0;, 0.0;0.0;1.0;, 0.0;0.0;1.0;, 0.0;0.0;1.0;, 0.0;0.0;1.0;;\n"
             "  1; 3; 0,0,0;; }\n}\n"),
        OK);
    QIRN_MeshData* poMesh = Mesh("model.Pentagon");
    ASSERT_NE(poMesh, nullptr);
    // The two-index face makes no triangle.
    EXPECT_EQ(Indices(poMesh->m_oPolygonGroups.front()), (std::vector<int32_t>{0, 2, 1, 0, 3, 2, 0, 4, 3}));
    EXPECT_FLOAT_EQ(poMesh->GetVertex(3)->m_vNormal.z, 1.0f);
}

TEST_F(XFileTest, AFrameTreeWithMaterialsByReferenceAndAlpha)
{
    qirn_test::LogCapture log;
    std::string szText = "Material Sand { 1.0;0.8;0.6;1.0;; 8.0; 0.1;0.2;0.3;; 0.0;0.0;0.5;;\n "
                         "TextureFilename { \"sand.tga\"; } }\n"
                         "Material Glass { 0.5;0.5;1.0;0.5;; 1.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }\n"
                         "Frame Root {\n FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, "
                         "0.0,0.0,1.0,0.0, 5.0,0.0,0.0,1.0;; }\n"
                         " Frame Child {\n  FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, "
                         "0.0,0.0,1.0,0.0, 0.0,2.0,0.0,1.0;; "
                         "}\n" +
                         QuadMesh("Window", "  MeshMaterialList { 2; 1; 1;; { Glass } { Sand } }\n") +
                         "  Mesh Floor {\n 4; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.0;, 0.0;1.0;0.0;;\n"
                         " 2; 3; 0,1,2;, 3; 0,2,3;;\n"
                         "   MeshMaterialList { 2; 2; 1, 0;; { Sand } { Glass } }\n"
                         "   MeshTextureCoords { 4; 0.0;0.0;, 1.0;0.0;, 1.0;1.0;, 0.0;1.0;; }\n"
                         "   MeshVertexColors { 2; 0; 1.0;0.0;0.0;1.0;;, 1; 0.0;1.0;0.0;1.0;;; }\n"
                         "  }\n }\n"
                         " Frame Sibling { }\n"
                         "}\n";
    ASSERT_EQ(Load(szText), OK) << log.All();
    QIRN_Skeleton* poSkeleton = m_oData.GetSkeleton();
    ASSERT_NE(poSkeleton, nullptr);
    QIRN_Frame* poChild = poSkeleton->FindFrame("Child");
    ASSERT_NE(poChild, nullptr);
    EXPECT_EQ(poChild->m_pParent, poSkeleton->GetRoot());
    ASSERT_NE(poSkeleton->FindFrame("Sibling"), nullptr);
    EXPECT_EQ(poChild->m_poNextSibling, poSkeleton->FindFrame("Sibling"));
    poSkeleton->Update(0.0f, nullptr, nullptr, 0);
    ExpectNear(Mesh("model.Floor")->GetWorldPosition(), V(5, 2, 0));

    // A face-index array shorter than the faces: only the first face has a material.
    QIRN_MeshData* poWindow = Mesh("model.Window");
    ASSERT_NE(poWindow, nullptr);
    ASSERT_EQ(poWindow->m_oPolygonGroups.size(), 1u);
    const PolygonGroup& roSand = poWindow->m_oPolygonGroups.front();
    EXPECT_EQ(roSand.m_szName, "model.Child.Window.Sand");
    ASSERT_EQ(roSand.m_oShader.m_dwNumPasses, 1u);
    const QIRN_ShaderPass& roPass = roSand.m_oShader.m_poPasses[0];
    EXPECT_EQ(roPass.GetName(), "Pass 1");
    EXPECT_EQ(roSand.m_oShader.GetName(), "model.Child.Window.Sand");
    ASSERT_EQ(roPass.m_dwNumLayers, 1u);
    EXPECT_EQ(roPass.m_poLayers[0].m_strTextureFileName, "sand.tga");
    EXPECT_EQ(roPass.m_poLayers[0].m_eCOLORARG1, 5u);
    EXPECT_FLOAT_EQ(roPass.m_oMaterial.m_vDiffuse.y, 0.8f);
    EXPECT_FLOAT_EQ(roPass.m_oMaterial.m_vAmbient.z, 0.6f);
    EXPECT_FLOAT_EQ(roPass.m_oMaterial.m_fPower, 8.0f);
    EXPECT_FLOAT_EQ(roPass.m_oMaterial.m_vSpecular.z, 0.3f);
    EXPECT_FLOAT_EQ(roPass.m_oMaterial.m_vEmissive.z, 0.5f);
    // Opaque: no blending set up.
    const QIRN_ShaderPass oDefaultPass;
    const QIRN_ShaderLayer oDefaultLayer;
    EXPECT_EQ(roPass.m_eDestBlend, oDefaultPass.m_eDestBlend);
    EXPECT_EQ(roPass.m_poLayers[0].m_eALPHAOP, oDefaultLayer.m_eALPHAOP);

    QIRN_MeshData* poFloor = Mesh("model.Floor");
    ASSERT_NE(poFloor, nullptr);
    EXPECT_EQ(poFloor->m_pOwnerFrame, poChild);
    ASSERT_EQ(poFloor->m_oPolygonGroups.size(), 2u);
    // Groups in material order: face 1 is Sand's, face 0 Glass's.
    EXPECT_EQ(Indices(poFloor->m_oPolygonGroups.front()), (std::vector<int32_t>{0, 3, 2}));
    const PolygonGroup& roGlass = poFloor->m_oPolygonGroups.back();
    EXPECT_EQ(roGlass.m_szName, "model.Child.Floor.Glass");
    EXPECT_EQ(Indices(roGlass), (std::vector<int32_t>{0, 2, 1}));
    const QIRN_ShaderPass& roGlassPass = roGlass.m_oShader.m_poPasses[0];
    EXPECT_EQ(roGlassPass.m_eSrcBlend, 4u);
    EXPECT_EQ(roGlassPass.m_eDestBlend, 5u);
    EXPECT_EQ(roGlassPass.m_poLayers[0].m_eALPHAOP, 2u);
    EXPECT_EQ(roGlassPass.m_poLayers[0].m_eALPHAARG1, 5u);
    // Texture v is stored as v - 1; two colours for four vertices colour the first two.
    EXPECT_FLOAT_EQ(poFloor->GetVertex(2)->m_afV[0], 0.0f);
    EXPECT_EQ(poFloor->GetVertex(0)->m_dwDiffuse, 0xFFFF0000u);
    EXPECT_EQ(poFloor->GetVertex(1)->m_dwDiffuse, 0xFF00FF00u);
    EXPECT_EQ(poFloor->GetVertex(2)->m_dwDiffuse, 0xFFFFFFFFu);
}

TEST_F(XFileTest, ASingleMaterialTakesEveryFace)
{
    ASSERT_EQ(Load("Mesh Two {\n 4; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.0;, 0.0;1.0;0.0;;\n"
                   " 2; 3; 0,1,2;, 3; 0,2,3;;\n"
                   " MeshMaterialList { 1; 2; 5, 7;; Material { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; "
                   "0.0;0.0;0.0;; } "
                   "}\n}\n"),
              OK);
    QIRN_MeshData* poMesh = Mesh("model.Two");
    ASSERT_NE(poMesh, nullptr);
    ASSERT_EQ(poMesh->m_oPolygonGroups.size(), 1u);
    EXPECT_EQ(poMesh->m_oPolygonGroups.front().m_dwNumIndices, 6u);
    EXPECT_EQ(poMesh->m_oPolygonGroups.front().m_szName, "model.NoFrame.Two.Shader_0");
}

TEST_F(XFileTest, ASkinnedMeshWithAnUnresolvedBone)
{
    std::string szText = std::string(SKIN_TEMPLATES) + "Frame Root {\n Frame Bone { }\n" +
                         QuadMesh("Skin", std::string(" XSkinMeshHeader { 2; 4; 2; }\n"
                                                      " SkinWeights { \"Bone\"; 3; 0, 1, 2; 1.0, 0.5, 0.25;\n"
                                                      "  1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, "
                                                      "-3.0,0.0,0.0,1.0;; }\n"
                                                      " SkinWeights { \"Missing\"; 2; 1, 3; 0.5, 1.0;\n  ") +
                                              IDENTITY + " }\n") +
                         "}\n";
    qirn_test::LogCapture log;
    ASSERT_EQ(Load(szText), OK) << log.All();
    EXPECT_TRUE(
        log.Contains("QIRN_XFILE::ResolvePendingCPReferenceList() - Could not resolve bone reference.\n"));
    QIRN_MeshData* poMesh = Mesh("model.Skin");
    ASSERT_NE(poMesh, nullptr);
    EXPECT_EQ(poMesh->m_dwNumPaletteEntries, 2u);
    EXPECT_EQ(poMesh->m_iPartitionedWeights, 2);
    EXPECT_EQ(poMesh->m_iPartitionedThird, 4);
    QIRN_Frame* poBone = m_oData.GetSkeleton()->FindFrame("Bone");
    EXPECT_EQ(poMesh->m_ppoBonePalette[0], poBone);
    EXPECT_EQ(poMesh->m_ppoBonePalette[1], nullptr);
    EXPECT_FLOAT_EQ(poBone->m_oOffsetMatrix._41, -3.0f);
    EXPECT_FLOAT_EQ(poMesh->m_poOffsetMatrices[0]._41, -3.0f);
    const QIRN_MeshVertex* v1 = poMesh->GetVertex(1);
    ASSERT_EQ(v1->m_iNumWeights, 2);
    EXPECT_EQ(v1->m_abyBoneIndices[0], 0);
    EXPECT_EQ(v1->m_abyBoneIndices[1], 1);
    EXPECT_FLOAT_EQ(v1->m_afWeights[1], 0.5f);
    EXPECT_EQ(poMesh->GetVertex(3)->m_iNumWeights, 1);
    // The empty slot gives the identity skin matrix; the bone's carries its offset.
    EXPECT_FLOAT_EQ(poMesh->GetSkinMatrix(1)._41, 0.0f);
    EXPECT_FLOAT_EQ(poMesh->GetSkinMatrix(0)._41, -3.0f);
}

TEST_F(XFileTest, AnimationSetsOfAllFourKeyKinds)
{
    std::string szText =
        "Frame Body { Frame Fin { } }\n"
        "AnimationSet Swim {\n"
        " Animation { { Body } AnimationKey { 2; 3; 0; 3; 1.0,2.0,3.0;;, 1000; 3; 2.0,2.0,3.0;;, 2000; 3; "
        "3.0,2.0,3.0;;; } }\n"
        " Animation { { Body } AnimationKey { 1; 1; 0; 3; 2.0,2.0,2.0;;; } }\n"
        " Animation { { Body } AnimationKey { 0; 1; 0; 4; 0.5,0.5,0.5,0.5;;; } }\n"
        " Animation { { Body } AnimationKey { 4; 1; 0; 16; " +
        std::string(IDENTITY) +
        "; } }\n"
        " Animation { AnimationKey { 1; 1; 0; 3; 1.0,1.0,1.0;;; } AnimationKey { 2; 1; 0; 3; 7.0,7.0,7.0;;; "
        "} { Fin } "
        "}\n"
        " Animation { Frame Nowhere { } AnimationKey { 2; 1; 0; 3; 1.0,1.0,1.0;;; } }\n"
        " Animation { { Body } AnimationKey { 0; 1; 0; 3; 1.0,0.0,0.0;;; } }\n"
        " Animation { { Body } AnimationKey { 9; 1; 0; 3; 1.0,0.0,0.0;;; } }\n"
        "}\n";
    qirn_test::LogCapture log;
    ASSERT_EQ(Load(szText), OK) << log.All();
    EXPECT_TRUE(log.Contains("'.X' file loader; Can't resolve frame reference.\n"));
    EXPECT_TRUE(log.Contains("'.X' file loader : Can't determine keyframe type !\n"));
    EXPECT_EQ(log.Count("'.X' file loader: Couldn't load animation keyframes.\n"), 2u);
    QIRN_Frame* poBody = m_oData.GetSkeleton()->FindFrame("Body");
    ASSERT_EQ(poBody->m_oAnimationSequences.size(), 4u);
    std::vector<int> vKinds;
    for (QIRN_AnimationSequence* poSequence : poBody->m_oAnimationSequences)
    {
        vKinds.push_back(poSequence->GetKeyKind());
    }
    EXPECT_EQ(vKinds, (std::vector<int>{QIRN_ANIMKEY_TRANSFORM, QIRN_ANIMKEY_ROTATION, QIRN_ANIMKEY_SCALE,
                                        QIRN_ANIMKEY_TRANSLATION}));
    QIRN_AnimationSequence* poTranslation = poBody->m_oAnimationSequences.back();
    ASSERT_EQ(poTranslation->m_dwNumKeys, 3u);
    EXPECT_FLOAT_EQ(poTranslation->m_pfKeyTimes[1], 1.0f);
    EXPECT_FLOAT_EQ(poTranslation->m_pfKeyTimes[2], 2.0f);
    EXPECT_FLOAT_EQ(static_cast<float*>(poTranslation->GetKey(2))[0], 3.0f);
    // The rotation key is stored x, y, z, w.
    const float* pfRotation = static_cast<float*>((*++poBody->m_oAnimationSequences.begin())->GetKey(0));
    EXPECT_FLOAT_EQ(pfRotation[3], 0.5f);
    // Every key kind of an Animation is kept, in the order the kinds compose.
    QIRN_Frame* poFin = m_oData.GetSkeleton()->FindFrame("Fin");
    ASSERT_EQ(poFin->m_oAnimationSequences.size(), 2u);
    EXPECT_EQ(poFin->m_oAnimationSequences.front()->GetKeyKind(), QIRN_ANIMKEY_SCALE);
    EXPECT_EQ(poFin->m_oAnimationSequences.back()->GetKeyKind(), QIRN_ANIMKEY_TRANSLATION);
}

// As exporters write them: position, scale and rotation keys in one Animation (a repeated kind
// keeps its last key). Scaled by (2, 3, 4), turned a quarter about z and moved by (5, 6, 7), the
// point (1, 1, 1) lands on (2, 8, 11).
TEST_F(XFileTest, OneAnimationWithRotationScaleAndPositionKeysComposesThemAll)
{
    ASSERT_EQ(Load("Frame Body { }\n"
                   "AnimationSet Pose {\n Animation { { Body }\n"
                   "  AnimationKey { 2; 1; 0; 3; 5.0,6.0,7.0;;; }\n"
                   "  AnimationKey { 1; 1; 0; 3; 9.0,9.0,9.0;;; }\n"
                   "  AnimationKey { 1; 1; 0; 3; 2.0,3.0,4.0;;; }\n"
                   "  AnimationKey { 0; 1; 0; 4; 0.7071068,0.0,0.0,0.7071068;;; }\n"
                   " }\n}\n"),
              OK);
    QIRN_Frame* poBody = m_oData.GetSkeleton()->FindFrame("Body");
    ASSERT_NE(poBody, nullptr);
    std::vector<int> vKinds;
    for (QIRN_AnimationSequence* poSequence : poBody->m_oAnimationSequences)
    {
        vKinds.push_back(poSequence->GetKeyKind());
    }
    EXPECT_EQ(vKinds, (std::vector<int>{QIRN_ANIMKEY_ROTATION, QIRN_ANIMKEY_SCALE, QIRN_ANIMKEY_TRANSLATION}));
    // Posed twice: the scale applies once, not once per update.
    for (int i = 0; i < 2; ++i)
    {
        m_oData.GetSkeleton()->Update(0.0f, nullptr, nullptr, 0);
        QIRN_Vector4 vOut;
        const QIRN_Vector4 vIn(1, 1, 1, 1);
        Vector_TransformCoord(&poBody->m_oCombinedMatrix, &vIn, &vOut);
        ExpectNear(vOut, V(2, 8, 11), "update " + std::to_string(i));
    }
}

// Key times are ticks at the file's AnimTicksPerSecond, or milliseconds without one (or with a rate
// of 0, which is logged).
TEST_F(XFileTest, KeyTimesAreTicksAtTheFilesRate)
{
    const struct
    {
        const char* szRate;
        float fSecond, fThird;
        bool bLogged;
    } CASES[] = {
        {"", 0.024f, 0.048f, false},
        {"AnimTicksPerSecond { 24; }\n", 1.0f, 2.0f, false},
        {"AnimTicksPerSecond { 4800; }\n", 0.005f, 0.01f, false},
        {"AnimTicksPerSecond { 0; }\n", 0.024f, 0.048f, true},
    };
    for (const auto& c : CASES)
    {
        const std::string szText = std::string(c.szRate) +
                                   "Frame Arm { }\n"
                                   "AnimationSet Wave { Animation { { Arm } AnimationKey { 2; 3; 0; 3; "
                                   "0.0,0.0,0.0;;, 24; 3; 1.0,0.0,0.0;;, 48; 3; 2.0,0.0,0.0;;; } } }\n";
        QIRN_GeometryData oData;
        qirn_test::LogCapture log;
        qirn_test::WriteFile("wave.x", "xof 0302txt 0032\n" + szText);
        m_oXFile.m_poGeometry = &oData;
        ASSERT_EQ(m_oXFile.Load("wave.x"), OK) << c.szRate << log.All();
        QIRN_Frame* poArm = oData.GetSkeleton()->FindFrame("Arm");
        ASSERT_EQ(poArm->m_oAnimationSequences.size(), 1u) << c.szRate;
        const QIRN_AnimationSequence* poSequence = poArm->m_oAnimationSequences.front();
        ASSERT_EQ(poSequence->m_dwNumKeys, 3u);
        EXPECT_FLOAT_EQ(poSequence->m_pfKeyTimes[0], 0.0f) << c.szRate;
        EXPECT_FLOAT_EQ(poSequence->m_pfKeyTimes[1], c.fSecond) << c.szRate;
        EXPECT_FLOAT_EQ(poSequence->m_pfKeyTimes[2], c.fThird) << c.szRate;
        EXPECT_EQ(log.Contains("\"wave.x\" gives 0 AnimTicksPerSecond: key times are read as milliseconds"),
                  c.bLogged)
            << log.All();
        // The actor's animation reader counts the same way.
        QIRN_AnimationSequenceList oSequences;
        ASSERT_EQ(m_oXFile.LoadAnimationSequences("wave.x", "Arm", oSequences), OK);
        ASSERT_EQ(oSequences.size(), 1u);
        EXPECT_FLOAT_EQ(oSequences.front()->m_pfKeyTimes[2], c.fThird) << c.szRate;
        delete oSequences.front();
    }
}

// Later exporters write a vertex declaration and its vertices (DeclData) instead of MeshNormals
// and MeshTextureCoords: a normal (FLOAT3, usage 3) and a texture set (FLOAT2, usage 5), the floats
// as the DWORDs of their bits (0x3F800000 = 1.0). What the mesh gives itself is kept.
TEST_F(XFileTest, DeclDataGivesNormalsAndTextureCoordinatesAMeshLacks)
{
    const std::string szDecl = " DeclData { 2; 2; 0; 3; 0;, 1; 0; 5; 0;; 20;\n"
                               "  0, 0, 1065353216, 0, 0,\n"
                               "  0, 0, 1065353216, 1065353216, 0,\n"
                               "  0, 0, 1065353216, 1065353216, 1065353216,\n"
                               "  0, 0, 1065353216, 0, 1065353216; }\n";
    const std::string szOwn = " MeshNormals { 4; 0.0;1.0;0.0;, 0.0;1.0;0.0;, 0.0;1.0;0.0;, 0.0;1.0;0.0;; 1; 4; 0,1,2,3;; }\n"
                              " MeshTextureCoords { 4; 0.5;0.5;, 0.5;0.5;, 0.5;0.5;, 0.5;0.5;; }\n";
    qirn_test::LogCapture log;
    ASSERT_EQ(Load(QuadMesh("Decl", szDecl) + QuadMesh("Own", szOwn + szDecl)), OK) << log.All();
    EXPECT_FALSE(log.Contains("has no normals")) << log.All();
    QIRN_MeshData* poDecl = Mesh("model.Decl");
    ASSERT_NE(poDecl, nullptr);
    const float afU[] = {0, 1, 1, 0}, afV[] = {0, 0, 1, 1};
    for (int v = 0; v < 4; ++v)
    {
        ExpectNear(poDecl->GetVertex(v)->m_vNormal, V(0, 0, 1), "normal " + std::to_string(v));
        EXPECT_FLOAT_EQ(poDecl->GetVertex(v)->m_afU[0], afU[v]) << v;
        // Stored as MeshTextureCoords are: v less 1.
        EXPECT_FLOAT_EQ(poDecl->GetVertex(v)->m_afV[0], afV[v] - 1.0f) << v;
    }
    QIRN_MeshData* poOwn = Mesh("model.Own");
    ASSERT_NE(poOwn, nullptr);
    ExpectNear(poOwn->GetVertex(2)->m_vNormal, V(0, 1, 0));
    EXPECT_FLOAT_EQ(poOwn->GetVertex(2)->m_afU[0], 0.5f);
    // A declaration whose data is short of the vertices is left out, the mesh kept.
    ASSERT_EQ(Load(QuadMesh("Short", " DeclData { 1; 2; 0; 3; 0;; 3; 0, 0, 1065353216; }\n"), "short.x"), OK);
    EXPECT_TRUE(log.Contains("*** QIRN_XFILE::ParseTriMesh() - The DeclData of mesh 'Short' does not hold its 4 "
                             "vertices\n"));
    EXPECT_NE(Mesh("short.Short"), nullptr);
}

// A file DirectX File refuses names itself and the result in the log.
TEST_F(XFileTest, ARefusedFileIsNamedWithTheResult)
{
    qirn_test::LogCapture log;
    EXPECT_EQ(Load("Frame A { }\nMystery { 1; }\n"), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_XFILE::Load() - DirectX File refused \"model.x\": DXFILEERR_"))
        << log.All();
    EXPECT_EQ(log.Count("DirectX File refused"), 1u) << log.All();
}

TEST_F(XFileTest, TwoTopLevelFramesAndDuplicateNames)
{
    qirn_test::LogCapture log;
    ASSERT_EQ(Load("Frame First { Frame Same { } }\nFrame Second {\n" + QuadMesh("Twin") + QuadMesh("Twin") +
                   "}\n"),
              OK);
    ASSERT_NE(m_oData.GetSkeleton(), nullptr);
    EXPECT_EQ(m_oData.GetSkeleton()->GetRoot()->m_szName, "Second");
    ASSERT_NE(m_oData.m_pvReplacedSkeletons, nullptr);
    EXPECT_EQ(m_oData.m_pvReplacedSkeletons->size(), 1u);
    EXPECT_EQ(m_oData.m_poMeshList->m_iCount, 1);
    EXPECT_TRUE(log.Contains("List has already a node by that name"));
}

TEST_F(XFileTest, MalformedFilesLoadNothingUnsafe)
{
    std::string szText =
        std::string(SKIN_TEMPLATES) +
        // A face that names vertex 9 of 4.
        "Mesh BadIndex {\n 4; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.0;, 0.0;1.0;0.0;;\n 1; 3; 0,1,9;;\n}\n"
        // Two weight blocks for a header of one bone, one naming vertex 7 of 4; weights before any
        // header go nowhere.
        "Frame Bone { }\n" +
        QuadMesh("TooMany",
                 std::string(" SkinWeights { \"Bone\"; 1; 0; 1.0; ") + IDENTITY +
                     " }\n XSkinMeshHeader { 1; 1; 1; }\n SkinWeights { \"Bone\"; 2; 7, 1; 1.0, 1.0; " +
                     IDENTITY + " }\n SkinWeights { \"Bone\"; 1; 2; 1.0; " + IDENTITY + " }\n") +
        // A rotation key of three values.
        "AnimationSet Short { Animation { { Bone } AnimationKey { 0; 1; 0; 3; 1.0,0.0,0.0;;; } } }\n";
    qirn_test::LogCapture log;
    ASSERT_EQ(Load(szText), OK) << log.All();
    EXPECT_EQ(Mesh("model.BadIndex"), nullptr);
    EXPECT_TRUE(
        log.Contains("*** QIRN_XFILE::ParseTriMesh() - Face 0 of mesh 'BadIndex' uses vertex 9 of 4: mesh "
                     "dropped\n"));
    QIRN_MeshData* poMesh = Mesh("model.TooMany");
    ASSERT_NE(poMesh, nullptr);
    EXPECT_EQ(poMesh->m_dwNumPaletteEntries, 1u);
    EXPECT_EQ(log.Count("but the skin header gives"), 2u);
    EXPECT_TRUE(
        log.Contains("*** QIRN_XFILE::SetWeights(): Bone 'Bone' names vertex 7 of 4 - Ignoring it\n"));
    EXPECT_EQ(poMesh->GetVertex(1)->m_iNumWeights, 1);
    EXPECT_EQ(poMesh->GetVertex(0)->m_iNumWeights, 0);
    EXPECT_EQ(poMesh->GetVertex(2)->m_iNumWeights, 0);
    EXPECT_TRUE(m_oData.GetSkeleton()->GetRoot()->m_oAnimationSequences.empty());
    EXPECT_TRUE(log.Contains("'.X' file loader: Couldn't load animation keyframes.\n"));
}

namespace
{
// Whole-object data as words: a mesh of three vertices and one triangle.
std::vector<DWORD> TriangleData()
{
    std::vector<DWORD> v = {3};
    const float afPositions[] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    for (float f : afPositions)
    {
        DWORD dw = 0;
        memcpy(&dw, &f, 4);
        v.push_back(dw);
    }
    v.insert(v.end(), {1, 3, 0, 1, 2});
    return v;
}

// SkinWeights data: the name pointer, one weight on vertex 0, the identity offset.
std::vector<DWORD> WeightsData(const char* szBone)
{
    std::vector<DWORD> v(sizeof(szBone) / 4);
    memcpy(v.data(), &szBone, sizeof(szBone));
    const float fOne = 1.0f;
    DWORD dwOne = 0;
    memcpy(&dwOne, &fOne, 4);
    v.insert(v.end(), {1, 0, dwOne});
    for (int i = 0; i < 16; ++i)
    {
        v.push_back(i % 5 == 0 ? dwOne : 0);
    }
    return v;
}
} // namespace

// A mesh dropped after its weights were taken (here a child whose data cannot be read) leaves no
// reference into its freed palette; neither does a mesh refused for its name.
TEST_F(XFileTest, DroppedMeshesLeaveNoBoneReferenceBehind)
{
    m_oXFile.m_poGeometry = &m_oData;
    qirn_test::FakeXFileData* poMesh = new qirn_test::FakeXFileData(QIRN_TID_MESH, "Dropped", TriangleData());
    // nMaxSkinWeightsPerVertex 1, per face 1, nBones 1, as three WORDs.
    poMesh->AddChild(new qirn_test::FakeXFileData(QIRN_TID_XSKINMESHHEADER, "", {0x00010001, 0x00000001}));
    poMesh->AddChild(new qirn_test::FakeXFileData(QIRN_TID_SKINWEIGHTS, "", WeightsData("Missing")));
    poMesh->AddChild(new qirn_test::FakeXFileData(QIRN_TID_MESHNORMALS, ""));
    EXPECT_EQ(m_oXFile.ParseTriMesh(poMesh), nullptr);
    poMesh->Release();
    {
        qirn_test::LogCapture log;
        EXPECT_EQ(m_oXFile.ResolvePendingCPReferenceList(), 0);
        EXPECT_FALSE(log.Contains("Could not resolve bone reference"));
    }

    // A second mesh of one name is freed with its references.
    std::string szText =
        std::string(SKIN_TEMPLATES) + "Frame Bone { }\n" + QuadMesh("Twin") +
        QuadMesh("Twin", std::string(" XSkinMeshHeader { 1; 1; 1; }\n SkinWeights { \"Missing\"; "
                                     "1; 0; 1.0; ") +
                             IDENTITY + " }\n");
    qirn_test::LogCapture log;
    ASSERT_EQ(Load(szText), OK);
    EXPECT_FALSE(log.Contains("Could not resolve bone reference")) << log.All();
    EXPECT_EQ(m_oData.m_poMeshList->m_iCount, 1);
}

// Indices reach the renderers as 16-bit values: a larger mesh is dropped, not wrapped.
TEST_F(XFileTest, AMeshOverSixtyFiveThousandVerticesIsDropped)
{
    m_oXFile.m_poGeometry = &m_oData;
    for (DWORD nVertices : {65535u, 65536u})
    {
        std::vector<DWORD> vData(1 + nVertices * 3, 0);
        vData[0] = nVertices;
        vData.insert(vData.end(), {1, 3, 0, 1, nVertices - 1});
        qirn_test::FakeXFileData* poMesh = new qirn_test::FakeXFileData(QIRN_TID_MESH, "Big", vData);
        qirn_test::LogCapture log;
        QIRN_MeshData* poParsed = m_oXFile.ParseTriMesh(poMesh);
        poMesh->Release();
        if (nVertices == 65535u)
        {
            ASSERT_NE(poParsed, nullptr);
            EXPECT_EQ(poParsed->m_oPolygonGroups.front().m_dwBaseVertex, 0u);
            EXPECT_EQ(poParsed->m_oPolygonGroups.front().m_num_vertices, 65535u);
            delete poParsed;
        }
        else
        {
            EXPECT_EQ(poParsed, nullptr);
            EXPECT_TRUE(
                log.Contains("*** QIRN_XFILE::ParseTriMesh() - Mesh 'Big' has 65536 vertices, more than "
                             "65535: mesh dropped\n"));
        }
    }
}

namespace
{
// A data object whose name cannot be read; everything else comes from the object it wraps.
class NamelessData final : public IDirectXFileData
{
public:
    explicit NamelessData(IDirectXFileData* poInner) : m_lRef(1), m_poInner(poInner) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override
    {
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectXFileObject) ||
            IsEqualGUID(riid, IID_IDirectXFileData))
        {
            AddRef();
            *ppvObject = static_cast<IDirectXFileData*>(this);
            return S_OK;
        }
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_lRef)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG lRef = InterlockedDecrement(&m_lRef);
        if (lRef == 0)
        {
            m_poInner->Release();
            delete this;
        }
        return static_cast<ULONG>(lRef);
    }
    HRESULT STDMETHODCALLTYPE GetName(LPSTR, LPDWORD) override { return DXFILEERR_BADVALUE; }
    HRESULT STDMETHODCALLTYPE GetId(LPGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetData(LPCSTR szMember, DWORD* pcbSize, void** ppvData) override
    {
        return m_poInner->GetData(szMember, pcbSize, ppvData);
    }
    HRESULT STDMETHODCALLTYPE GetType(const GUID** ppguid) override { return m_poInner->GetType(ppguid); }
    HRESULT STDMETHODCALLTYPE GetNextObject(LPDIRECTXFILEOBJECT* ppChildObj) override
    {
        return m_poInner->GetNextObject(ppChildObj);
    }
    HRESULT STDMETHODCALLTYPE AddDataObject(LPDIRECTXFILEDATA) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddDataReference(LPCSTR, const GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddBinaryObject(LPCSTR, const GUID*, LPCSTR, LPVOID, DWORD) override
    {
        return E_NOTIMPL;
    }

private:
    ~NamelessData() = default;
    LONG m_lRef;
    IDirectXFileData* m_poInner;
};
} // namespace

// A child frame that cannot be read is left out of the tree; a material that cannot be read
// leaves its faces the default shader.
TEST_F(XFileTest, UnreadableChildrenAreSkipped)
{
    m_oXFile.m_poGeometry = &m_oData;
    qirn_test::FakeXFileData* poRoot = new qirn_test::FakeXFileData(QIRN_TID_FRAME, "Root");
    poRoot->AddChild(new NamelessData(new qirn_test::FakeXFileData(QIRN_TID_FRAME, "Lost")));
    poRoot->AddChild(new qirn_test::FakeXFileData(QIRN_TID_FRAME, "Kept"));
    QIRN_Frame* poFrame = m_oXFile.ParseFrame(poRoot);
    poRoot->Release();
    ASSERT_NE(poFrame, nullptr);
    ASSERT_NE(poFrame->m_poFirstChild, nullptr);
    EXPECT_EQ(poFrame->m_poFirstChild->m_szName, "Kept");
    EXPECT_EQ(poFrame->m_poFirstChild->m_poNextSibling, nullptr);
    m_oXFile.ResolvePendingCPReferenceList();
    delete poFrame;

    qirn_test::FakeXFileData* poMesh = new qirn_test::FakeXFileData(QIRN_TID_MESH, "Painted", TriangleData());
    qirn_test::FakeXFileData* poList = new qirn_test::FakeXFileData(QIRN_TID_MESHMATERIALLIST, "", {1, 1, 0});
    poList->AddChild(new NamelessData(new qirn_test::FakeXFileData(QIRN_TID_MATERIAL, "Paint", {0, 0, 0})));
    poMesh->AddChild(poList);
    QIRN_MeshData* poParsed = m_oXFile.ParseTriMesh(poMesh);
    poMesh->Release();
    ASSERT_NE(poParsed, nullptr);
    ASSERT_EQ(poParsed->m_oPolygonGroups.size(), 1u);
    EXPECT_EQ(poParsed->m_oPolygonGroups.front().m_dwNumIndices, 3u);
    EXPECT_EQ(poParsed->m_oPolygonGroups.front().m_oShader.m_dwNumPasses, 0u);
    delete poParsed;
}

// One importer serves a whole run. A file that declares templates of its own gives them to the
// DirectX File object it is read through; were that object kept, every load would add them again,
// and a table of templates that only grows ends in a write past its end after some hundreds of
// loads. Each load of such a file must leave the importer as it found it.
TEST_F(XFileTest, AFileDeclaringTemplatesLoadsAgainAndAgain)
{
    const std::string szSkin = std::string(SKIN_TEMPLATES) + "Frame Root {\n Frame Bone { }\n" +
                               QuadMesh("Skin", std::string(" XSkinMeshHeader { 1; 1; 1; }\n"
                                                            " SkinWeights { \"Bone\"; 1; 0; 1.0;\n  ") +
                                                    IDENTITY + " }\n") +
                               "}\n";
    qirn_test::WriteFile("skin.x", "xof 0302txt 0032\n" + szSkin);
    qirn_test::WriteFile("plain.x", "xof 0302txt 0032\n" + QuadMesh("Plain"));
    qirn_test::LogCapture log;
    for (int i = 0; i < 2000; ++i)
    {
        QIRN_GeometryData oData;
        m_oXFile.m_poGeometry = &oData;
        const char* szFile = i % 4 == 3 ? "plain.x" : "skin.x";
        ASSERT_EQ(m_oXFile.Load(szFile), OK) << "load " << i << " of " << szFile << "\n" << log.All();
        ASSERT_NE(oData.GetFirstMeshNode(), nullptr) << "load " << i;
        m_oXFile.m_poGeometry = nullptr;
    }
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
}

// A file may declare templates only up to a number that fits beside the engine's in DirectX
// File's table; one with more is refused before DirectX File sees it, text or binary.
TEST_F(XFileTest, AFileDeclaringTooManyTemplatesIsRefused)
{
    auto Templates = [](size_t n)
    {
        std::string szText;
        char szTemplate[160];
        for (size_t i = 0; i < n; ++i)
        {
            std::snprintf(szTemplate, sizeof(szTemplate),
                          "template Extra%u {\n <%08X-0000-4000-8000-000000000001>\n DWORD value;\n}\n",
                          static_cast<unsigned>(i), static_cast<unsigned>(0x5EED0000u + i));
            szText += szTemplate;
        }
        return szText;
    };
    const struct
    {
        size_t nTemplates;
        QIRN_ErrorCode eResult;
    } CASES[] = {{1, OK}, {QIRN_XFILE_MAX_FILE_TEMPLATES, OK}, {QIRN_XFILE_MAX_FILE_TEMPLATES + 1, GENERICERROR},
                 {400, GENERICERROR}};
    for (const auto& c : CASES)
    {
        qirn_test::LogCapture log;
        QIRN_GeometryData oData;
        m_oXFile.m_poGeometry = &oData;
        qirn_test::WriteFile("many.x", "xof 0302txt 0032\n" + Templates(c.nTemplates) + QuadMesh("After"));
        EXPECT_EQ(m_oXFile.Load("many.x"), c.eResult) << c.nTemplates << "\n" << log.All();
        EXPECT_EQ(log.Contains("\"many.x\" declares " + std::to_string(c.nTemplates) + " templates, more than the " +
                               std::to_string(QIRN_XFILE_MAX_FILE_TEMPLATES) + " a file may"),
                  c.eResult != OK)
            << c.nTemplates << "\n" << log.All();
        m_oXFile.m_poGeometry = nullptr;
    }
    // The binary form counts its template tokens the same way.
    std::string szBinary = "xof 0302bin 0032";
    for (size_t i = 0; i <= QIRN_XFILE_MAX_FILE_TEMPLATES; ++i)
    {
        szBinary += std::string("\x1f\x00", 2); // the template token
    }
    qirn_test::WriteFile("many_bin.x", szBinary);
    qirn_test::LogCapture log;
    QIRN_GeometryData oData;
    m_oXFile.m_poGeometry = &oData;
    EXPECT_EQ(m_oXFile.Load("many_bin.x"), GENERICERROR);
    EXPECT_TRUE(log.Contains("\"many_bin.x\" declares 65 templates")) << log.All();
    m_oXFile.m_poGeometry = nullptr;
}

TEST_F(XFileTest, MissingFilesAndTargets)
{
    QIRN_XFILE oLoader;
    qirn_test::LogCapture log;
    EXPECT_EQ(oLoader.Load("model.x"), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_XFILE::Load() - m_poGeometry is NULL\n"));
    oLoader.m_poGeometry = &m_oData;
    EXPECT_EQ(oLoader.Load("absent.x"), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_XFILE::Load() - m_poDXFile->CreateEnumObject() FAILED\n"));
    // A file that breaks off keeps what was read before.
    qirn_test::WriteFile("broken.x", "xof 0302txt 0032\n" + QuadMesh("Whole") + "Mesh Broken { 4; 0.0;");
    EXPECT_EQ(oLoader.Load("broken.x"), GENERICERROR);
    EXPECT_NE(Mesh("broken.Whole"), nullptr);
}

TEST_F(XFileTest, LoadAnimationSequencesTakesTheFirstReferencedFrame)
{
    qirn_test::WriteFile("swim.x", "xof 0302txt 0032\nFrame Body { }\nFrame Tail { }\n"
                                   "AnimationSet A {\n"
                                   " Animation { { Body } AnimationKey { 2; 1; 0; 3; 1.0,2.0,3.0;;; } }\n"
                                   " Animation { { Tail } AnimationKey { 2; 1; 0; 3; 9.0,9.0,9.0;;; } }\n"
                                   " Animation { { Body } AnimationKey { 1; 1; 0; 3; 2.0,2.0,2.0;;; } }\n"
                                   "}\n");
    QIRN_AnimationSequenceList oSequences;
    qirn_test::LogCapture log;
    ASSERT_EQ(m_oXFile.LoadAnimationSequences("swim.x", "", oSequences), OK);
    EXPECT_TRUE(log.Contains("*** QIRN_XFILE::LoadAnimationSequences(): Loading swim.x.\n"));
    EXPECT_TRUE(log.Contains("*** QIRN_XFILE::LoadAnimationSequences(): Load successful.\n"));
    ASSERT_EQ(oSequences.size(), 2u);
    EXPECT_EQ(oSequences.front()->GetKeyKind(), QIRN_ANIMKEY_SCALE);
    QIRN_AnimationSequenceList oTail;
    ASSERT_EQ(m_oXFile.LoadAnimationSequences("swim.x", "Tail", oTail), OK);
    ASSERT_EQ(oTail.size(), 1u);
    for (QIRN_AnimationSequence* p : oSequences)
    {
        delete p;
    }
    for (QIRN_AnimationSequence* p : oTail)
    {
        delete p;
    }
    EXPECT_EQ(m_oXFile.LoadAnimationSequences("absent.x", "", oTail), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_XFILE::LoadAnimationSequences() - QIRN_FindFile() FAILED\n"));
}

TEST_F(XFileTest, ABinaryFileReadsLikeItsText)
{
    qirn_test::XFileWriter oWriter;
    oWriter.Open("Frame", "Root");
    oWriter.Open("Mesh", "Square");
    oWriter.Integers({4});
    oWriter.Floats({0, 0, 0, 2, 0, 0, 2, 2, 0, 0, 2, 0});
    oWriter.Integers({1, 4, 0, 1, 2, 3});
    oWriter.Open("MeshNormals", "");
    oWriter.Integers({4});
    oWriter.Floats({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1});
    oWriter.Integers({1, 4, 0, 1, 2, 3});
    oWriter.Close();
    oWriter.Close();
    oWriter.Close();
    qirn_test::WriteFile("binary.x", oWriter.Text());
    m_oXFile.m_poGeometry = &m_oData;
    qirn_test::LogCapture log;
    ASSERT_EQ(m_oXFile.Load("binary.x"), OK) << log.All();
    QIRN_MeshData* poMesh = Mesh("binary.Square");
    ASSERT_NE(poMesh, nullptr);
    EXPECT_EQ(poMesh->m_pOwnerFrame, m_oData.GetSkeleton()->GetRoot());
    EXPECT_EQ(Indices(poMesh->m_oPolygonGroups.front()), (std::vector<int32_t>{0, 2, 1, 0, 3, 2}));
    EXPECT_FLOAT_EQ(poMesh->GetVertex(2)->m_vPosition.y, 2.0f);
    EXPECT_FLOAT_EQ(poMesh->GetVertex(2)->m_vNormal.z, 1.0f);
    EXPECT_FALSE(log.Contains("has no normals"));
}

// DirectX File keeps object names in fields of 64 bytes and writes past them, and reads binary
// tokens past the end of a cut file: such files are refused before it sees them.
TEST_F(XFileTest, FilesDirectXFileCannotReadSafelyAreRefused)
{
    auto Named = [](const std::string& szName)
    {
        qirn_test::XFileWriter oWriter;
        oWriter.Open("Frame", szName);
        oWriter.Close();
        return oWriter.Text();
    };
    std::string szCutList = Named("Root");
    szCutList.resize(szCutList.size() - 2);
    szCutList += std::string("\x07\x00\xFF\xFF\xFF\x7F", 6);
    struct Case
    {
        const char* szName;
        std::string szBytes;
        QIRN_ErrorCode eResult;
    } aCases[] = {
        {"a 63-character text name", "xof 0302txt 0032\nFrame " + std::string(63, 'P') + " { }\n", OK},
        {"a 64-character text name", "xof 0302txt 0032\nFrame " + std::string(64, 'P') + " { }\n", GENERICERROR},
        {"a long word in a comment", "xof 0302txt 0032\n# " + std::string(300, 'P') + "\nFrame A { }\n", OK},
        {"a 260-character string", "xof 0302txt 0032\nTextureFilename T { \"" + std::string(260, 't') + "\"; }\n", OK},
        {"a 261-character string", "xof 0302txt 0032\nTextureFilename T { \"" + std::string(261, 't') + "\"; }\n",
         GENERICERROR},
        {"a 63-character binary name", Named(std::string(63, 'P')), OK},
        {"a 64-character binary name", Named(std::string(64, 'P')), GENERICERROR},
        {"a binary list past the end", szCutList, GENERICERROR},
        {"an unknown binary token", Named("Root") + std::string("\x55\x55", 2), GENERICERROR},

    };
    for (const Case& c : aCases)
    {
        qirn_test::WriteFile("model.x", c.szBytes);
        QIRN_GeometryData oData;
        m_oXFile.m_poGeometry = &oData;
        qirn_test::LogCapture log;
        EXPECT_EQ(m_oXFile.Load("model.x"), c.eResult) << c.szName;
        EXPECT_EQ(log.Contains("*** QIRN_XFILE::Load() - \"model.x\" holds a word longer than 63 characters, a "
                               "string longer than 260 or a token cut short\n"),
                  c.eResult != OK)
            << c.szName;
        QIRN_AnimationSequenceList oSequences;
        EXPECT_EQ(m_oXFile.LoadAnimationSequences("model.x", "", oSequences) == OK, c.eResult == OK) << c.szName;
        oData.FreeData();
    }
}

// The inputs the mutation test found, replayed: each is refused with its log line.
TEST_F(XFileTest, DamagedFilesFoundByMutationAreRefused)
{
    for (const char* szFixture : {"xtext-longname.x", "xbinary-longword.x"})
    {
        qirn_test::WriteFile("model.x", qirn_test::ReadFile(std::string(QIRN_TEST_FIXTURES) + "\\robustness\\" + szFixture));
        QIRN_GeometryData oData;
        m_oXFile.m_poGeometry = &oData;
        qirn_test::LogCapture log;
        EXPECT_EQ(m_oXFile.Load("model.x"), GENERICERROR) << szFixture;
        EXPECT_TRUE(log.Contains("*** QIRN_XFILE::Load() - \"model.x\" holds a word longer than 63 characters, a "
                                 "string longer than 260 or a token cut short\n"))
            << szFixture;
        oData.FreeData();
    }
}
