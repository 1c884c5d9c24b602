#pragma once
// Surfaces and volumes that live in plain memory, so every format can be converted without a device
// that offers it. Rows carry a few bytes of padding to catch pitch mistakes.

#include <d3d8.h>

#include <vector>

namespace d3dx8_test
{
// Bytes of one 1 x 1, 2 x 1 (YUV) or 4 x 4 (DXT) block of the format, and the block size.
struct BlockSize
{
    UINT uWidth;
    UINT uHeight;
    UINT uBytes;
};
BlockSize BlockOf(D3DFORMAT eFormat);

class MemorySurface : public IDirect3DSurface8
{
public:
    MemorySurface(D3DFORMAT eFormat, UINT uWidth, UINT uHeight);
    virtual ~MemorySurface() {}

    STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) override;
    STDMETHOD_(ULONG, AddRef)() override { return ++m_uReferences; }
    STDMETHOD_(ULONG, Release)() override { return --m_uReferences; }
    STDMETHOD(GetDevice)(IDirect3DDevice8** ppDevice) override;
    STDMETHOD(SetPrivateData)(REFGUID, const void*, DWORD, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetPrivateData)(REFGUID, void*, DWORD*) override { return E_NOTIMPL; }
    STDMETHOD(FreePrivateData)(REFGUID) override { return E_NOTIMPL; }
    STDMETHOD(GetContainer)(REFIID, void**) override { return E_NOTIMPL; }
    STDMETHOD(GetDesc)(D3DSURFACE_DESC* pDesc) override;
    STDMETHOD(LockRect)(D3DLOCKED_RECT* pLocked, const RECT* pRect, DWORD dwFlags) override;
    STDMETHOD(UnlockRect)() override;

    // The bytes of row r of blocks.
    BYTE* Row(UINT r) { return m_vBytes.data() + static_cast<size_t>(r) * m_uPitch; }
    UINT Pitch() const { return m_uPitch; }
    bool Locked() const { return m_bLocked; }
    void SetLockable(bool bLockable) { m_bLockable = bLockable; }
    DWORD LastLockFlags() const { return m_dwLockFlags; }

private:
    D3DFORMAT m_eFormat;
    UINT m_uWidth;
    UINT m_uHeight;
    UINT m_uPitch;
    std::vector<BYTE> m_vBytes;
    ULONG m_uReferences = 1;
    bool m_bLocked = false;
    bool m_bLockable = true;
    DWORD m_dwLockFlags = 0;
};

class MemoryVolume : public IDirect3DVolume8
{
public:
    MemoryVolume(D3DFORMAT eFormat, UINT uWidth, UINT uHeight, UINT uDepth);
    virtual ~MemoryVolume() {}

    STDMETHOD(QueryInterface)(REFIID, void** ppvObject) override
    {
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++m_uReferences; }
    STDMETHOD_(ULONG, Release)() override { return --m_uReferences; }
    STDMETHOD(GetDevice)(IDirect3DDevice8**) override { return D3DERR_INVALIDCALL; }
    STDMETHOD(SetPrivateData)(REFGUID, const void*, DWORD, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetPrivateData)(REFGUID, void*, DWORD*) override { return E_NOTIMPL; }
    STDMETHOD(FreePrivateData)(REFGUID) override { return E_NOTIMPL; }
    STDMETHOD(GetContainer)(REFIID, void**) override { return E_NOTIMPL; }
    STDMETHOD(GetDesc)(D3DVOLUME_DESC* pDesc) override;
    STDMETHOD(LockBox)(D3DLOCKED_BOX* pLocked, const D3DBOX* pBox, DWORD dwFlags) override;
    STDMETHOD(UnlockBox)() override;

    BYTE* Row(UINT z, UINT r)
    {
        return m_vBytes.data() + static_cast<size_t>(z) * m_uSlicePitch +
               static_cast<size_t>(r) * m_uRowPitch;
    }
    bool Locked() const { return m_bLocked; }

private:
    D3DFORMAT m_eFormat;
    UINT m_uWidth;
    UINT m_uHeight;
    UINT m_uDepth;
    UINT m_uRowPitch;
    UINT m_uSlicePitch;
    std::vector<BYTE> m_vBytes;
    ULONG m_uReferences = 1;
    bool m_bLocked = false;
};
} // namespace d3dx8_test
