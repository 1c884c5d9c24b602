#pragma once
// Replaces one imported function of the program's own module by a hook, so the bench can time or
// record what the engine (linked into the program) calls in a system library, without a line in
// the engine for it.

// Writes the import's current address to *ppOriginal and the hook in its place; false when the
// program does not import that function from that library.
bool PatchImport(const char* szLibrary, const char* szFunction, void* pHook, void** ppOriginal);
