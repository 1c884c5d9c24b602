#include "dx8frame.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace
{
const char DX8_FRAME_MAGIC[8] = {'Q', 'D', 'X', '8', 'F', 'R', 'M', '1'};
// Bounds a damaged file cannot get past: larger than any frame of the scene by far.
const uint32_t MAX_ITEMS = 1u << 24;
const uint64_t MAX_FILE_BYTES = 1ull << 31;
// The largest texture or surface side, and volume depth, a frame may ask the replay to make: a
// damaged size must not have the device make a surface of gigabytes the file does not hold.
const uint32_t MAX_SIDE = 8192;
const uint32_t MAX_DEPTH = 512;

// D3DPRIMITIVETYPE's values.
const uint32_t POINT_LIST = 1;
const uint32_t LINE_LIST = 2;
const uint32_t LINE_STRIP = 3;
const uint32_t TRIANGLE_LIST = 4;
const uint32_t TRIANGLE_STRIP = 5;
const uint32_t TRIANGLE_FAN = 6;

struct FileCloser
{
    void operator()(FILE* pFile) const { fclose(pFile); }
};
using File = std::unique_ptr<FILE, FileCloser>;

class Writer
{
public:
    explicit Writer(FILE* pFile) : m_pFile(pFile) {}
    void Bytes(const void* pData, size_t uBytes)
    {
        m_bOk = m_bOk && (uBytes == 0 || fwrite(pData, 1, uBytes, m_pFile) == uBytes);
    }
    void U32(uint32_t u) { Bytes(&u, sizeof(u)); }
    template <typename T> void Vector(const std::vector<T>& rv)
    {
        U32(static_cast<uint32_t>(rv.size()));
        Bytes(rv.data(), rv.size() * sizeof(T));
    }
    bool Ok() const { return m_bOk; }

private:
    FILE* m_pFile;
    bool m_bOk = true;
};

// Reads from the whole file in memory; once a read runs past its end or a count is out of bounds,
// every later read fails too.
class Reader
{
public:
    explicit Reader(const std::vector<uint8_t>& rv) : m_p(rv.data()), m_uLeft(rv.size()) {}
    bool Bytes(void* pData, size_t uBytes)
    {
        if (!m_bOk || uBytes > m_uLeft)
        {
            m_bOk = false;
            return false;
        }
        if (uBytes)
        {
            memcpy(pData, m_p, uBytes);
        }
        m_p += uBytes;
        m_uLeft -= uBytes;
        return true;
    }
    uint32_t U32()
    {
        uint32_t u = 0;
        Bytes(&u, sizeof(u));
        return u;
    }
    uint32_t Count()
    {
        const uint32_t u = U32();
        m_bOk = m_bOk && u <= MAX_ITEMS;
        return m_bOk ? u : 0;
    }
    template <typename T> void Vector(std::vector<T>& rv)
    {
        const uint32_t uCount = Count();
        // A count the rest of the file cannot fill is damage, not a reason to allocate.
        if (!m_bOk || static_cast<uint64_t>(uCount) * sizeof(T) > m_uLeft)
        {
            m_bOk = false;
            return;
        }
        rv.resize(uCount);
        Bytes(rv.data(), uCount * sizeof(T));
    }
    bool Ok() const { return m_bOk; }
    bool AtEnd() const { return m_uLeft == 0; }

private:
    const uint8_t* m_p;
    size_t m_uLeft;
    bool m_bOk = true;
};

void WriteCommands(Writer& ro, const std::vector<Dx8Command>& rvo)
{
    ro.U32(static_cast<uint32_t>(rvo.size()));
    for (const Dx8Command& roCommand : rvo)
    {
        ro.U32(roCommand.uOp);
        ro.Bytes(roCommand.au, sizeof(roCommand.au));
        ro.Vector(roCommand.vData);
    }
}

void ReadCommands(Reader& ro, std::vector<Dx8Command>& rvo)
{
    const uint32_t uCount = ro.Count();
    for (uint32_t i = 0; i < uCount && ro.Ok(); ++i)
    {
        Dx8Command oCommand;
        oCommand.uOp = ro.U32();
        ro.Bytes(oCommand.au, sizeof(oCommand.au));
        ro.Vector(oCommand.vData);
        rvo.push_back(std::move(oCommand));
    }
}

// Why a command cannot be replayed against the frame's resources and shaders, or empty.
std::string CheckCommand(const Dx8Frame& roFrame, const Dx8Command& ro)
{
    const size_t uResources = roFrame.m_voResources.size();
    auto Resource = [&](uint32_t uNumber, uint32_t uKindA, uint32_t uKindB)
    {
        return uNumber == 0 ||
               (uNumber <= uResources && (roFrame.m_voResources[uNumber - 1].uKind == uKindA ||
                                          roFrame.m_voResources[uNumber - 1].uKind == uKindB));
    };
    auto Shader = [&](uint32_t uNumber, bool bPixel)
    {
        return uNumber == 0 ||
               (uNumber <= roFrame.m_voShaders.size() && roFrame.m_voShaders[uNumber - 1].bPixel == bPixel);
    };
    const size_t uData = ro.vData.size();
    switch (ro.uOp)
    {
    case DX8_RENDER_STATE:
    case DX8_TEXTURE_STAGE_STATE:
    case DX8_LIGHT_ENABLE:
    case DX8_BEGIN_SCENE:
    case DX8_END_SCENE:
    case DX8_DRAW:
    case DX8_DRAW_INDEXED:
        return "";
    case DX8_TRANSFORM:
        return uData == 64 ? "" : "a transform that is not 16 floats";
    case DX8_VIEWPORT:
        return uData == 24 ? "" : "a viewport of the wrong size";
    case DX8_MATERIAL:
        return uData == 68 ? "" : "a material of the wrong size";
    case DX8_LIGHT:
        return uData == 104 ? "" : "a light of the wrong size";
    case DX8_CLIP_PLANE:
        return uData == 16 ? "" : "a clip plane that is not 4 floats";
    case DX8_SET_TEXTURE:
    {
        const uint32_t u = ro.au[1];
        const bool bTexture =
            u == 0 || (u <= uResources && roFrame.m_voResources[u - 1].uKind >= DX8_TEXTURE &&
                       roFrame.m_voResources[u - 1].uKind <= DX8_VOLUME_TEXTURE);
        return bTexture ? "" : "a texture that is not one";
    }
    case DX8_VERTEX_SHADER:
        return Shader(ro.au[0], false) ? "" : "an unknown vertex shader";
    case DX8_PIXEL_SHADER:
        return Shader(ro.au[0], true) ? "" : "an unknown pixel shader";
    case DX8_VS_CONSTANT:
    case DX8_PS_CONSTANT:
        return ro.au[1] <= 256 && uData == 16ull * ro.au[1] ? "" : "constants of the wrong size";
    case DX8_STREAM:
        return ro.au[0] < 16 && Resource(ro.au[1], DX8_VERTEX_BUFFER, DX8_VERTEX_BUFFER)
                   ? ""
                   : "an unknown stream";
    case DX8_INDICES:
        return Resource(ro.au[0], DX8_INDEX_BUFFER, DX8_INDEX_BUFFER) ? "" : "an unknown index buffer";
    case DX8_SET_RENDER_TARGET:
    {
        const uint32_t uColour = ro.au[0];
        const bool bColour = uColour != 0 && uColour <= uResources &&
                             (roFrame.m_voResources[uColour - 1].uKind == DX8_BACK_BUFFER ||
                              roFrame.m_voResources[uColour - 1].uKind == DX8_TEXTURE_LEVEL ||
                              roFrame.m_voResources[uColour - 1].uKind == DX8_RENDER_TARGET);
        return bColour && Resource(ro.au[1], DX8_AUTO_DEPTH, DX8_DEPTH_SURFACE) ? ""
                                                                                : "an unknown render target";
    }
    case DX8_CLEAR:
        return uData % 16 == 0 && uData / 16 == ro.au[4] ? "" : "clear rectangles of the wrong size";
    case DX8_DRAW_UP:
    {
        const uint64_t uVertices = Dx8VertexCount(ro.au[0], ro.au[1]);
        return uVertices > 0 && ro.au[2] > 0 && uData == uVertices * ro.au[2]
                   ? ""
                   : "drawn vertices of the wrong size";
    }
    case DX8_DRAW_INDEXED_UP:
    {
        const uint64_t uIndices = Dx8VertexCount(ro.au[0], ro.au[3]);
        const uint64_t uIndexBytes = ro.au[4] == 101 ? 2 : ro.au[4] == 102 ? 4 : 0;
        const uint64_t uVertexBytes = (static_cast<uint64_t>(ro.au[1]) + ro.au[2]) * ro.au[5];
        return uIndices > 0 && uIndexBytes > 0 && ro.au[5] > 0 &&
                       uData == uIndices * uIndexBytes + uVertexBytes
                   ? ""
                   : "drawn indices and vertices of the wrong size";
    }
    default:
        return "an unknown call " + std::to_string(ro.uOp);
    }
}

std::string CheckResource(const Dx8Frame& roFrame, size_t uIndex)
{
    const Dx8Resource& ro = roFrame.m_voResources[uIndex];
    // A buffer's width is its size in bytes, which its bytes in the file bound.
    const bool bBuffer = ro.uKind == DX8_VERTEX_BUFFER || ro.uKind == DX8_INDEX_BUFFER;
    if (!bBuffer && (ro.uWidth > MAX_SIDE || ro.uHeight > MAX_SIDE || ro.uDepth > MAX_DEPTH))
    {
        return "larger than " + std::to_string(MAX_SIDE) + " texels a side";
    }
    switch (ro.uKind)
    {
    case DX8_TEXTURE:
    case DX8_VOLUME_TEXTURE:
        return ro.uLevels > 0 && ro.uLevels <= 16 && ro.voLevels.size() == ro.uLevels ? ""
                                                                                      : "a texture's levels";
    case DX8_CUBE_TEXTURE:
        return ro.uLevels > 0 && ro.uLevels <= 16 && ro.voLevels.size() == 6u * ro.uLevels
                   ? ""
                   : "a cube's levels";
    case DX8_VERTEX_BUFFER:
    case DX8_INDEX_BUFFER:
        return ro.vBytes.empty() ? "an empty buffer" : "";
    case DX8_BACK_BUFFER:
    case DX8_AUTO_DEPTH:
    case DX8_DEPTH_SURFACE:
    case DX8_RENDER_TARGET:
        return "";
    case DX8_TEXTURE_LEVEL:
    {
        // A level names a texture listed before it.
        const bool bParent = ro.uParent > 0 && ro.uParent <= uIndex &&
                             roFrame.m_voResources[ro.uParent - 1].uKind == DX8_TEXTURE &&
                             ro.uLevel < roFrame.m_voResources[ro.uParent - 1].uLevels;
        return bParent ? "" : "a level of no texture";
    }
    default:
        return "an unknown resource kind";
    }
}
} // namespace

