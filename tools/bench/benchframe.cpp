#include "benchframe.h"

#include <memory>

namespace
{
const char BENCH_FRAME_MAGIC[8] = {'Q', 'B', 'F', 'R', 'A', 'M', 'E', '1'};
// Bounds a damaged file cannot get past: larger than any frame of the scene by far.
const uint32_t MAX_ITEMS = 1u << 24;
const uint32_t MAX_TEXTURE_SIDE = 8192;

struct FileCloser
{
    void operator()(FILE* pFile) const { fclose(pFile); }
};
using File = std::unique_ptr<FILE, FileCloser>;

bool Write(FILE* pFile, const void* pData, size_t uBytes)
{
    return uBytes == 0 || fwrite(pData, 1, uBytes, pFile) == uBytes;
}

bool Read(FILE* pFile, void* pData, size_t uBytes)
{
    return uBytes == 0 || fread(pData, 1, uBytes, pFile) == uBytes;
}

// Whether the file still holds uBytes after the current position: a damaged count or size must
// not make the reader allocate more than the file could fill.
bool Holds(FILE* pFile, uint64_t uBytes)
{
    const long iHere = ftell(pFile);
    if (iHere < 0 || fseek(pFile, 0, SEEK_END) != 0)
    {
        return false;
    }
    const long iEnd = ftell(pFile);
    return fseek(pFile, iHere, SEEK_SET) == 0 && iEnd >= iHere &&
           uBytes <= static_cast<uint64_t>(iEnd - iHere);
}

bool WriteU32(FILE* pFile, uint32_t u)
{
    return Write(pFile, &u, sizeof(u));
}

bool ReadCount(FILE* pFile, uint32_t* pu)
{
    return Read(pFile, pu, sizeof(*pu)) && *pu <= MAX_ITEMS;
}

bool WriteDraw(FILE* pFile, const BenchDraw& o)
{
    const uint32_t auHead[11] = {o.uKind,
                                 o.uMask,
                                 o.uMode,
                                 o.uStates,
                                 o.uTexture,
                                 o.uBlendSrc,
                                 o.uBlendDst,
                                 o.uDepthFunc,
                                 o.uCullFace,
                                 o.uFrontFace,
                                 static_cast<uint32_t>(o.voVertices.size())};
    return Write(pFile, auHead, sizeof(auHead)) && Write(pFile, o.afClearColor, sizeof(o.afClearColor)) &&
           Write(pFile, &o.fClearDepth, sizeof(o.fClearDepth)) &&
           Write(pFile, o.afProjection, sizeof(o.afProjection)) &&
           Write(pFile, o.afModelView, sizeof(o.afModelView)) &&
           Write(pFile, o.voVertices.data(), o.voVertices.size() * sizeof(BenchVertex));
}

bool ReadDraw(FILE* pFile, BenchDraw& o)
{
    uint32_t auHead[11] = {};
    if (!Read(pFile, auHead, sizeof(auHead)) || auHead[10] > MAX_ITEMS)
    {
        return false;
    }
    o.uKind = auHead[0];
    o.uMask = auHead[1];
    o.uMode = auHead[2];
    o.uStates = auHead[3];
    o.uTexture = auHead[4];
    o.uBlendSrc = auHead[5];
    o.uBlendDst = auHead[6];
    o.uDepthFunc = auHead[7];
    o.uCullFace = auHead[8];
    o.uFrontFace = auHead[9];
    if (!Holds(pFile, static_cast<uint64_t>(auHead[10]) * sizeof(BenchVertex)))
    {
        return false;
    }
    o.voVertices.resize(auHead[10]);
    return Read(pFile, o.afClearColor, sizeof(o.afClearColor)) &&
           Read(pFile, &o.fClearDepth, sizeof(o.fClearDepth)) &&
           Read(pFile, o.afProjection, sizeof(o.afProjection)) &&
           Read(pFile, o.afModelView, sizeof(o.afModelView)) &&
           Read(pFile, o.voVertices.data(), o.voVertices.size() * sizeof(BenchVertex));
}

bool WriteTexture(FILE* pFile, const BenchTexture& o)
{
    const uint32_t auHead[6] = {o.uName,  o.uMinFilter, o.uMagFilter,
                                o.uWrapS, o.uWrapT,     static_cast<uint32_t>(o.voLevels.size())};
    if (!Write(pFile, auHead, sizeof(auHead)))
    {
        return false;
    }
    for (const BenchTextureLevel& roLevel : o.voLevels)
    {
        if (!WriteU32(pFile, roLevel.uWidth) || !WriteU32(pFile, roLevel.uHeight) ||
            !Write(pFile, roLevel.vPixels.data(), roLevel.vPixels.size()))
        {
            return false;
        }
    }
    return true;
}

bool ReadTexture(FILE* pFile, BenchTexture& o)
{
    uint32_t auHead[6] = {};
    if (!Read(pFile, auHead, sizeof(auHead)) || auHead[5] > 32)
    {
        return false;
    }
    o.uName = auHead[0];
    o.uMinFilter = auHead[1];
    o.uMagFilter = auHead[2];
    o.uWrapS = auHead[3];
    o.uWrapT = auHead[4];
    o.voLevels.resize(auHead[5]);
    for (BenchTextureLevel& roLevel : o.voLevels)
    {
        if (!Read(pFile, &roLevel.uWidth, 4) || !Read(pFile, &roLevel.uHeight, 4) ||
            roLevel.uWidth > MAX_TEXTURE_SIDE || roLevel.uHeight > MAX_TEXTURE_SIDE)
        {
            return false;
        }
        const uint64_t uBytes = static_cast<uint64_t>(roLevel.uWidth) * roLevel.uHeight * 4;
        if (!Holds(pFile, uBytes))
        {
            return false;
        }
        roLevel.vPixels.resize(static_cast<size_t>(uBytes));
        if (!Read(pFile, roLevel.vPixels.data(), roLevel.vPixels.size()))
        {
            return false;
        }
    }
    return true;
}
} // namespace

