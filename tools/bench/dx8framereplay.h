#pragma once
// Dx8FrameReplay: draws a frame the Direct3D 8 renderer dumped, with a device of its own and
// nothing else: the same resources and shaders made once, then the frame's calls. The first frame
// makes every call as recorded; later frames leave out the calls that set a state to the value the
// device already holds (the frame repeats, so the device holds what the last frame left), as a
// program written for this one frame would. Used by the bare baseline program and its tests.

#include "dx8frame.h"

#include <windows.h>

#include <d3d8.h>

#include <string>
#include <vector>

class Dx8FrameReplay
{
public:
    Dx8FrameReplay() = default;
    ~Dx8FrameReplay();
    Dx8FrameReplay(const Dx8FrameReplay&) = delete;
    Dx8FrameReplay& operator=(const Dx8FrameReplay&) = delete;

    // Makes the device on the window (the frame's size and formats), the resources and the shaders,
    // and sets the state the frame began with. False with the reason in rstrError, also when a draw
    // would read past the buffers it names.
    bool Start(const Dx8Frame& roFrame, HWND hWnd, std::string& rstrError);
    // Makes the frame's calls (without presenting it); false when one of them failed.
    bool DrawFrame();
    HRESULT Present();

    IDirect3DDevice8* Device() const { return m_pDevice; }
    // The calls of a frame after the first, and of the first.
    size_t SteadyCalls() const { return m_vpSteady.size(); }
    size_t AllCalls() const { return m_poFrame ? m_poFrame->m_voCommands.size() : 0; }

private:
    bool MakeResources(std::string& rstrError);
    bool MakeShaders(std::string& rstrError);
    bool CheckDraws(std::string& rstrError) const;
    void LeaveOutRepeats();
    HRESULT Call(const Dx8Command& ro);

    const Dx8Frame* m_poFrame = nullptr;
    IDirect3D8* m_pD3D = nullptr;
    IDirect3DDevice8* m_pDevice = nullptr;
    // By resource number less one: what the device made of it (a texture, buffer or surface).
    std::vector<IUnknown*> m_vpResources;
    std::vector<DWORD> m_vdwShaders;
    std::vector<const Dx8Command*> m_vpSteady;
    bool m_bFirstDrawn = false;
};
