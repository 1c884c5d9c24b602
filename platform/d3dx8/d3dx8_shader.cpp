// D3DXAssembleShader and D3DXAssembleShaderFromFile: preprocessing, assembly and the buffers handed out.

#include "d3dx8.h"
#include "d3dx8_buffer.h"
#include "shader_assembler.h"
#include "shader_preprocessor.h"

#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

namespace
{
// Every out-pointer the caller gave is cleared first, so a failure hands out nothing.
void ClearOut(LPD3DXBUFFER* ppConstants, LPD3DXBUFFER* ppCode, LPD3DXBUFFER* ppErrors)
{
    for (LPD3DXBUFFER* pp : {ppConstants, ppCode, ppErrors})
        if (pp)
            *pp = nullptr;
}

// The error text, NUL-ended, when the caller asked for it.
void HandOutErrors(const std::string& szText, LPD3DXBUFFER* ppErrors)
{
    if (ppErrors)
        *ppErrors = D3DX8Buffer::Create(szText.c_str(), szText.size() + 1);
}

HRESULT HandOut(const std::vector<DWORD>& vTokens, LPD3DXBUFFER* ppBuffer)
{
    if (!ppBuffer)
        return D3D_OK;
    *ppBuffer = D3DX8Buffer::Create(vTokens.data(), vTokens.size() * sizeof(DWORD));
    return *ppBuffer ? D3D_OK : E_OUTOFMEMORY;
}

HRESULT Assemble(const std::string& szText, const std::string& szName, DWORD dwFlags,
                 LPD3DXBUFFER* ppConstants, LPD3DXBUFFER* ppCode, LPD3DXBUFFER* ppErrors)
{
    try
    {
        d3dx8::ShaderDiagnostics diagnostics;
        std::vector<d3dx8::SourceLine> vLines;
        d3dx8::ShaderPreprocessor preprocessor(diagnostics);
        d3dx8::AssembledShader shader;
        bool bOk = preprocessor.Run(szText, szName, &vLines);
        if (bOk)
        {
            d3dx8::ShaderAssembler assembler(diagnostics, (dwFlags & D3DXASM_SKIPVALIDATION) == 0);
            bOk = assembler.Assemble(vLines, &shader);
        }
        if (!bOk)
        {
            HandOutErrors(diagnostics.Text(), ppErrors);
            return D3DXERR_INVALIDDATA;
        }
        HRESULT hr = HandOut(shader.vConstants, ppConstants);
        if (SUCCEEDED(hr))
            hr = HandOut(shader.vCode, ppCode);
        if (FAILED(hr))
        {
            for (LPD3DXBUFFER* pp : {ppConstants, ppCode})
                if (pp && *pp)
                {
                    (*pp)->Release();
                    *pp = nullptr;
                }
        }
        return hr;
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
}
} // namespace

HRESULT WINAPI D3DXAssembleShader(LPCVOID pSrcData, UINT SrcDataLen, DWORD Flags, LPD3DXBUFFER* ppConstants,
                                  LPD3DXBUFFER* ppCompiledShader, LPD3DXBUFFER* ppCompilationErrors)
{
    ClearOut(ppConstants, ppCompiledShader, ppCompilationErrors);
    if (!pSrcData)
        return D3DERR_INVALIDCALL;
    // Callers often count the terminating NUL; the text ends there.
    const char* pText = static_cast<const char*>(pSrcData);
    UINT uLength = 0;
    while (uLength < SrcDataLen && pText[uLength] != '\0')
        ++uLength;
    return Assemble(std::string(pText, uLength), std::string(), Flags, ppConstants, ppCompiledShader,
                    ppCompilationErrors);
}

HRESULT WINAPI D3DXAssembleShaderFromFileA(LPCSTR pSrcFile, DWORD Flags, LPD3DXBUFFER* ppConstants,
                                           LPD3DXBUFFER* ppCompiledShader, LPD3DXBUFFER* ppCompilationErrors)
{
    ClearOut(ppConstants, ppCompiledShader, ppCompilationErrors);
    if (!pSrcFile)
        return D3DERR_INVALIDCALL;
    std::string szText;
    {
        std::ifstream in(pSrcFile, std::ios::binary);
        if (!in)
        {
            HandOutErrors(std::string(pSrcFile) + "(0) : error: cannot open the file\n", ppCompilationErrors);
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        }
        std::ostringstream ss;
        ss << in.rdbuf();
        szText = ss.str();
    }
    const size_t uNul = szText.find('\0');
    if (uNul != std::string::npos)
        szText.resize(uNul);
    return Assemble(szText, pSrcFile, Flags, ppConstants, ppCompiledShader, ppCompilationErrors);
}

HRESULT WINAPI D3DXAssembleShaderFromFileW(LPCWSTR pSrcFile, DWORD Flags, LPD3DXBUFFER* ppConstants,
                                           LPD3DXBUFFER* ppCompiledShader, LPD3DXBUFFER* ppCompilationErrors)
{
    ClearOut(ppConstants, ppCompiledShader, ppCompilationErrors);
    if (!pSrcFile)
        return D3DERR_INVALIDCALL;
    const int iBytes = WideCharToMultiByte(CP_ACP, 0, pSrcFile, -1, nullptr, 0, nullptr, nullptr);
    if (iBytes <= 0)
        return D3DERR_INVALIDCALL;
    std::vector<char> vName(static_cast<size_t>(iBytes));
    WideCharToMultiByte(CP_ACP, 0, pSrcFile, -1, vName.data(), iBytes, nullptr, nullptr);
    return D3DXAssembleShaderFromFileA(vName.data(), Flags, ppConstants, ppCompiledShader,
                                       ppCompilationErrors);
}