uint32_t BenchFrame::CountDraws() const
{
    uint32_t uDraws = 0;
    for (const BenchDraw& roDraw : m_voDraws)
    {
        uDraws += roDraw.uKind == 1 ? 1 : 0;
    }
    return uDraws;
}

uint64_t BenchFrame::CountTriangles() const
{
    uint64_t uTriangles = 0;
    for (const BenchDraw& roDraw : m_voDraws)
    {
        // Only triangle lists reach the frame (GL_TRIANGLES); other kinds count nothing.
        if (roDraw.uKind == 1 && roDraw.uMode == 0x0004)
        {
            uTriangles += roDraw.voVertices.size() / 3;
        }
    }
    return uTriangles;
}

bool BenchFrame::Save(const std::string& strPath, std::string& rstrError) const
{
    File oFile(fopen(strPath.c_str(), "wb"));
    if (!oFile)
    {
        rstrError = "cannot write \"" + strPath + "\"";
        return false;
    }
    bool bOk = Write(oFile.get(), BENCH_FRAME_MAGIC, sizeof(BENCH_FRAME_MAGIC)) &&
               WriteU32(oFile.get(), m_uWidth) && WriteU32(oFile.get(), m_uHeight) &&
               WriteU32(oFile.get(), static_cast<uint32_t>(m_voDraws.size())) &&
               WriteU32(oFile.get(), static_cast<uint32_t>(m_voTextures.size()));
    for (size_t i = 0; bOk && i < m_voDraws.size(); ++i)
    {
        bOk = WriteDraw(oFile.get(), m_voDraws[i]);
    }
    for (size_t i = 0; bOk && i < m_voTextures.size(); ++i)
    {
        bOk = WriteTexture(oFile.get(), m_voTextures[i]);
    }
    if (!bOk)
    {
        rstrError = "writing \"" + strPath + "\" failed";
    }
    return bOk;
}

bool BenchFrame::Load(const std::string& strPath, std::string& rstrError)
{
    File oFile(fopen(strPath.c_str(), "rb"));
    if (!oFile)
    {
        rstrError = "cannot read \"" + strPath + "\"";
        return false;
    }
    char acMagic[sizeof(BENCH_FRAME_MAGIC)] = {};
    uint32_t uDraws = 0;
    uint32_t uTextures = 0;
    if (!Read(oFile.get(), acMagic, sizeof(acMagic)) ||
        std::string(acMagic, sizeof(acMagic)) != std::string(BENCH_FRAME_MAGIC, sizeof(BENCH_FRAME_MAGIC)) ||
        !Read(oFile.get(), &m_uWidth, 4) || !Read(oFile.get(), &m_uHeight, 4) ||
        !ReadCount(oFile.get(), &uDraws) || !ReadCount(oFile.get(), &uTextures))
    {
        rstrError = "\"" + strPath + "\" is not a dumped frame";
        return false;
    }
    m_voDraws.assign(uDraws, BenchDraw());
    m_voTextures.assign(uTextures, BenchTexture());
    bool bOk = true;
    for (size_t i = 0; bOk && i < m_voDraws.size(); ++i)
    {
        bOk = ReadDraw(oFile.get(), m_voDraws[i]);
    }
    for (size_t i = 0; bOk && i < m_voTextures.size(); ++i)
    {
        bOk = ReadTexture(oFile.get(), m_voTextures[i]);
    }
    if (!bOk)
    {
        rstrError = "\"" + strPath + "\" is cut short or damaged";
    }
    return bOk;
}
