#include "importpatch.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

bool PatchImport(const char* szLibrary, const char* szFunction, void* pHook, void** ppOriginal)
{
    uint8_t* pBase = reinterpret_cast<uint8_t*>(GetModuleHandleA(nullptr));
    const IMAGE_DOS_HEADER* pDos = reinterpret_cast<const IMAGE_DOS_HEADER*>(pBase);
    const IMAGE_NT_HEADERS* pNt = reinterpret_cast<const IMAGE_NT_HEADERS*>(pBase + pDos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& roImports = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (roImports.VirtualAddress == 0)
    {
        return false;
    }
    for (const IMAGE_IMPORT_DESCRIPTOR* pDesc =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(pBase + roImports.VirtualAddress);
         pDesc->Name != 0; ++pDesc)
    {
        if (_stricmp(reinterpret_cast<const char*>(pBase + pDesc->Name), szLibrary) != 0)
        {
            continue;
        }
        // The name table may be missing in some linkers' output; the address table then holds the names.
        const DWORD dwNames = pDesc->OriginalFirstThunk ? pDesc->OriginalFirstThunk : pDesc->FirstThunk;
        const IMAGE_THUNK_DATA* pName = reinterpret_cast<const IMAGE_THUNK_DATA*>(pBase + dwNames);
        IMAGE_THUNK_DATA* pAddress = reinterpret_cast<IMAGE_THUNK_DATA*>(pBase + pDesc->FirstThunk);
        for (; pName->u1.AddressOfData != 0; ++pName, ++pAddress)
        {
            if (IMAGE_SNAP_BY_ORDINAL(pName->u1.Ordinal))
            {
                continue;
            }
            const IMAGE_IMPORT_BY_NAME* pByName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(pBase + pName->u1.AddressOfData);
            if (strcmp(reinterpret_cast<const char*>(pByName->Name), szFunction) != 0)
            {
                continue;
            }
            DWORD dwProtection = 0;
            if (!VirtualProtect(&pAddress->u1.Function, sizeof(pAddress->u1.Function), PAGE_READWRITE,
                                &dwProtection))
            {
                return false;
            }
            *ppOriginal = reinterpret_cast<void*>(pAddress->u1.Function);
            pAddress->u1.Function = reinterpret_cast<ULONG_PTR>(pHook);
            VirtualProtect(&pAddress->u1.Function, sizeof(pAddress->u1.Function), dwProtection,
                           &dwProtection);
            return true;
        }
    }
    return false;
}