uint64_t Dx8VertexCount(uint32_t uPrimitiveType, uint64_t uPrimitives)
{
    switch (uPrimitiveType)
    {
    case POINT_LIST:
        return uPrimitives;
    case LINE_LIST:
        return 2 * uPrimitives;
    case LINE_STRIP:
        return uPrimitives ? uPrimitives + 1 : 0;
    case TRIANGLE_LIST:
        return 3 * uPrimitives;
    case TRIANGLE_STRIP:
    case TRIANGLE_FAN:
        return uPrimitives ? uPrimitives + 2 : 0;
    default:
        return 0;
    }
}

uint32_t Dx8Frame::CountDraws() const
{
    uint32_t uDraws = 0;
    for (const Dx8Command& ro : m_voCommands)
    {
        uDraws += ro.uOp >= DX8_DRAW && ro.uOp <= DX8_DRAW_INDEXED_UP ? 1 : 0;
    }
    return uDraws;
}

uint64_t Dx8Frame::CountTriangles() const
{
    uint64_t uTriangles = 0;
    for (const Dx8Command& ro : m_voCommands)
    {
        // The primitive count sits in a different place for each kind of draw.
        uint32_t uPrimitives = 0;
        if (ro.uOp == DX8_DRAW || ro.uOp == DX8_DRAW_UP)
            uPrimitives = ro.au[ro.uOp == DX8_DRAW ? 2 : 1];
        else if (ro.uOp == DX8_DRAW_INDEXED)
            uPrimitives = ro.au[4];
        else if (ro.uOp == DX8_DRAW_INDEXED_UP)
            uPrimitives = ro.au[3];
        const uint32_t uType = ro.au[0];
        if (uType == TRIANGLE_LIST || uType == TRIANGLE_STRIP || uType == TRIANGLE_FAN)
        {
            uTriangles += uPrimitives;
        }
    }
    return uTriangles;
}

