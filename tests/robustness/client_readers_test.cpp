// The client's scrambled scene files and the shader assembler fed mutated copies of their files.
#include "mutation_harness.h"
#include "reader_test.h"

#include "loadingscreen.h"
#include "qirn_settings.h"
#include "qirn_shader.h"
#include "qirn_test_support.h"
#include "qirn_world.h"
#include "tolvamir_installation.h"

#include <d3d8.h>
#include <d3dx8.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using robustness::CountLoaded;
using robustness::FeedMutations;
using robustness::Reader;
using robustness::ReplayFixtures;
using robustness::Verdict;

namespace
{
std::string Installed(const char* szName)
{
    return robustness::ReadWholeFile(std::string(QIRN_SCENE_DATA) + "\\Scenes\\" + szName);
}

class ClientReadersTest : public robustness::ReaderTest
{
};

// The first token a shader's code starts with: a vertex or pixel shader version.
bool IsVersionToken(DWORD dwToken)
{
    return (dwToken & 0xFFFF0000u) == 0xFFFE0000u || (dwToken & 0xFFFF0000u) == 0xFFFF0000u;
}

const char* const VERTEX_SHADER = "; the reef's skin\n"
                                  "#include \"reef.inc\"\n"
                                  "#define SCALE c5\n"
                                  "vs.1.1\n"
                                  "def c10, 1.0, 0.5, -2.0, 0.0\n"
                                  "dp4 oPos.x, v0, c0\n"
                                  "dp4 oPos.y, v0, c1\n"
                                  "m4x4 r0, v0, c4\n"
                                  "mul r1.xyz, v3.xyz, SCALE\n"
                                  "mad oD0, r1, c10.xxxy, -c10.y\n"
                                  "mov a0.x, v1.x\n"
                                  "mov r2, c[a0.x + 12]\n"
                                  "rcp r3.w, r2.w\n"
                                  "mov oT0.xy, v7\n"
                                  "mov oFog.x, r3.w\n";

const char* const PIXEL_SHADER = "ps.1.1\n"
                                 "def c0, 1.0, 0.0, 0.0, 1.0\n"
                                 "tex t0\n"
                                 "texm3x3pad t1, t0_bx2\n"
                                 "texm3x3pad t2, t0_bx2\n"
                                 "texm3x3vspec t3, t0_bx2\n"
                                 "mul_x2 r0, t3, v0\n"
                                 "lrp r0.rgb, c0, r0, t0\n"
                                 "+mov r0.a, t0.a\n";
} // namespace

TEST_F(ClientReadersTest, ScrambledSceneFiles)
{
    Reader oReader{"scene", "w", true,
                   [&](const std::string& szFile) -> Verdict
                   {
                       const std::string szBytes = robustness::ReadWholeFile(szFile);
                       if (GetFileSizeByName(szFile) != szBytes.size())
                       {
                           return "the size of the file is not its length";
                       }
                       if (GetFileByteSum(szFile) != ComputeByteSum(szBytes))
                       {
                           return "the file's sum differs from the sum of its bytes";
                       }
                       // Unscrambled with either key, what comes out is read as the file of that kind.
                       const std::string szWorld = UnscrambleBytes(szBytes, SCENE_WORLD_KEY);
                       const std::string szShaders = UnscrambleBytes(szBytes, SCENE_SHADER_KEY);
                       qirn_test::WriteFile("plain.w", szWorld);
                       qirn_test::WriteFile("plain.s", szShaders);
                       QIRN_World oWorld(nullptr);
                       if (oWorld.InitWorld() != OK)
                       {
                           return "the world did not start";
                       }
                       oWorld.Load("plain");
                       m_oLog.Clear();
                       // The scene's world needs its models to load whole; an input counts as read
                       // when it unscrambles to a file of its kind.
                       if (szWorld.rfind("qirn_world_version2.0", 0) == 0 || szShaders.rfind("qirn_shader_version2.0", 0) == 0)
                       {
                           CountLoaded();
                       }
                       return "";
                   }};
    Run(oReader, {Installed("AmbrevoScene.w"), Installed("AmbrevoScene.s")}, 301);
}

TEST_F(ClientReadersTest, ShaderAssembler)
{
    qirn_test::WriteFile("reef.inc", "#define LIGHT c20\n");
    Reader oReader{"vsh", "vsh", false,
                   [&](const std::string& szFile) -> Verdict
                   {
                       ID3DXBuffer* pConstants = nullptr;
                       ID3DXBuffer* pCode = nullptr;
                       ID3DXBuffer* pErrors = nullptr;
                       const HRESULT hr = D3DXAssembleShaderFromFileA(szFile.c_str(), 0, &pConstants, &pCode, &pErrors);
                       Verdict szVerdict;
                       if (hr == D3D_OK)
                       {
                           CountLoaded();
                           const DWORD* pdwCode = pCode ? static_cast<const DWORD*>(pCode->GetBufferPointer()) : nullptr;
                           const size_t nTokens = pCode ? pCode->GetBufferSize() / sizeof(DWORD) : 0;
                           if (!pdwCode || nTokens < 2 || pCode->GetBufferSize() % sizeof(DWORD) != 0)
                           {
                               szVerdict = "assembled without whole code";
                           }
                           else if (!IsVersionToken(pdwCode[0]) || pdwCode[nTokens - 1] != 0x0000FFFFu)
                           {
                               szVerdict = "assembled code without its version or end token";
                           }
                       }
                       else if (hr == D3DXERR_INVALIDDATA)
                       {
                           const char* szErrors = pErrors ? static_cast<const char*>(pErrors->GetBufferPointer()) : nullptr;
                           const size_t nErrors = pErrors ? pErrors->GetBufferSize() : 0;
                           if (!szErrors || nErrors == 0 || szErrors[nErrors - 1] != '\0' || std::strlen(szErrors) == 0)
                           {
                               szVerdict = "refused without an error line";
                           }
                       }
                       for (ID3DXBuffer* pBuffer : {pConstants, pCode, pErrors})
                       {
                           if (pBuffer)
                           {
                               pBuffer->Release();
                           }
                       }
                       return szVerdict;
                   }};
    Run(oReader, {VERTEX_SHADER, PIXEL_SHADER}, 302);
}
