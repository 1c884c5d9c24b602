#pragma once
// The Direct3D 8 textures the renderer makes from bitmaps (2D, volume and cube maps), its render
// targets and the font's glyph texture. Each is a QIRN_Bitmap, so that the font can store its
// glyph image in it, and holds one reference to its Direct3D texture.

#include "qirn_bitmap.h"
#include "qirn_errors.h"

#include <d3d8.h>

#include <cstdint>
#include <string>

class QIRN_CameraActor;
class QIRN_Graphics_DX8;
class QIRN_RenderTarget_DX8;
class QIRN_World;

// What a render target runs to draw itself before a frame.
typedef QIRN_ErrorCode (*QIRN_RTUpdateFunction)(QIRN_RenderTarget_DX8* poTarget,
                                                QIRN_Graphics_DX8* poGraphics, QIRN_World* poWorld,
                                                QIRN_CameraActor* poCamera);

class QIRN_Texture_DX8 : public QIRN_Bitmap
{
public:
    QIRN_Texture_DX8();
    ~QIRN_Texture_DX8() override;

    virtual QIRN_ErrorCode Restore(IDirect3DDevice8* pDevice);
    virtual QIRN_ErrorCode LoadFromMemory(IDirect3DDevice8* pDevice, QIRN_Bitmap* poImages,
                                          D3DFORMAT eFormat);
    // Kept for the slot order of the family; they answer 0.
    virtual QIRN_ErrorCode ReservedSlot4();
    virtual QIRN_ErrorCode ReservedSlot5(uint32_t dwArg);

    IDirect3DBaseTexture8* GetD3DTexture() const { return m_pTexture; }

    int32_t m_bRenderTarget;
    int32_t m_iFormat;
    uint32_t m_dwUsage;
    uint32_t m_dwPool;
    uint32_t m_dwResourceType;
    uint32_t m_dwLockFlags;
    IDirect3DBaseTexture8* m_pTexture;
};

class QIRN_2DTexture_DX8 : public QIRN_Texture_DX8
{
public:
    QIRN_2DTexture_DX8();

    QIRN_ErrorCode LoadFromMemory(IDirect3DDevice8* pDevice, QIRN_Bitmap* poImages,
                                  D3DFORMAT eFormat) override;
    virtual QIRN_ErrorCode Create(IDirect3DDevice8* pDevice, QIRN_Bitmap* poImages);
    virtual QIRN_ErrorCode ReservedSlot7();

    IDirect3DTexture8* m_p2DTexture; // the same object as m_pTexture
};

class QIRN_RenderTarget_DX8 : public QIRN_2DTexture_DX8
{
public:
    QIRN_RenderTarget_DX8();
    ~QIRN_RenderTarget_DX8() override;

    QIRN_ErrorCode Create(IDirect3DDevice8* pDevice, std::string strName, int32_t iWidth, int32_t iHeight,
                          int32_t iFormat, uint8_t bLockable, uint8_t bCreateZBuffer, int32_t iZBufferFormat,
                          QIRN_RTUpdateFunction pfnUpdate);
    QIRN_ErrorCode Create(IDirect3DDevice8* pDevice, QIRN_Bitmap* poImages) override;
    // Makes the target again (after its device was reset), keeping its update function.
    QIRN_ErrorCode Restore(IDirect3DDevice8* pDevice) override;
    QIRN_ErrorCode SetRT();
    static QIRN_ErrorCode SetRTBackBuffer();
    QIRN_ErrorCode Update(QIRN_Graphics_DX8* poGraphics, QIRN_World* poWorld, QIRN_CameraActor* poCamera);
    // Forgets a saved back buffer without restoring it (its device is going away).
    static void DropSavedBackBuffer();

    std::string m_strName;
    uint8_t m_bLockable;
    uint8_t m_bCreateZBuffer;
    IDirect3DSurface8* m_pZBuffer;
    int32_t m_iZBufferFormat;
    IDirect3DDevice8* m_pDevice;
    QIRN_RTUpdateFunction m_pfnUpdate;
    int32_t m_iWidth;
    int32_t m_iHeight;
};

class QIRN_3DTexture_DX8 : public QIRN_2DTexture_DX8
{
public:
    QIRN_3DTexture_DX8();

    QIRN_ErrorCode LoadFromMemory(IDirect3DDevice8* pDevice, QIRN_Bitmap* poImages,
                                  D3DFORMAT eFormat) override;
    QIRN_ErrorCode Create(IDirect3DDevice8* pDevice, QIRN_Bitmap* poImages) override;

    uint32_t m_dwNumSlices;
    IDirect3DVolumeTexture8* m_pVolumeTexture;

private:
    QIRN_ErrorCode FillLevels(IDirect3DVolumeTexture8* pTexture, QIRN_Bitmap* poImages, D3DFORMAT eFormat);
};

class QIRN_CubeTexture_DX8 : public QIRN_Texture_DX8
{
public:
    QIRN_CubeTexture_DX8();

    QIRN_ErrorCode LoadFromMemory(IDirect3DDevice8* pDevice, QIRN_Bitmap* poImages,
                                  D3DFORMAT eFormat) override;
    virtual QIRN_ErrorCode Create(IDirect3DDevice8* pDevice, QIRN_Bitmap* poImages);
    virtual QIRN_ErrorCode ReservedSlot7();

    IDirect3DCubeTexture8* m_pCubeTexture;
};

// Writes dwRows x dwColumns texels of pRGBA (3 or 4 bytes each: red, green, blue, alpha) into a
// locked surface of format iFormat; 0, or 1 when there are no texels. Formats it does not know are
// left unwritten.
QIRN_ErrorCode CopyDataToSurface(uint32_t dwRows, uint32_t dwColumns, uint8_t* pDest, int32_t iPitch,
                                 int32_t iFormat, int32_t iBytesPerTexel, const uint8_t* pRGBA);
// True for the formats CopyDataToSurface writes.
bool QIRN_CanCopyDataToFormat(int32_t iFormat);

// Writes a 32-bit surface (or the rectangle of it) as a 24-bit BMP file. 0; 1 when the surface is
// not 32-bit or cannot be read; FILEERROR when the file cannot be written (none is left behind).
QIRN_ErrorCode SaveDDSToBMPFile(IDirect3DSurface8* pSurface, const char* szFileName, const RECT* pRect);
