#pragma once
// Hand-built DirectX File objects: data the real reader cannot produce (short or inconsistent
// AnimationKey data, frame names longer than it keeps) reach the loaders through these.

#include <windows.h>

#include <dxfile.h>

#include <string>
#include <vector>

namespace qirn_test
{
class FakeXFileData final : public IDirectXFileData
{
public:
    FakeXFileData(const GUID& type, std::string name, std::vector<DWORD> data = {});

    // Takes one reference of the child.
    void AddChild(IDirectXFileObject* poChild);
    // Makes GetData report fewer bytes than the data holds.
    void SetReportedSize(DWORD dwSize) { m_dwReportedSize = dwSize; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetName(LPSTR szName, LPDWORD pdwBufLen) override;
    HRESULT STDMETHODCALLTYPE GetId(LPGUID pGuid) override;
    HRESULT STDMETHODCALLTYPE GetData(LPCSTR szMember, DWORD* pcbSize, void** ppvData) override;
    HRESULT STDMETHODCALLTYPE GetType(const GUID** ppguid) override;
    HRESULT STDMETHODCALLTYPE GetNextObject(LPDIRECTXFILEOBJECT* ppChildObj) override;
    HRESULT STDMETHODCALLTYPE AddDataObject(LPDIRECTXFILEDATA) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddDataReference(LPCSTR, const GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddBinaryObject(LPCSTR, const GUID*, LPCSTR, LPVOID, DWORD) override
    {
        return E_NOTIMPL;
    }

private:
    ~FakeXFileData();

    LONG m_lRef;
    GUID m_guidType;
    std::string m_strName;
    std::vector<DWORD> m_vData;
    DWORD m_dwReportedSize;
    std::vector<IDirectXFileObject*> m_vChildren;
    size_t m_nNextChild;
};

class FakeXFileReference final : public IDirectXFileDataReference
{
public:
    // Takes one reference of the target.
    explicit FakeXFileReference(IDirectXFileData* poTarget);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetName(LPSTR szName, LPDWORD pdwBufLen) override;
    HRESULT STDMETHODCALLTYPE GetId(LPGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Resolve(LPDIRECTXFILEDATA* ppDataObj) override;

private:
    ~FakeXFileReference();

    LONG m_lRef;
    IDirectXFileData* m_poTarget;
};

// The words of an AnimationKey: keyType, nKeys, then per key time, nValues and the values.
struct FakeKey
{
    DWORD dwTime;
    std::vector<float> vValues;
};
std::vector<DWORD> AnimationKeyData(DWORD dwKeyType, const std::vector<FakeKey>& vKeys);
} // namespace qirn_test
