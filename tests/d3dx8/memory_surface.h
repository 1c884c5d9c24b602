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

// What a memory surface and a memory volume answer alike: no interfaces, no device, no private
// data, and a lock that refuses a second lock, a part of the image, or any lock when told to.
template <class Interface> class MemoryResource : public Interface
{
public:
    STDMETHOD(QueryInterface)(REFIID, void** ppvObject) override
    {
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++m_uReferences; }
    STDMETHOD_(ULONG, Release)() override { return --m_uReferences; }
    STDMETHOD(GetDevice)(IDirect3DDevice8** ppDevice) override
    {
        *ppDevice = nullptr;
        return D3DERR_INVALIDCALL;
    }
    STDMETHOD(SetPrivateData)(REFGUID, const void*, DWORD, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetPrivateData)(REFGUID, void*, DWORD*) override { return E_NOTIMPL; }
    STDMETHOD(FreePrivateData)(REFGUID) override { return E_NOTIMPL; }
    STDMETHOD(GetContainer)(REFIID, void**) override { return E_NOTIMPL; }

    bool Locked() const { return m_bLocked; }
    void SetLockable(bool bLockable) { m_bLockable = bLockable; }
    DWORD LastLockFlags() const { return m_dwLockFlags; }

protected:
    MemoryResource(D3DFORMAT eFormat, UINT uWidth, UINT uHeight)
        : m_eFormat(eFormat), m_uWidth(uWidth), m_uHeight(uHeight)
    {
    }
    virtual ~MemoryResource() {}

    HRESULT BeginLock(bool bPart, DWORD dwFlags)
    {
        if (!m_bLockable || m_bLocked || bPart)
            return D3DERR_INVALIDCALL;
        m_bLocked = true;
        m_dwLockFlags = dwFlags;
        return D3D_OK;
    }
    HRESULT EndLock()
    {
        if (!m_bLocked)
            return D3DERR_INVALIDCALL;
        m_bLocked = false;
        return D3D_OK;
    }
    // The description fields both kinds share.
    template <class Desc> void Describe(Desc* pDesc, D3DRESOURCETYPE eType) const
    {
        *pDesc = Desc();
        pDesc->Format = m_eFormat;
        pDesc->Type = eType;
        pDesc->Pool = D3DPOOL_SYSTEMMEM;
        pDesc->Size = static_cast<UINT>(m_vBytes.size());
        pDesc->Width = m_uWidth;
        pDesc->Height = m_uHeight;
    }

    D3DFORMAT m_eFormat;
    UINT m_uWidth;
    UINT m_uHeight;
    std::vector<BYTE> m_vBytes;

private:
    ULONG m_uReferences = 1;
    bool m_bLocked = false;
    bool m_bLockable = true;
    DWORD m_dwLockFlags = 0;
};

class MemorySurface : public MemoryResource<IDirect3DSurface8>
{
public:
    MemorySurface(D3DFORMAT eFormat, UINT uWidth, UINT uHeight);

    STDMETHOD(GetDesc)(D3DSURFACE_DESC* pDesc) override;
    STDMETHOD(LockRect)(D3DLOCKED_RECT* pLocked, const RECT* pRect, DWORD dwFlags) override;
    STDMETHOD(UnlockRect)() override { return EndLock(); }

    // The bytes of row r of blocks.
    BYTE* Row(UINT r) { return m_vBytes.data() + static_cast<size_t>(r) * m_uPitch; }
    UINT Pitch() const { return m_uPitch; }

private:
    UINT m_uPitch;
};

class MemoryVolume : public MemoryResource<IDirect3DVolume8>
{
public:
    MemoryVolume(D3DFORMAT eFormat, UINT uWidth, UINT uHeight, UINT uDepth);

    STDMETHOD(GetDesc)(D3DVOLUME_DESC* pDesc) override;
    STDMETHOD(LockBox)(D3DLOCKED_BOX* pLocked, const D3DBOX* pBox, DWORD dwFlags) override;
    STDMETHOD(UnlockBox)() override { return EndLock(); }

    BYTE* Row(UINT z, UINT r)
    {
        return m_vBytes.data() + static_cast<size_t>(z) * m_uSlicePitch +
               static_cast<size_t>(r) * m_uRowPitch;
    }

private:
    UINT m_uDepth;
    UINT m_uRowPitch;
    UINT m_uSlicePitch;
};
} // namespace d3dx8_test
