#pragma once
// The face-model library's scene: what a face-model file holds, read and checked from its text.

#include <stdint.h>

#include <string>
#include <vector>

namespace dmsdk
{
struct Texture
{
    uint32_t dwId = 0;
    int iWidth = 0;
    int iHeight = 0;
    int iFormat = 1;
    // Empty when the file gives no pixels for the texture.
    std::vector<uint32_t> vPixels;
};

struct Material
{
    uint32_t dwId = 0;
    float afData[17] = {};
};

struct Frame
{
    uint32_t dwCode = 0;
    int iParent = -1;
    float afMatrix[16] = {};
    std::vector<int> vChildren;
    std::vector<int> vMeshes;
    void* pUserData = nullptr;
};

// 52 bytes: position, three weights, four palette indices, normal, unused, u, v.
struct Vertex
{
    float afPosition[3];
    float afWeights[3];
    uint8_t abyIndices[4];
    float afNormal[3];
    uint32_t dwUnused;
    float afUV[2];
};
static_assert(sizeof(Vertex) == 52, "vertex records are 52 bytes");

struct Mesh
{
    uint32_t dwName = 0;
    int iFrame = -1;
    int iMaterial = -1;
    int iTexture = -1;
    std::vector<uint32_t> vPalette;
    std::vector<Vertex> vVertices;
    // The file's triangles; vIndices holds the first dwTriangles of them.
    std::vector<uint16_t> vFileIndices;
    std::vector<uint16_t> vIndices;
    int32_t iRequestedTriangles = -1;
};

struct PoseKey
{
    float afTranslation[3];
    float afRotation[4];
    float afScale[3];
};

struct Pose
{
    uint32_t dwCode = 0;
    std::vector<PoseKey> vKeys;
};

struct Scene
{
    std::vector<Texture> vTextures;
    std::vector<Material> vMaterials;
    std::vector<Frame> vFrames;
    std::vector<Mesh> vMeshes;
    std::vector<uint32_t> vPoseFrames;
    std::vector<Pose> vPoses;
    uint32_t dwFVF = 0;
    bool bError = false;
};

// Reads the text into the scene; answers a DMSDK_Open status and, on refusal, why in rszWhy.
int ReadScene(const std::string& szText, Scene& roScene, std::string& rszWhy);
// "SKBA" -> code with 'S' in the lowest byte; 1 to 4 printable characters, shorter ones padded
// with blanks; "-" is code 0. False for anything else.
bool ParseCode(const std::string& szToken, uint32_t* pdwCode);
} // namespace dmsdk
