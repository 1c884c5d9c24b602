#pragma once
// A DirectInput 8 device whose buffered data and results a test sets.

#include "qirn_input_dx8.h"

#include <vector>

namespace engine_test
{
class FakeInputDevice : public IDirectInputDevice8A
{
public:
    explicit FakeInputDevice(const std::vector<DIDEVICEOBJECTDATA>& vData) { Queue(vData, DI_OK); }

    // What the next read delivers, and its result.
    void Queue(const std::vector<DIDEVICEOBJECTDATA>& vData, HRESULT hrResult)
    {
        m_vData = vData;
        m_hrResult = hrResult;
    }

    std::vector<DIDEVICEOBJECTDATA> m_vData;
    HRESULT m_hrResult = DI_OK;
    // A failure that every read answers while set.
    HRESULT m_hrRead = DI_OK;
    HRESULT m_hrAcquire = DI_OK;
    int m_iAcquires = 0;
    int m_iUnacquires = 0;
    int m_iReleases = 0;
    DWORD m_dwAskedCount = 0;
    DWORD m_dwAskedSize = 0;

    STDMETHOD_(HRESULT, QueryInterface)(REFIID, void**) override { return E_NOINTERFACE; }
    STDMETHOD_(ULONG, AddRef)() override { return 1; }
    STDMETHOD_(ULONG, Release)() override
    {
        ++m_iReleases;
        return 0;
    }
    STDMETHOD(GetCapabilities)(LPDIDEVCAPS) override { return E_NOTIMPL; }
    STDMETHOD(EnumObjects)(LPDIENUMDEVICEOBJECTSCALLBACKA, LPVOID, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetProperty)(REFGUID, LPDIPROPHEADER) override { return E_NOTIMPL; }
    STDMETHOD(SetProperty)(REFGUID, LPCDIPROPHEADER) override { return E_NOTIMPL; }
    STDMETHOD(Acquire)() override
    {
        ++m_iAcquires;
        return m_hrAcquire;
    }
    STDMETHOD(Unacquire)() override
    {
        ++m_iUnacquires;
        return DI_OK;
    }
    STDMETHOD(GetDeviceState)(DWORD, LPVOID) override { return E_NOTIMPL; }
    STDMETHOD(GetDeviceData)(DWORD cbObjectData, LPDIDEVICEOBJECTDATA rgdod, LPDWORD pdwInOut, DWORD) override
    {
        m_dwAskedSize = cbObjectData;
        m_dwAskedCount = *pdwInOut;
        if (FAILED(m_hrRead))
        {
            *pdwInOut = 0;
            return m_hrRead;
        }
        DWORD dwCount = 0;
        for (; dwCount < m_vData.size() && dwCount < m_dwAskedCount; ++dwCount)
        {
            rgdod[dwCount] = m_vData[dwCount];
        }
        *pdwInOut = dwCount;
        m_vData.clear();
        HRESULT hrResult = m_hrResult;
        m_hrResult = DI_OK;
        return hrResult;
    }
    STDMETHOD(SetDataFormat)(LPCDIDATAFORMAT) override { return E_NOTIMPL; }
    STDMETHOD(SetEventNotification)(HANDLE) override { return E_NOTIMPL; }
    STDMETHOD(SetCooperativeLevel)(HWND, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetObjectInfo)(LPDIDEVICEOBJECTINSTANCEA, DWORD, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetDeviceInfo)(LPDIDEVICEINSTANCEA) override { return E_NOTIMPL; }
    STDMETHOD(RunControlPanel)(HWND, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(Initialize)(HINSTANCE, DWORD, REFGUID) override { return E_NOTIMPL; }
    STDMETHOD(CreateEffect)(REFGUID, LPCDIEFFECT, LPDIRECTINPUTEFFECT*, LPUNKNOWN) override
    {
        return E_NOTIMPL;
    }
    STDMETHOD(EnumEffects)(LPDIENUMEFFECTSCALLBACKA, LPVOID, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetEffectInfo)(LPDIEFFECTINFOA, REFGUID) override { return E_NOTIMPL; }
    STDMETHOD(GetForceFeedbackState)(LPDWORD) override { return E_NOTIMPL; }
    STDMETHOD(SendForceFeedbackCommand)(DWORD) override { return E_NOTIMPL; }
    STDMETHOD(EnumCreatedEffectObjects)(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID, DWORD) override
    {
        return E_NOTIMPL;
    }
    STDMETHOD(Escape)(LPDIEFFESCAPE) override { return E_NOTIMPL; }
    STDMETHOD(Poll)() override { return E_NOTIMPL; }
    STDMETHOD(SendDeviceData)(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(EnumEffectsInFile)(LPCSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID, DWORD) override
    {
        return E_NOTIMPL;
    }
    STDMETHOD(WriteEffectToFile)(LPCSTR, DWORD, LPDIFILEEFFECT, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(BuildActionMap)(LPDIACTIONFORMATA, LPCSTR, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(SetActionMap)(LPDIACTIONFORMATA, LPCSTR, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetImageInfo)(LPDIDEVICEIMAGEINFOHEADERA) override { return E_NOTIMPL; }
};
} // namespace engine_test
