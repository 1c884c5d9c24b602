#pragma once
// A graphics implementation without a device for the world tests: every drawing call answers 0,
// and the shader-constant uploads are recorded. Installing it makes it display 0 of the
// fixture's engine.

#include "qirn_graphics.h"

#include <cstdint>
#include <vector>

namespace world_test
{
// One upload: vertex or pixel constants, the first register and the floats sent.
struct ConstantUpload
{
    bool bVertex;
    uint32_t dwStart;
    uint32_t dwCount;
    std::vector<float> vValues;
};

class RecordingGraphics : public QIRN_Graphics
{
public:
    explicit RecordingGraphics(QIRN_Engine* pEngine);
    ~RecordingGraphics() override;

    // Display 0 of every engine is this graphics implementation until it goes.
    void Install();

    QIRN_ErrorCode SetLights(QIRN_LINKEDLIST<QIRN_LightActor>*, uint32_t) override { return OK; }
    QIRN_Font* CreateFont() override { return nullptr; }
    QIRN_ErrorCode ConvertTexture(QIRN_Bitmap*, int) override { return OK; }
    QIRN_ErrorCode CreateRenderTarget(QIRN_RenderTarget*) override { return OK; }
    QIRN_ErrorCode LoadMesh(QIRN_MeshData*, int) override { return OK; }
    QIRN_ErrorCode RenderMesh(QIRN_MeshData*, int, int) override { return OK; }
    QIRN_ErrorCode SetShader(QIRN_Shader*, int, uint32_t) override { return OK; }
    QIRN_ErrorCode LoadShader(QIRN_Shader*) override { return OK; }
    QIRN_ErrorCode ReloadShader(QIRN_Shader*) override { return OK; }
    QIRN_ErrorCode RemoveShader(std::string) override { return OK; }
    QIRN_ErrorCode SetVertexShaderConstants(uint32_t dwStart, const float* pfData, uint32_t dwCount) override;
    QIRN_ErrorCode SetPixelShaderConstants(uint32_t dwStart, const float* pfData, uint32_t dwCount) override;
    QIRN_ErrorCode ValidateVertexShader(QIRN_ShaderPass*, std::string) override { return OK; }
    QIRN_ErrorCode ValidatePixelShader(std::string) override { return OK; }
    QIRN_ErrorCode ReloadVertexShader(QIRN_ShaderPass*, std::string) override { return OK; }
    QIRN_ErrorCode ReloadPixelShader(QIRN_ShaderPass*, std::string) override { return OK; }
    QIRN_ErrorCode LoadGeometry(QIRN_Geometry*) override { return OK; }
    QIRN_ErrorCode RenderGeometry(QIRN_Geometry*, QIRN_CameraActor*, int) override { return OK; }
    QIRN_ErrorCode GetNumAdapters(int* piCount) override;
    QIRN_ErrorCode GetGraphicsDeviceInfo(uint32_t, QIRN_DeviceInfo**) override { return GENERICERROR; }
    QIRN_ErrorCode SetRenderingParams(QIRN_GraphicsParams*, HWND) override { return OK; }
    bool IsValidDisplayMode(uint32_t, uint32_t, uint32_t, QIRN_PixelFormat, uint32_t) override
    {
        return true;
    }
    QIRN_ErrorCode RenderFrame(QIRN_World*, QIRN_CameraActor*, bool) override { return OK; }
    QIRN_ErrorCode PresentFrame() override { return OK; }
    QIRN_ErrorCode RenderWorld(QIRN_World*, QIRN_CameraActor*, int, bool) override { return OK; }
    QIRN_ErrorCode UpdateRenderTargets(QIRN_World*, QIRN_CameraActor*) override { return OK; }
    QIRN_ErrorCode ScreenDump(const char*) override { return OK; }
    QIRN_ErrorCode UpdateShaders(float) override { return OK; }
    QIRN_ErrorCode ReleaseResources() override { return OK; }
    QIRN_ErrorCode RenameShader(std::string, std::string) override { return OK; }

    std::vector<ConstantUpload> m_vUploads;
};
} // namespace world_test
