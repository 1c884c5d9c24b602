#include "fake_xfile.h"

#include <cstring>
#include <utility>

namespace qirn_test
{
namespace
{
// GetName as DirectX File answers it: the size with the terminator, or the text when it fits.
HRESULT CopyName(const std::string& strName, LPSTR szName, LPDWORD pdwBufLen)
{
    if (!pdwBufLen)
    {
        return DXFILEERR_BADVALUE;
    }
    DWORD dwNeeded = static_cast<DWORD>(strName.size() + 1);
    if (!szName)
    {
        *pdwBufLen = dwNeeded;
        return DXFILE_OK;
    }
    if (*pdwBufLen < dwNeeded)
    {
        return DXFILEERR_BADVALUE;
    }
    memcpy(szName, strName.c_str(), dwNeeded);
    *pdwBufLen = dwNeeded;
    return DXFILE_OK;
}
} // namespace

FakeXFileData::FakeXFileData(const GUID& type, std::string name, std::vector<DWORD> data)
    : m_lRef(1), m_guidType(type), m_strName(std::move(name)), m_vData(std::move(data)),
      m_dwReportedSize(static_cast<DWORD>(m_vData.size() * sizeof(DWORD))), m_nNextChild(0)
{
}

FakeXFileData::~FakeXFileData()
{
    for (IDirectXFileObject* poChild : m_vChildren)
    {
        poChild->Release();
    }
}

void FakeXFileData::AddChild(IDirectXFileObject* poChild)
{
    m_vChildren.push_back(poChild);
}

HRESULT FakeXFileData::QueryInterface(REFIID riid, void** ppvObject)
{
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectXFileObject) ||
        IsEqualGUID(riid, IID_IDirectXFileData))
    {
        AddRef();
        *ppvObject = static_cast<IDirectXFileData*>(this);
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

ULONG FakeXFileData::AddRef()
{
    return static_cast<ULONG>(++m_lRef);
}

ULONG FakeXFileData::Release()
{
    LONG lRef = --m_lRef;
    if (lRef == 0)
    {
        delete this;
    }
    return static_cast<ULONG>(lRef);
}

HRESULT FakeXFileData::GetName(LPSTR szName, LPDWORD pdwBufLen)
{
    return CopyName(m_strName, szName, pdwBufLen);
}

HRESULT FakeXFileData::GetId(LPGUID)
{
    return E_NOTIMPL;
}

HRESULT FakeXFileData::GetData(LPCSTR szMember, DWORD* pcbSize, void** ppvData)
{
    if (szMember || m_vData.empty())
    {
        return DXFILEERR_BADDATAREFERENCE;
    }
    *pcbSize = m_dwReportedSize;
    *ppvData = m_vData.data();
    return DXFILE_OK;
}

HRESULT FakeXFileData::GetType(const GUID** ppguid)
{
    *ppguid = &m_guidType;
    return DXFILE_OK;
}

HRESULT FakeXFileData::GetNextObject(LPDIRECTXFILEOBJECT* ppChildObj)
{
    if (m_nNextChild >= m_vChildren.size())
    {
        *ppChildObj = nullptr;
        return DXFILEERR_NOMOREOBJECTS;
    }
    *ppChildObj = m_vChildren[m_nNextChild++];
    (*ppChildObj)->AddRef();
    return DXFILE_OK;
}

FakeXFileReference::FakeXFileReference(IDirectXFileData* poTarget) : m_lRef(1), m_poTarget(poTarget) {}

FakeXFileReference::~FakeXFileReference()
{
    m_poTarget->Release();
}

HRESULT FakeXFileReference::QueryInterface(REFIID riid, void** ppvObject)
{
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectXFileObject) ||
        IsEqualGUID(riid, IID_IDirectXFileDataReference))
    {
        AddRef();
        *ppvObject = static_cast<IDirectXFileDataReference*>(this);
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

ULONG FakeXFileReference::AddRef()
{
    return static_cast<ULONG>(++m_lRef);
}

ULONG FakeXFileReference::Release()
{
    LONG lRef = --m_lRef;
    if (lRef == 0)
    {
        delete this;
    }
    return static_cast<ULONG>(lRef);
}

HRESULT FakeXFileReference::GetName(LPSTR szName, LPDWORD pdwBufLen)
{
    return m_poTarget->GetName(szName, pdwBufLen);
}

HRESULT FakeXFileReference::Resolve(LPDIRECTXFILEDATA* ppDataObj)
{
    m_poTarget->AddRef();
    *ppDataObj = m_poTarget;
    return DXFILE_OK;
}

std::vector<DWORD> AnimationKeyData(DWORD dwKeyType, const std::vector<FakeKey>& vKeys)
{
    std::vector<DWORD> vData = {dwKeyType, static_cast<DWORD>(vKeys.size())};
    for (const FakeKey& oKey : vKeys)
    {
        vData.push_back(oKey.dwTime);
        vData.push_back(static_cast<DWORD>(oKey.vValues.size()));
        for (float f : oKey.vValues)
        {
            DWORD dw = 0;
            memcpy(&dw, &f, sizeof(dw));
            vData.push_back(dw);
        }
    }
    return vData;
}
} // namespace qirn_test
