#include "dmsdk_scene.h"

#include "dmsdk.h"

#include <cstdio>
#include <cstring>
#include <sstream>

namespace dmsdk
{
namespace
{
const int MAX_TEXTURE_SIDE = 4096;

int FindFrame(const Scene& roScene, uint32_t dwCode)
{
    for (size_t i = 0; i < roScene.vFrames.size(); ++i)
    {
        if (roScene.vFrames[i].dwCode == dwCode)
        {
            return static_cast<int>(i);
        }
    }
    return -1;
}

template <class T> int FindById(const std::vector<T>& rvItems, uint32_t dwId)
{
    for (size_t i = 0; i < rvItems.size(); ++i)
    {
        if (rvItems[i].dwId == dwId)
        {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool ReadFloats(std::istream& roIn, float* pf, int n)
{
    for (int i = 0; i < n; ++i)
    {
        if (!(roIn >> pf[i]))
        {
            return false;
        }
    }
    return true;
}

bool ReadCode(std::istream& roIn, uint32_t* pdwCode)
{
    std::string szToken;
    return (roIn >> szToken) && ParseCode(szToken, pdwCode);
}

// Nothing but blanks may follow a record's fields.
bool AtLineEnd(std::istream& roIn)
{
    std::string szRest;
    return !(roIn >> szRest);
}

bool MakePixels(Texture& roTexture, const std::string& szPattern, uint32_t dwColor0, uint32_t dwColor1)
{
    if (szPattern == "none")
    {
        return true;
    }
    roTexture.vPixels.resize(static_cast<size_t>(roTexture.iWidth) * roTexture.iHeight);
    for (int y = 0; y < roTexture.iHeight; ++y)
    {
        for (int x = 0; x < roTexture.iWidth; ++x)
        {
            bool bSecond = false;
            if (szPattern == "checker")
            {
                bSecond = ((x / 4) + (y / 4)) % 2 != 0;
            }
            else if (szPattern == "stripes")
            {
                bSecond = (y / 4) % 2 != 0;
            }
            else if (szPattern != "solid")
            {
                return false;
            }
            roTexture.vPixels[static_cast<size_t>(y) * roTexture.iWidth + x] = bSecond ? dwColor1 : dwColor0;
        }
    }
    return true;
}

class Reader
{
public:
    Reader(Scene& roScene, std::string& rszWhy) : m_roScene(roScene), m_rszWhy(rszWhy) {}

    int Read(const std::string& szText);

private:
    bool Fail(const std::string& szWhy)
    {
        char szLine[32];
        snprintf(szLine, sizeof(szLine), "line %d: ", m_iLine);
        m_rszWhy = szLine + szWhy;
        return false;
    }
    bool ReadRecord(const std::string& szKeyword, std::istream& roIn);
    bool ReadTexture(std::istream& roIn);
    bool ReadMaterial(std::istream& roIn);
    bool ReadFrame(std::istream& roIn);
    bool ReadMesh(std::istream& roIn);
    bool ReadVertex(std::istream& roIn);
    bool ReadTriangle(std::istream& roIn);
    bool ReadPoseFrames(std::istream& roIn);
    bool ReadPose(std::istream& roIn);
    bool ReadPoseKey(std::istream& roIn);
    bool Check();

    Scene& m_roScene;
    std::string& m_rszWhy;
    int m_iLine = 0;
    bool m_bSkipped = false;
};

int Reader::Read(const std::string& szText)
{
    std::istringstream oText(szText);
    std::string szLine;
    bool bHeader = false;
    while (std::getline(oText, szLine))
    {
        ++m_iLine;
        std::istringstream oLine(szLine);
        std::string szKeyword;
        if (!(oLine >> szKeyword) || szKeyword[0] == '#')
        {
            continue;
        }
        if (!bHeader)
        {
            int iVersion = 0;
            if (szKeyword != "DMSDK" || !(oLine >> iVersion) || iVersion != 1)
            {
                m_rszWhy = "not a face-model file of version 1";
                return DMSDK_STATUS_NOT_A_MODEL;
            }
            bHeader = true;
            continue;
        }
        if (!ReadRecord(szKeyword, oLine))
        {
            return DMSDK_STATUS_BAD_CONTENT;
        }
    }
    if (!bHeader)
    {
        m_rszWhy = "not a face-model file of version 1";
        return DMSDK_STATUS_NOT_A_MODEL;
    }
    if (!Check())
    {
        return DMSDK_STATUS_BAD_CONTENT;
    }
    return m_bSkipped ? DMSDK_STATUS_OK_SKIPPED_LINES : DMSDK_STATUS_OK;
}

bool Reader::ReadRecord(const std::string& szKeyword, std::istream& roIn)
{
    bool bRead = true;
    if (szKeyword == "texture")
        bRead = ReadTexture(roIn);
    else if (szKeyword == "material")
        bRead = ReadMaterial(roIn);
    else if (szKeyword == "frame")
        bRead = ReadFrame(roIn);
    else if (szKeyword == "mesh")
        bRead = ReadMesh(roIn);
    else if (szKeyword == "v")
        bRead = ReadVertex(roIn);
    else if (szKeyword == "f")
        bRead = ReadTriangle(roIn);
    else if (szKeyword == "poseframes")
        bRead = ReadPoseFrames(roIn);
    else if (szKeyword == "pose")
        bRead = ReadPose(roIn);
    else if (szKeyword == "k")
        bRead = ReadPoseKey(roIn);
    else
    {
        // Records of a later version are passed over; the open says so.
        m_bSkipped = true;
        return true;
    }
    if (bRead && !AtLineEnd(roIn))
    {
        return Fail("unexpected text after \"" + szKeyword + "\" record");
    }
    return bRead;
}

bool Reader::ReadTexture(std::istream& roIn)
{
    Texture oTexture;
    std::string szPattern;
    uint32_t adwColors[2] = {0, 0};
    if (!(roIn >> oTexture.dwId >> oTexture.iWidth >> oTexture.iHeight >> oTexture.iFormat >> szPattern >>
          std::hex >> adwColors[0] >> adwColors[1] >> std::dec))
    {
        return Fail("texture record does not parse");
    }
    if (FindById(m_roScene.vTextures, oTexture.dwId) >= 0)
    {
        return Fail("texture id given twice");
    }
    if (oTexture.iWidth < 1 || oTexture.iHeight < 1 || oTexture.iWidth > MAX_TEXTURE_SIDE ||
        oTexture.iHeight > MAX_TEXTURE_SIDE || (oTexture.iFormat != 1 && oTexture.iFormat != 2))
    {
        return Fail("texture size or format out of range");
    }
    if (!MakePixels(oTexture, szPattern, adwColors[0], adwColors[1]))
    {
        return Fail("unknown texture pattern \"" + szPattern + "\"");
    }
    m_roScene.vTextures.push_back(oTexture);
    return true;
}

bool Reader::ReadMaterial(std::istream& roIn)
{
    Material oMaterial;
    if (!(roIn >> oMaterial.dwId) || !ReadFloats(roIn, oMaterial.afData, 17))
    {
        return Fail("material record does not parse");
    }
    if (FindById(m_roScene.vMaterials, oMaterial.dwId) >= 0)
    {
        return Fail("material id given twice");
    }
    m_roScene.vMaterials.push_back(oMaterial);
    return true;
}

bool Reader::ReadFrame(std::istream& roIn)
{
    Frame oFrame;
    std::string szParent;
    if (!ReadCode(roIn, &oFrame.dwCode) || !(roIn >> szParent) || !ReadFloats(roIn, oFrame.afMatrix, 16))
    {
        return Fail("frame record does not parse");
    }
    if (oFrame.dwCode == 0 || FindFrame(m_roScene, oFrame.dwCode) >= 0)
    {
        return Fail("frame code missing or given twice");
    }
    if (szParent == "-")
    {
        if (!m_roScene.vFrames.empty())
        {
            return Fail("a second root frame");
        }
    }
    else
    {
        uint32_t dwParent = 0;
        if (!ParseCode(szParent, &dwParent) || (oFrame.iParent = FindFrame(m_roScene, dwParent)) < 0)
        {
            return Fail("parent frame \"" + szParent + "\" is not defined before its child");
        }
    }
    if (m_roScene.vFrames.empty() && oFrame.iParent >= 0)
    {
        return Fail("the first frame must be the root");
    }
    int iIndex = static_cast<int>(m_roScene.vFrames.size());
    if (oFrame.iParent >= 0)
    {
        m_roScene.vFrames[oFrame.iParent].vChildren.push_back(iIndex);
    }
    m_roScene.vFrames.push_back(oFrame);
    return true;
}

bool Reader::ReadMesh(std::istream& roIn)
{
    Mesh oMesh;
    uint32_t dwFrame = 0;
    uint32_t dwMaterial = 0;
    std::string szTexture;
    int iPalette = 0;
    if (!ReadCode(roIn, &oMesh.dwName) || !ReadCode(roIn, &dwFrame) || !(roIn >> dwMaterial >> szTexture) ||
        !(roIn >> iPalette))
    {
        return Fail("mesh record does not parse");
    }
    if ((oMesh.iFrame = FindFrame(m_roScene, dwFrame)) < 0)
    {
        return Fail("mesh frame is not defined");
    }
    if ((oMesh.iMaterial = FindById(m_roScene.vMaterials, dwMaterial)) < 0)
    {
        return Fail("mesh material is not defined");
    }
    if (szTexture != "-")
    {
        uint32_t dwTexture = 0;
        std::istringstream oTexture(szTexture);
        if (!(oTexture >> dwTexture) || (oMesh.iTexture = FindById(m_roScene.vTextures, dwTexture)) < 0)
        {
            return Fail("mesh texture is not defined");
        }
    }
    // Palette indices are bytes.
    if (iPalette < 0 || iPalette > 256)
    {
        return Fail("palette size out of range");
    }
    for (int i = 0; i < iPalette; ++i)
    {
        uint32_t dwCode = 0;
        if (!ReadCode(roIn, &dwCode) || dwCode == 0)
        {
            return Fail("palette entry does not parse");
        }
        oMesh.vPalette.push_back(dwCode);
    }
    m_roScene.vFrames[oMesh.iFrame].vMeshes.push_back(static_cast<int>(m_roScene.vMeshes.size()));
    m_roScene.vMeshes.push_back(oMesh);
    return true;
}

bool Reader::ReadVertex(std::istream& roIn)
{
    if (m_roScene.vMeshes.empty())
    {
        return Fail("vertex before any mesh");
    }
    Mesh& roMesh = m_roScene.vMeshes.back();
    Vertex oVertex;
    memset(&oVertex, 0, sizeof(oVertex));
    int aiIndices[4] = {0, 0, 0, 0};
    if (!ReadFloats(roIn, oVertex.afPosition, 3) || !ReadFloats(roIn, oVertex.afWeights, 3) ||
        !(roIn >> aiIndices[0] >> aiIndices[1] >> aiIndices[2] >> aiIndices[3]) ||
        !ReadFloats(roIn, oVertex.afNormal, 3) || !ReadFloats(roIn, oVertex.afUV, 2))
    {
        return Fail("vertex record does not parse");
    }
    int iSlots = static_cast<int>(roMesh.vPalette.size());
    for (int k = 0; k < 4; ++k)
    {
        // A static mesh has no palette: its indices must be 0.
        if (aiIndices[k] < 0 || aiIndices[k] >= (iSlots ? iSlots : 1))
        {
            return Fail("vertex palette index outside the mesh's palette");
        }
        oVertex.abyIndices[k] = static_cast<uint8_t>(aiIndices[k]);
    }
    if (roMesh.vVertices.size() >= 0xFFFF)
    {
        return Fail("more vertices than 16-bit indices reach");
    }
    roMesh.vVertices.push_back(oVertex);
    return true;
}

bool Reader::ReadTriangle(std::istream& roIn)
{
    if (m_roScene.vMeshes.empty())
    {
        return Fail("triangle before any mesh");
    }
    Mesh& roMesh = m_roScene.vMeshes.back();
    for (int k = 0; k < 3; ++k)
    {
        long lIndex = -1;
        if (!(roIn >> lIndex))
        {
            return Fail("triangle record does not parse");
        }
        if (lIndex < 0 || static_cast<size_t>(lIndex) >= roMesh.vVertices.size())
        {
            return Fail("triangle index outside the mesh's vertices");
        }
        roMesh.vFileIndices.push_back(static_cast<uint16_t>(lIndex));
    }
    roMesh.vIndices = roMesh.vFileIndices;
    return true;
}

bool Reader::ReadPoseFrames(std::istream& roIn)
{
    int n = 0;
    if (!m_roScene.vPoseFrames.empty() || !(roIn >> n) || n < 1)
    {
        return Fail("poseframes record does not parse or is given twice");
    }
    for (int i = 0; i < n; ++i)
    {
        uint32_t dwCode = 0;
        if (!ReadCode(roIn, &dwCode) || FindFrame(m_roScene, dwCode) < 0)
        {
            return Fail("pose frame is not defined");
        }
        m_roScene.vPoseFrames.push_back(dwCode);
    }
    return true;
}

bool Reader::ReadPose(std::istream& roIn)
{
    Pose oPose;
    if (m_roScene.vPoseFrames.empty())
    {
        return Fail("pose before poseframes");
    }
    if (!ReadCode(roIn, &oPose.dwCode) || oPose.dwCode == 0)
    {
        return Fail("pose record does not parse");
    }
    uint32_t dwNeutral = 0;
    ParseCode("DEFT", &dwNeutral);
    // Every other pose is kept as a difference from the neutral one.
    if (m_roScene.vPoses.empty() != (oPose.dwCode == dwNeutral))
    {
        return Fail("\"DEFT\" must be the first pose, and only the first");
    }
    if (!m_roScene.vPoses.empty() && m_roScene.vPoses.back().vKeys.size() != m_roScene.vPoseFrames.size())
    {
        return Fail("the previous pose lacks keys");
    }
    m_roScene.vPoses.push_back(oPose);
    return true;
}

bool Reader::ReadPoseKey(std::istream& roIn)
{
    if (m_roScene.vPoses.empty() || m_roScene.vPoses.back().vKeys.size() >= m_roScene.vPoseFrames.size())
    {
        return Fail("pose key outside a pose or one too many");
    }
    PoseKey oKey;
    if (!ReadFloats(roIn, oKey.afTranslation, 3) || !ReadFloats(roIn, oKey.afRotation, 4) ||
        !ReadFloats(roIn, oKey.afScale, 3))
    {
        return Fail("pose key does not parse");
    }
    m_roScene.vPoses.back().vKeys.push_back(oKey);
    return true;
}

bool Reader::Check()
{
    if (m_roScene.vFrames.empty())
    {
        m_rszWhy = "no frames";
        return false;
    }
    if (!m_roScene.vPoses.empty() && m_roScene.vPoses.back().vKeys.size() != m_roScene.vPoseFrames.size())
    {
        m_rszWhy = "the last pose lacks keys";
        return false;
    }
    for (const Mesh& roMesh : m_roScene.vMeshes)
    {
        for (uint32_t dwCode : roMesh.vPalette)
        {
            if (FindFrame(m_roScene, dwCode) < 0)
            {
                m_rszWhy = "palette frame is not defined";
                return false;
            }
        }
    }
    return true;
}
} // namespace

bool ParseCode(const std::string& szToken, uint32_t* pdwCode)
{
    if (szToken == "-")
    {
        *pdwCode = 0;
        return true;
    }
    if (szToken.empty() || szToken.size() > 4)
    {
        return false;
    }
    uint32_t dwCode = 0;
    for (size_t i = 0; i < 4; ++i)
    {
        unsigned char c = i < szToken.size() ? static_cast<unsigned char>(szToken[i]) : ' ';
        if (i < szToken.size() && (c < 0x21 || c > 0x7E))
        {
            return false;
        }
        dwCode |= static_cast<uint32_t>(c) << (8 * i);
    }
    *pdwCode = dwCode;
    return true;
}

int ReadScene(const std::string& szText, Scene& roScene, std::string& rszWhy)
{
    Reader oReader(roScene, rszWhy);
    return oReader.Read(szText);
}
} // namespace dmsdk