bool Dx8Frame::Save(const std::string& strPath, std::string& rstrError) const
{
    File oFile(fopen(strPath.c_str(), "wb"));
    if (!oFile)
    {
        rstrError = "cannot write \"" + strPath + "\"";
        return false;
    }
    Writer o(oFile.get());
    o.Bytes(DX8_FRAME_MAGIC, sizeof(DX8_FRAME_MAGIC));
    for (uint32_t u : {m_uWidth, m_uHeight, m_uBackBufferFormat, m_uDepthFormat, m_uAutoDepth, m_uSwapEffect,
                       m_uPresentFlags, m_uPresentInterval, m_uBehaviour})
    {
        o.U32(u);
    }
    o.U32(static_cast<uint32_t>(m_voResources.size()));
    for (const Dx8Resource& ro : m_voResources)
    {
        for (uint32_t u : {ro.uKind, ro.uFormat, ro.uUsage, ro.uPool, ro.uWidth, ro.uHeight, ro.uDepth,
                           ro.uLevels, ro.uFvf, ro.uParent, ro.uLevel})
        {
            o.U32(u);
        }
        o.U32(static_cast<uint32_t>(ro.voLevels.size()));
        for (const Dx8Level& roLevel : ro.voLevels)
        {
            o.U32(roLevel.uPitch);
            o.U32(roLevel.uSlicePitch);
            o.Vector(roLevel.vBytes);
        }
        o.Vector(ro.vBytes);
    }
    o.U32(static_cast<uint32_t>(m_voShaders.size()));
    for (const Dx8Shader& ro : m_voShaders)
    {
        o.U32(ro.bPixel ? 1 : 0);
        o.U32(ro.uUsage);
        o.Vector(ro.vDeclaration);
        o.Vector(ro.vFunction);
    }
    WriteCommands(o, m_voInitial);
    WriteCommands(o, m_voCommands);
    if (!o.Ok() || fflush(oFile.get()) != 0)
    {
        rstrError = "cannot write all of \"" + strPath + "\"";
        return false;
    }
    return true;
}

