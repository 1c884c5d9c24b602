#include "d3dx8_buffer.h"

#include <cstring>
#include <new>

STDMETHODIMP D3DX8Buffer::QueryInterface(REFIID iid, LPVOID* ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_ID3DXBuffer))
    {
        AddRef();
        *ppv = static_cast<ID3DXBuffer*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) D3DX8Buffer::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_lReferences));
}

STDMETHODIMP_(ULONG) D3DX8Buffer::Release()
{
    const LONG lLeft = InterlockedDecrement(&m_lReferences);
    if (lLeft == 0)
        delete this;
    return static_cast<ULONG>(lLeft);
}

STDMETHODIMP_(LPVOID) D3DX8Buffer::GetBufferPointer()
{
    // An empty buffer still answers a valid pointer, so callers that copy 0 bytes need no test.
    return m_vBytes.empty() ? static_cast<LPVOID>(this) : m_vBytes.data();
}

STDMETHODIMP_(DWORD) D3DX8Buffer::GetBufferSize()
{
    return static_cast<DWORD>(m_vBytes.size());
}

D3DX8Buffer* D3DX8Buffer::Create(const void* pData, size_t uSize)
{
    D3DX8Buffer* pBuffer = nullptr;
    try
    {
        pBuffer = new D3DX8Buffer(static_cast<DWORD>(uSize));
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
    if (pData && uSize)
        std::memcpy(pBuffer->m_vBytes.data(), pData, uSize);
    return pBuffer;
}

HRESULT WINAPI D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer)
{
    if (!ppBuffer)
        return D3DERR_INVALIDCALL;
    *ppBuffer = D3DX8Buffer::Create(nullptr, NumBytes);
    return *ppBuffer ? D3D_OK : E_OUTOFMEMORY;
}
