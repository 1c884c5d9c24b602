// The stand-in links beside the system's dxguid library (as the client does for its audio), and its
// functions carry the unmangled names the SDK's C declarations give them.
#include "d3dx8.h"

#include <mmsystem.h>
#include <dsound.h>

#include <gtest/gtest.h>

extern "C" HRESULT WINAPI D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer);

TEST(D3DX8Linkage, LinksWithDxguidAndAnswersItsOwnBufferIdentifier)
{
    // Takes an identifier from dxguid so that its object is linked in with the stand-in.
    EXPECT_FALSE(IsEqualGUID(IID_IDirectSound8, IID_ID3DXBuffer));

    ID3DXBuffer* pBuffer = nullptr;
    ASSERT_EQ(D3DXCreateBuffer(4, &pBuffer), D3D_OK);
    void* pSame = nullptr;
    EXPECT_EQ(pBuffer->QueryInterface(IID_ID3DXBuffer, &pSame), S_OK);
    EXPECT_EQ(pSame, pBuffer);
    if (pSame)
        static_cast<ID3DXBuffer*>(pSame)->Release();
    void* pOther = reinterpret_cast<void*>(1);
    EXPECT_EQ(pBuffer->QueryInterface(IID_IDirectSound8, &pOther), E_NOINTERFACE);
    EXPECT_EQ(pOther, nullptr);
    pBuffer->Release();
}
