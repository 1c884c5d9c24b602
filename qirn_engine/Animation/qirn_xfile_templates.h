#pragma once
// The standard DirectX .x templates as one text template block, and the template GUIDs that
// loaders compare with IDirectXFileData::GetType. Every .x reader of the engine registers this
// block, so text files without template declarations parse the same everywhere.

#include <windows.h>

#include <dxfile.h>

#include <string>

extern const GUID QIRN_TID_HEADER;
extern const GUID QIRN_TID_VECTOR;
extern const GUID QIRN_TID_COORDS2D;
extern const GUID QIRN_TID_MATRIX4X4;
extern const GUID QIRN_TID_COLORRGBA;
extern const GUID QIRN_TID_COLORRGB;
extern const GUID QIRN_TID_INDEXEDCOLOR;
extern const GUID QIRN_TID_BOOLEAN;
extern const GUID QIRN_TID_BOOLEAN2D;
extern const GUID QIRN_TID_MATERIALWRAP;
extern const GUID QIRN_TID_TEXTUREFILENAME;
extern const GUID QIRN_TID_MATERIAL;
extern const GUID QIRN_TID_MESHFACE;
extern const GUID QIRN_TID_MESHFACEWRAPS;
extern const GUID QIRN_TID_MESHTEXTURECOORDS;
extern const GUID QIRN_TID_MESHTEXTURECOORDS3D;
extern const GUID QIRN_TID_MESHMATERIALLIST;
extern const GUID QIRN_TID_MESHNORMALS;
extern const GUID QIRN_TID_MESHVERTEXCOLORS;
extern const GUID QIRN_TID_MESH;
extern const GUID QIRN_TID_FRAMETRANSFORMMATRIX;
extern const GUID QIRN_TID_FRAME;
extern const GUID QIRN_TID_FLOATKEYS;
extern const GUID QIRN_TID_TIMEDFLOATKEYS;
extern const GUID QIRN_TID_ANIMATIONKEY;
extern const GUID QIRN_TID_ANIMATIONOPTIONS;
extern const GUID QIRN_TID_ANIMATION;
extern const GUID QIRN_TID_ANIMATIONSET;
extern const GUID QIRN_TID_INLINEDATA;
extern const GUID QIRN_TID_URL;
extern const GUID QIRN_TID_PROGRESSIVEMESH;
extern const GUID QIRN_TID_GUID;
extern const GUID QIRN_TID_STRINGPROPERTY;
extern const GUID QIRN_TID_PROPERTYBAG;
extern const GUID QIRN_TID_EXTERNALVISUAL;
extern const GUID QIRN_TID_RIGHTHANDED;
extern const GUID QIRN_TID_XSKINMESHHEADER;
extern const GUID QIRN_TID_SKINWEIGHTS;
extern const GUID QIRN_TID_VERTEXDUPLICATIONINDICES;
extern const GUID QIRN_TID_FACEADJACENCY;
extern const GUID QIRN_TID_FVFDATA;
extern const GUID QIRN_TID_ANIMTICKSPERSECOND;
extern const GUID QIRN_TID_VERTEXELEMENT;
extern const GUID QIRN_TID_DECLDATA;

// The AnimationKey keyType values of the .x format.
const DWORD QIRN_XFILE_KEY_ROTATION = 0;
const DWORD QIRN_XFILE_KEY_SCALE = 1;
const DWORD QIRN_XFILE_KEY_POSITION = 2;
const DWORD QIRN_XFILE_KEY_MATRIX = 3;
const DWORD QIRN_XFILE_KEY_MATRIX_ALT = 4;

// One standard template: its name, its GUID and its member declarations as .x text.
struct QIRN_XFileTemplate
{
    const char* szName;
    const GUID* pGuid;
    const char* szMembers;
};

// Every template of the block, in declaration order (a template only uses earlier ones).
const QIRN_XFileTemplate* QIRN_GetXFileTemplateTable(size_t* pnCount);

// The whole block as a text .x file ("xof 0302txt 0032" and the template declarations).
const std::string& QIRN_GetXFileTemplates();

// Registers the block with a DirectX File object; the HRESULT of RegisterTemplates.
HRESULT QIRN_RegisterXFileTemplates(IDirectXFile* poDXFile);

// Whether a .x file may be handed to DirectX File: in a text or binary file (any other header is
// left to DirectX File, which refuses what it cannot read), no name or word is
// longer than QIRN_XFILE_MAX_WORD characters (DirectX File keeps object names in fixed fields of
// 64 bytes and writes past them) and no string longer than QIRN_XFILE_MAX_STRING; in binary files
// every token is known and its data lies inside the file; the file declares at most
// QIRN_XFILE_MAX_FILE_TEMPLATES templates of its own (DirectX File keeps the templates of an object
// in a table of fixed size beside the engine's, and writes past it). Logs the reason as
// "*** <szCaller>() - ..." when it answers false. *pnTemplates, when given, takes the number of
// templates the file declares, or QIRN_XFILE_TEMPLATES_UNKNOWN for a file left to DirectX File
// (a compressed one may declare any number).
const size_t QIRN_XFILE_MAX_WORD = 63;
const size_t QIRN_XFILE_MAX_STRING = 260;
const size_t QIRN_XFILE_MAX_FILE_TEMPLATES = 64;
const size_t QIRN_XFILE_TEMPLATES_UNKNOWN = static_cast<size_t>(-1);
bool QIRN_IsXFileReadable(const std::string& szPath, const char* szCaller, size_t* pnTemplates = nullptr);

// The template name a GUID belongs to, or NULL; for log lines.
const char* QIRN_GetXFileTemplateName(const GUID& guid);

// The name of a DirectX File result (DXFILE_OK, DXFILEERR_...), for log lines.
const char* QIRN_GetXFileResultName(HRESULT hr);
// Logs "*** <szCaller>() - DirectX File refused "<file>": <result name> (0x<result>)".
void QIRN_LogXFileRefused(const char* szCaller, const std::string& szFile, HRESULT hr);

// Releases a COM interface when the holder goes out of scope; every .x reader holds its DirectX
// File objects in these.
template <class T> class QIRN_ComRef
{
public:
    QIRN_ComRef() = default;
    ~QIRN_ComRef() { Reset(); }
    QIRN_ComRef(const QIRN_ComRef&) = delete;
    QIRN_ComRef& operator=(const QIRN_ComRef&) = delete;

    void Reset()
    {
        if (m_p)
        {
            m_p->Release();
            m_p = nullptr;
        }
    }
    // For the out parameter of a COM call: drops what is held first.
    T** Out()
    {
        Reset();
        return &m_p;
    }
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }

private:
    T* m_p = nullptr;
};

// Whether a data object is of the template with the given GUID.
bool QIRN_IsXFileType(IDirectXFileData* poData, const GUID& guidType);

// Hands every top-level data object of an enumeration to visit, in file order; answers the last
// GetNextDataObject result, DXFILEERR_NOMOREOBJECTS when the whole file was read.
template <class Visit> HRESULT QIRN_ForEachXFileObject(IDirectXFileEnumObject* poEnum, Visit visit)
{
    for (;;)
    {
        QIRN_ComRef<IDirectXFileData> poData;
        HRESULT hr = poEnum->GetNextDataObject(poData.Out());
        if (FAILED(hr) || !poData.Get())
        {
            return hr;
        }
        visit(poData.Get());
    }
}
