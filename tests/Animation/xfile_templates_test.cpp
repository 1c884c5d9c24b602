#include "qirn_test_support.h"
#include "qirn_xfile_templates.h"

#include <windows.h>

#include <dxfile.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace
{
// Template names of every data object below poData, depth first, as "Parent/Child".
void CollectTypes(IDirectXFileData* poData, const std::string& strPath, std::vector<std::string>& vTypes)
{
    const GUID* pType = nullptr;
    ASSERT_EQ(poData->GetType(&pType), DXFILE_OK);
    const char* szName = QIRN_GetXFileTemplateName(*pType);
    std::string strHere = strPath + (szName ? szName : "?");
    vTypes.push_back(strHere);
    IDirectXFileObject* poChild = nullptr;
    while (SUCCEEDED(poData->GetNextObject(&poChild)) && poChild)
    {
        IDirectXFileData* poChildData = nullptr;
        if (SUCCEEDED(poChild->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&poChildData))))
        {
            CollectTypes(poChildData, strHere + "/", vTypes);
            poChildData->Release();
        }
        poChild->Release();
    }
}

// A skinned, textured mesh as exporters write it; the file declares two skin templates itself.
const char* const MESH_FILE =
    "xof 0302txt 0032\n"
    "template XSkinMeshHeader {\n <3CF169CE-FF7C-44ab-93C0-F78F62D172E2>\n"
    " WORD nMaxSkinWeightsPerVertex;\n WORD nMaxSkinWeightsPerFace;\n WORD nBones;\n}\n"
    "template VertexDuplicationIndices {\n <B8D65549-D7C9-4995-89CF-53A9A8B031E3>\n"
    " DWORD nIndices;\n DWORD nOriginalVertices;\n array DWORD indices[nIndices];\n}\n"
    "Header { 1; 0; 1; }\n"
    "Frame Root {\n"
    "  FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }\n"
    "  Frame Bone { }\n"
    "  Mesh Tri {\n"
    "    3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;;\n"
    "    1; 3; 0,1,2;;\n"
    "    MeshNormals { 1; 0.0;0.0;1.0;; 1; 3; 0,0,0;; }\n"
    "    MeshTextureCoords { 3; 0.0;0.0;, 1.0;0.0;, 0.0;1.0;; }\n"
    "    MeshVertexColors { 1; 0; 1.0;0.5;0.25;1.0;;; }\n"
    "    MeshMaterialList { 1; 1; 0;;\n"
    "      Material { 1.0;1.0;1.0;1.0;; 8.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;;\n"
    "        TextureFilename { \"sand.tga\"; }\n"
    "      }\n"
    "    }\n"
    "    XSkinMeshHeader { 1; 1; 1; }\n"
    "    SkinWeights { \"Bone\"; 3; 0, 1, 2; 1.0, 1.0, 1.0;\n"
    "      1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }\n"
    "    VertexDuplicationIndices { 3; 3; 0, 1, 2; }\n"
    "  }\n"
    "}\n"
    "AnimationSet Idle { Animation { { Bone } AnimationOptions { 1; 0; }\n"
    "  AnimationKey { 1; 1; 0; 3; 1.0, 1.0, 1.0;;; } } }\n";
} // namespace

TEST(XFileTemplatesTest, BlockAndTable)
{
    const std::string& strBlock = QIRN_GetXFileTemplates();
    EXPECT_EQ(strBlock.compare(0, 17, "xof 0302txt 0032\n"), 0);
    size_t nCount = 0;
    const QIRN_XFileTemplate* pTable = QIRN_GetXFileTemplateTable(&nCount);
    ASSERT_GT(nCount, 30u);
    std::set<std::string> setNames;
    for (size_t i = 0; i < nCount; ++i)
    {
        EXPECT_TRUE(setNames.insert(pTable[i].szName).second) << pTable[i].szName;
        for (size_t j = 0; j < i; ++j)
        {
            EXPECT_FALSE(IsEqualGUID(*pTable[i].pGuid, *pTable[j].pGuid)) << pTable[i].szName;
        }
        EXPECT_NE(strBlock.find(std::string("template ") + pTable[i].szName + " {"), std::string::npos);
    }
    EXPECT_NE(strBlock.find("template AnimationKey {\n <10DD46A8-775B-11CF-8F52-0040333594A3>"),
              std::string::npos);
    EXPECT_STREQ(QIRN_GetXFileTemplateName(QIRN_TID_SKINWEIGHTS), "SkinWeights");
    EXPECT_EQ(QIRN_GetXFileTemplateName(GUID_NULL), nullptr);
}

// The registered block lets DirectX File read every object the geometry import handles, also
// when a file declares a template again.
TEST(XFileTemplatesTest, RealReaderKnowsEveryObject)
{
    qirn_test::ScopedTempDir oDir;
    qirn_test::WriteFile("mesh.x", MESH_FILE);
    IDirectXFile* poDXFile = nullptr;
    ASSERT_EQ(DirectXFileCreate(&poDXFile), DXFILE_OK);
    EXPECT_EQ(QIRN_RegisterXFileTemplates(nullptr), E_POINTER);
    ASSERT_EQ(QIRN_RegisterXFileTemplates(poDXFile), DXFILE_OK);
    IDirectXFileEnumObject* poEnum = nullptr;
    ASSERT_EQ(poDXFile->CreateEnumObject(const_cast<char*>("mesh.x"), DXFILELOAD_FROMFILE, &poEnum),
              DXFILE_OK);
    std::vector<std::string> vTypes;
    IDirectXFileData* poData = nullptr;
    HRESULT hr = S_OK;
    while (SUCCEEDED(hr = poEnum->GetNextDataObject(&poData)))
    {
        CollectTypes(poData, "", vTypes);
        poData->Release();
    }
    EXPECT_EQ(hr, DXFILEERR_NOMOREOBJECTS);
    poEnum->Release();
    poDXFile->Release();

    const std::vector<std::string> vExpected = {
        "Header",
        "Frame",
        "Frame/FrameTransformMatrix",
        "Frame/Frame",
        "Frame/Mesh",
        "Frame/Mesh/MeshNormals",
        "Frame/Mesh/MeshTextureCoords",
        "Frame/Mesh/MeshVertexColors",
        "Frame/Mesh/MeshMaterialList",
        "Frame/Mesh/MeshMaterialList/Material",
        "Frame/Mesh/MeshMaterialList/Material/TextureFilename",
        "Frame/Mesh/XSkinMeshHeader",
        "Frame/Mesh/SkinWeights",
        "Frame/Mesh/VertexDuplicationIndices",
        "AnimationSet",
        "AnimationSet/Animation",
        "AnimationSet/Animation/AnimationOptions",
        "AnimationSet/Animation/AnimationKey",
    };
    EXPECT_EQ(vTypes, vExpected);
}
