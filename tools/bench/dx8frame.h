#pragma once
// Dx8Frame: one frame as the Direct3D 8 renderer sent it to the device: the state the device held
// when the frame began, then every call of the frame in order (states, textures, shaders, buffers
// bound, render targets, clears and draws), with the resources it used: the textures' texels, each
// buffer's bytes as they stood at each draw that read them, and the shaders' tokens. The bench
// records it from the engine; the bare Direct3D 8 baseline creates the same resources and replays
// the calls. Both read and write it through this header only, so the baseline links no engine code.

#include <cstdint>
#include <string>
#include <vector>

// What a resource is. A buffer's bytes change over a frame: each content a draw reads is a
// resource of its own, so that the replay only binds what was drawn from.
enum Dx8ResourceKind : uint32_t
{
    DX8_TEXTURE = 1,
    DX8_CUBE_TEXTURE = 2,
    DX8_VOLUME_TEXTURE = 3,
    DX8_VERTEX_BUFFER = 4,
    DX8_INDEX_BUFFER = 5,
    // The device's own back buffer and depth buffer.
    DX8_BACK_BUFFER = 6,
    DX8_AUTO_DEPTH = 7,
    // One level of a texture of the frame (uParent, uLevel), drawn into as a render target.
    DX8_TEXTURE_LEVEL = 8,
    // A surface of its own: a depth buffer, or a render target that is not a texture's.
    DX8_DEPTH_SURFACE = 9,
    DX8_RENDER_TARGET = 10,
};

// One level (and face, for a cube) of a texture as it was locked: rows of uPitch bytes, slices of
// uSlicePitch bytes for a volume. Empty bytes: the level is drawn into, or could not be read.
struct Dx8Level
{
    uint32_t uPitch = 0;
    uint32_t uSlicePitch = 0;
    std::vector<uint8_t> vBytes;
};

struct Dx8Resource
{
    uint32_t uKind = 0;
    uint32_t uFormat = 0;
    uint32_t uUsage = 0;
    uint32_t uPool = 0;
    uint32_t uWidth = 0;
    uint32_t uHeight = 0;
    uint32_t uDepth = 0;
    uint32_t uLevels = 0;
    uint32_t uFvf = 0;
    // A texture level: the resource number of its texture and the level.
    uint32_t uParent = 0;
    uint32_t uLevel = 0;
    // Textures: uLevels entries (times six faces for a cube, face by face); buffers: vBytes.
    std::vector<Dx8Level> voLevels;
    std::vector<uint8_t> vBytes;
};

struct Dx8Shader
{
    // Vertex shaders: the declaration's tokens, the function's (empty for a fixed-function
    // declaration) and the creation usage. Pixel shaders: the function's tokens.
    bool bPixel = false;
    uint32_t uUsage = 0;
    std::vector<uint32_t> vDeclaration;
    std::vector<uint32_t> vFunction;
};

// The calls. Resource and shader numbers count from 1; 0 is none.
enum Dx8Op : uint32_t
{
    DX8_RENDER_STATE = 1,        // a state, b value
    DX8_TEXTURE_STAGE_STATE = 2, // a stage, b type, c value
    DX8_TRANSFORM = 3,           // a type, data D3DMATRIX
    DX8_VIEWPORT = 4,            // data D3DVIEWPORT8
    DX8_MATERIAL = 5,            // data D3DMATERIAL8
    DX8_LIGHT = 6,               // a index, data D3DLIGHT8
    DX8_LIGHT_ENABLE = 7,        // a index, b on
    DX8_CLIP_PLANE = 8,          // a index, data four floats
    DX8_SET_TEXTURE = 9,         // a stage, b resource
    DX8_VERTEX_SHADER = 10,      // a shader, or 0 with b the FVF code
    DX8_PIXEL_SHADER = 11,       // a shader
    DX8_VS_CONSTANT = 12,        // a register, b count, data
    DX8_PS_CONSTANT = 13,        // a register, b count, data
    DX8_STREAM = 14,             // a stream, b resource, c stride
    DX8_INDICES = 15,            // a resource, b base vertex
    DX8_SET_RENDER_TARGET = 16,  // a colour surface, b depth surface
    DX8_BEGIN_SCENE = 17,
    DX8_END_SCENE = 18,
    DX8_CLEAR = 19,           // a flags, b colour, c depth (float bits), d stencil, e rectangles,
                              // data the rectangles
    DX8_DRAW = 20,            // a type, b start vertex, c primitives
    DX8_DRAW_INDEXED = 21,    // a type, b lowest index, c vertices, d start index, e primitives
    DX8_DRAW_UP = 22,         // a type, b primitives, c stride, data vertices
    DX8_DRAW_INDEXED_UP = 23, // a type, b lowest index, c vertices, d primitives, e index format,
                              // f stride, data indices then vertices
};

struct Dx8Command
{
    uint32_t uOp = 0;
    uint32_t au[6] = {0, 0, 0, 0, 0, 0};
    std::vector<uint8_t> vData;
};

class Dx8Frame
{
public:
    uint32_t m_uWidth = 0;
    uint32_t m_uHeight = 0;
    // The device as the engine made it: its back buffer and depth formats, swap effect,
    // presentation flags and interval, and vertex processing.
    uint32_t m_uBackBufferFormat = 0;
    uint32_t m_uDepthFormat = 0;
    uint32_t m_uAutoDepth = 0;
    uint32_t m_uSwapEffect = 0;
    uint32_t m_uPresentFlags = 0;
    uint32_t m_uPresentInterval = 0;
    uint32_t m_uBehaviour = 0;
    std::vector<Dx8Resource> m_voResources;
    std::vector<Dx8Shader> m_voShaders;
    // The device's state when the frame began, then the frame's calls.
    std::vector<Dx8Command> m_voInitial;
    std::vector<Dx8Command> m_voCommands;

    uint32_t CountDraws() const;
    uint64_t CountTriangles() const;
    // False (with the reason in rstrError) when the file cannot be written or read, is not a frame
    // of this format, or names a resource or shader it does not hold.
    bool Save(const std::string& strPath, std::string& rstrError) const;
    bool Load(const std::string& strPath, std::string& rstrError);
};

// Vertices a primitive count of a type takes (0 for an unknown type).
uint64_t Dx8VertexCount(uint32_t uPrimitiveType, uint64_t uPrimitives);