bool Dx8Frame::Load(const std::string& strPath, std::string& rstrError)
{
    *this = Dx8Frame();
    File oFile(fopen(strPath.c_str(), "rb"));
    if (!oFile)
    {
        rstrError = "cannot read \"" + strPath + "\"";
        return false;
    }
    std::vector<uint8_t> vFile;
    if (fseek(oFile.get(), 0, SEEK_END) == 0)
    {
        const long iSize = ftell(oFile.get());
        if (iSize > 0 && static_cast<uint64_t>(iSize) < MAX_FILE_BYTES &&
            fseek(oFile.get(), 0, SEEK_SET) == 0)
        {
            vFile.resize(static_cast<size_t>(iSize));
            if (fread(vFile.data(), 1, vFile.size(), oFile.get()) != vFile.size())
            {
                vFile.clear();
            }
        }
    }
    Reader o(vFile);
    char acMagic[sizeof(DX8_FRAME_MAGIC)] = {};
    if (!o.Bytes(acMagic, sizeof(acMagic)) || memcmp(acMagic, DX8_FRAME_MAGIC, sizeof(acMagic)) != 0)
    {
        rstrError = "\"" + strPath + "\" is not a dumped Direct3D 8 frame";
        return false;
    }
    for (uint32_t* pu : {&m_uWidth, &m_uHeight, &m_uBackBufferFormat, &m_uDepthFormat, &m_uAutoDepth,
                         &m_uSwapEffect, &m_uPresentFlags, &m_uPresentInterval, &m_uBehaviour})
    {
        *pu = o.U32();
    }
    const uint32_t uResources = o.Count();
    for (uint32_t i = 0; i < uResources && o.Ok(); ++i)
    {
        Dx8Resource ro;
        for (uint32_t* pu : {&ro.uKind, &ro.uFormat, &ro.uUsage, &ro.uPool, &ro.uWidth, &ro.uHeight,
                             &ro.uDepth, &ro.uLevels, &ro.uFvf, &ro.uParent, &ro.uLevel})
        {
            *pu = o.U32();
        }
        const uint32_t uLevels = o.Count();
        for (uint32_t j = 0; j < uLevels && o.Ok(); ++j)
        {
            Dx8Level oLevel;
            oLevel.uPitch = o.U32();
            oLevel.uSlicePitch = o.U32();
            o.Vector(oLevel.vBytes);
            ro.voLevels.push_back(std::move(oLevel));
        }
        o.Vector(ro.vBytes);
        m_voResources.push_back(std::move(ro));
    }
    const uint32_t uShaders = o.Count();
    for (uint32_t i = 0; i < uShaders && o.Ok(); ++i)
    {
        Dx8Shader ro;
        ro.bPixel = o.U32() != 0;
        ro.uUsage = o.U32();
        o.Vector(ro.vDeclaration);
        o.Vector(ro.vFunction);
        m_voShaders.push_back(std::move(ro));
    }
    ReadCommands(o, m_voInitial);
    ReadCommands(o, m_voCommands);
    if (!o.Ok() || !o.AtEnd())
    {
        rstrError = "\"" + strPath + "\" is damaged: it ends early or runs on past its last call";
        return false;
    }
    if (m_uWidth == 0 || m_uHeight == 0 || m_uWidth > 16384 || m_uHeight > 16384)
    {
        rstrError = "\"" + strPath + "\" holds a frame of no size";
        return false;
    }
    for (size_t i = 0; i < m_voResources.size(); ++i)
    {
        const std::string strWhy = CheckResource(*this, i);
        if (!strWhy.empty())
        {
            rstrError = "\"" + strPath + "\" is damaged: resource " + std::to_string(i + 1) + " is " + strWhy;
            return false;
        }
    }
    for (const std::vector<Dx8Command>* pv : {&m_voInitial, &m_voCommands})
    {
        for (size_t i = 0; i < pv->size(); ++i)
        {
            const std::string strWhy = CheckCommand(*this, (*pv)[i]);
            if (!strWhy.empty())
            {
                rstrError = "\"" + strPath + "\" is damaged: call " + std::to_string(i + 1) + " is " + strWhy;
                return false;
            }
        }
    }
    return true;
}
