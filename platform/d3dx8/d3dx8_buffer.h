#pragma once
// The ID3DXBuffer the D3DX functions hand out: a reference-counted block of bytes.

#include "d3dx8core.h"

#include <vector>

class D3DX8Buffer : public ID3DXBuffer
{
public:
    explicit D3DX8Buffer(DWORD dwSize) : m_vBytes(dwSize) {}
    virtual ~D3DX8Buffer() {}

    STDMETHOD(QueryInterface)(REFIID iid, LPVOID* ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD_(LPVOID, GetBufferPointer)() override;
    STDMETHOD_(DWORD, GetBufferSize)() override;

    // A new buffer holding a copy of the bytes; NULL when memory runs out.
    static D3DX8Buffer* Create(const void* pData, size_t uSize);

private:
    LONG m_lReferences = 1;
    std::vector<BYTE> m_vBytes;
};
