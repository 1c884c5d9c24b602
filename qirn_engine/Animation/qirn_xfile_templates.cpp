#include "qirn_xfile_templates.h"

#include "qirn_debug.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

// Values of the published .x file format; a file that declares a template itself uses these too.
const GUID QIRN_TID_HEADER = {0x3d82ab43, 0x62da, 0x11cf, {0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33}};
const GUID QIRN_TID_VECTOR = {0x3d82ab5e, 0x62da, 0x11cf, {0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33}};
const GUID QIRN_TID_COORDS2D = {0xf6f23f44, 0x7686, 0x11cf, {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3}};
const GUID QIRN_TID_MATRIX4X4 = {
    0xf6f23f45, 0x7686, 0x11cf, {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3}};
const GUID QIRN_TID_COLORRGBA = {
    0x35ff44e0, 0x6c7c, 0x11cf, {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3}};
const GUID QIRN_TID_COLORRGB = {0xd3e16e81, 0x7835, 0x11cf, {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3}};
const GUID QIRN_TID_INDEXEDCOLOR = {
    0x1630b820, 0x7842, 0x11cf, {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3}};
const GUID QIRN_TID_BOOLEAN = {0x537da6a0, 0xca37, 0x11d0, {0x94, 0x1c, 0x00, 0x80, 0xc8, 0x0c, 0xfa, 0x7b}};
const GUID QIRN_TID_BOOLEAN2D = {
    0x4885ae63, 0x78e8, 0x11cf, {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3}};
const GUID QIRN_TID_MATERIALWRAP = {
    0x4885ae60, 0x78e8, 0x11cf, {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3}};
const GUID QIRN_TID_TEXTUREFILENAME = {
    0xa42790e1, 0x7810, 0x11cf, {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3}};
const GUID QIRN_TID_MATERIAL = {0x3d82ab4d, 0x62da, 0x11cf, {0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33}};
const GUID QIRN_TID_MESHFACE = {0x3d82ab5f, 0x62da, 0x11cf, {0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33}};
const GUID QIRN_TID_MESHFACEWRAPS = {
    0xed1ec5c0, 0xc0a8, 0x11d0, {0x94, 0x1c, 0x00, 0x80, 0xc8, 0x0c, 0xfa, 0x7b}};
const GUID QIRN_TID_MESHTEXTURECOORDS = {
    0xf6f23f40, 0x7686, 0x11cf, {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3}};
const GUID QIRN_TID_MESHTEXTURECOORDS3D = {
    0xcc3ccf03, 0x492c, 0x49fc, {0x88, 0x1b, 0x0f, 0x96, 0x98, 0x17, 0xd9, 0xae}};
const GUID QIRN_TID_MESHMATERIALLIST = {
    0xf6f23f42, 0x7686, 0x11cf, {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3}};
const GUID QIRN_TID_MESHNORMALS = {
    0xf6f23f43, 0x7686, 0x11cf, {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3}};
const GUID QIRN_TID_MESHVERTEXCOLORS = {
    0x1630b821, 0x7842, 0x11cf, {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3}};
const GUID QIRN_TID_MESH = {0x3d82ab44, 0x62da, 0x11cf, {0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33}};
const GUID QIRN_TID_FRAMETRANSFORMMATRIX = {
    0xf6f23f41, 0x7686, 0x11cf, {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3}};
const GUID QIRN_TID_FRAME = {0x3d82ab46, 0x62da, 0x11cf, {0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33}};
const GUID QIRN_TID_FLOATKEYS = {
    0x10dd46a9, 0x775b, 0x11cf, {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3}};
const GUID QIRN_TID_TIMEDFLOATKEYS = {
    0xf406b180, 0x7b3b, 0x11cf, {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3}};
const GUID QIRN_TID_ANIMATIONKEY = {
    0x10dd46a8, 0x775b, 0x11cf, {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3}};
const GUID QIRN_TID_ANIMATIONOPTIONS = {
    0xe2bf56c0, 0x840f, 0x11cf, {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3}};
const GUID QIRN_TID_ANIMATION = {
    0x3d82ab4f, 0x62da, 0x11cf, {0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33}};
const GUID QIRN_TID_ANIMATIONSET = {
    0x3d82ab50, 0x62da, 0x11cf, {0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33}};
const GUID QIRN_TID_INLINEDATA = {
    0x3a23eea0, 0x94b1, 0x11d0, {0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33}};
const GUID QIRN_TID_URL = {0x3a23eea1, 0x94b1, 0x11d0, {0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33}};
const GUID QIRN_TID_PROGRESSIVEMESH = {
    0x8a63c360, 0x997d, 0x11d0, {0x94, 0x1c, 0x00, 0x80, 0xc8, 0x0c, 0xfa, 0x7b}};
const GUID QIRN_TID_GUID = {0xa42790e0, 0x7810, 0x11cf, {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3}};
const GUID QIRN_TID_STRINGPROPERTY = {
    0x7f0f21e0, 0xbfe1, 0x11d1, {0x82, 0xc0, 0x00, 0xa0, 0xc9, 0x69, 0x72, 0x71}};
const GUID QIRN_TID_PROPERTYBAG = {
    0x7f0f21e1, 0xbfe1, 0x11d1, {0x82, 0xc0, 0x00, 0xa0, 0xc9, 0x69, 0x72, 0x71}};
const GUID QIRN_TID_EXTERNALVISUAL = {
    0x98116aa0, 0xbdba, 0x11d1, {0x82, 0xc0, 0x00, 0xa0, 0xc9, 0x69, 0x72, 0x71}};
const GUID QIRN_TID_RIGHTHANDED = {
    0x7f5d5ea0, 0xd53a, 0x11d1, {0x82, 0xc0, 0x00, 0xa0, 0xc9, 0x69, 0x72, 0x71}};
const GUID QIRN_TID_XSKINMESHHEADER = {
    0x3cf169ce, 0xff7c, 0x44ab, {0x93, 0xc0, 0xf7, 0x8f, 0x62, 0xd1, 0x72, 0xe2}};
const GUID QIRN_TID_SKINWEIGHTS = {
    0x6f0d123b, 0xbad2, 0x4167, {0xa0, 0xd0, 0x80, 0x22, 0x4f, 0x25, 0xfa, 0xbb}};
const GUID QIRN_TID_VERTEXDUPLICATIONINDICES = {
    0xb8d65549, 0xd7c9, 0x4995, {0x89, 0xcf, 0x53, 0xa9, 0xa8, 0xb0, 0x31, 0xe3}};
const GUID QIRN_TID_FACEADJACENCY = {
    0xa64c844a, 0xe282, 0x4756, {0x8b, 0x80, 0x25, 0x0c, 0xde, 0x04, 0x39, 0x8c}};
const GUID QIRN_TID_FVFDATA = {0xb6e70a0e, 0x8ef9, 0x4e83, {0x94, 0xad, 0xec, 0xc8, 0xb0, 0xc0, 0x48, 0x97}};
const GUID QIRN_TID_ANIMTICKSPERSECOND = {
    0x9e415a43, 0x7ba6, 0x4a73, {0x87, 0x43, 0xb7, 0x3d, 0x47, 0xe8, 0x84, 0x76}};
const GUID QIRN_TID_VERTEXELEMENT = {
    0xf752461c, 0x1e23, 0x48f6, {0xb9, 0xf8, 0x83, 0x50, 0x85, 0x0f, 0x33, 0x6f}};
const GUID QIRN_TID_DECLDATA = {0xbf22e553, 0x292c, 0x4781, {0x9f, 0xea, 0x62, 0xbd, 0x55, 0x4b, 0xdd, 0x93}};

namespace
{
// Member lists as the format documents them; "[...]" leaves a template open to any child.
const QIRN_XFileTemplate XFILE_TEMPLATES[] = {
    {"Header", &QIRN_TID_HEADER, "WORD major; WORD minor; DWORD flags;"},
    {"Vector", &QIRN_TID_VECTOR, "FLOAT x; FLOAT y; FLOAT z;"},
    {"Coords2d", &QIRN_TID_COORDS2D, "FLOAT u; FLOAT v;"},
    {"Matrix4x4", &QIRN_TID_MATRIX4X4, "array FLOAT matrix[16];"},
    {"ColorRGBA", &QIRN_TID_COLORRGBA, "FLOAT red; FLOAT green; FLOAT blue; FLOAT alpha;"},
    {"ColorRGB", &QIRN_TID_COLORRGB, "FLOAT red; FLOAT green; FLOAT blue;"},
    {"IndexedColor", &QIRN_TID_INDEXEDCOLOR, "DWORD index; ColorRGBA indexColor;"},
    {"Boolean", &QIRN_TID_BOOLEAN, "DWORD truefalse;"},
    {"Boolean2d", &QIRN_TID_BOOLEAN2D, "Boolean u; Boolean v;"},
    {"MaterialWrap", &QIRN_TID_MATERIALWRAP, "Boolean u; Boolean v;"},
    {"TextureFilename", &QIRN_TID_TEXTUREFILENAME, "STRING filename;"},
    {"Material", &QIRN_TID_MATERIAL,
     "ColorRGBA faceColor; FLOAT power; ColorRGB specularColor; ColorRGB emissiveColor; [...]"},
    {"MeshFace", &QIRN_TID_MESHFACE,
     "DWORD nFaceVertexIndices; array DWORD faceVertexIndices[nFaceVertexIndices];"},
    {"MeshFaceWraps", &QIRN_TID_MESHFACEWRAPS,
     "DWORD nFaceWrapValues; array Boolean2d faceWrapValues[nFaceWrapValues];"},
    {"MeshTextureCoords", &QIRN_TID_MESHTEXTURECOORDS,
     "DWORD nTextureCoords; array Coords2d textureCoords[nTextureCoords];"},
    // Three coordinates per vertex (volume and cube-map textures), laid out like MeshTextureCoords.
    {"MeshTextureCoords3d", &QIRN_TID_MESHTEXTURECOORDS3D,
     "DWORD nTextureCoords; array Vector textureCoords[nTextureCoords];"},
    {"MeshMaterialList", &QIRN_TID_MESHMATERIALLIST,
     "DWORD nMaterials; DWORD nFaceIndexes; array DWORD faceIndexes[nFaceIndexes]; [Material]"},
    {"MeshNormals", &QIRN_TID_MESHNORMALS,
     "DWORD nNormals; array Vector normals[nNormals]; DWORD nFaceNormals; array MeshFace "
     "faceNormals[nFaceNormals];"},
    {"MeshVertexColors", &QIRN_TID_MESHVERTEXCOLORS,
     "DWORD nVertexColors; array IndexedColor vertexColors[nVertexColors];"},
    {"Mesh", &QIRN_TID_MESH,
     "DWORD nVertices; array Vector vertices[nVertices]; DWORD nFaces; array MeshFace faces[nFaces]; [...]"},
    {"FrameTransformMatrix", &QIRN_TID_FRAMETRANSFORMMATRIX, "Matrix4x4 frameMatrix;"},
    {"Frame", &QIRN_TID_FRAME, "[...]"},
    {"FloatKeys", &QIRN_TID_FLOATKEYS, "DWORD nValues; array FLOAT values[nValues];"},
    {"TimedFloatKeys", &QIRN_TID_TIMEDFLOATKEYS, "DWORD time; FloatKeys tfkeys;"},
    {"AnimationKey", &QIRN_TID_ANIMATIONKEY, "DWORD keyType; DWORD nKeys; array TimedFloatKeys keys[nKeys];"},
    {"AnimationOptions", &QIRN_TID_ANIMATIONOPTIONS, "DWORD openclosed; DWORD positionquality;"},
    {"Animation", &QIRN_TID_ANIMATION, "[...]"},
    {"AnimationSet", &QIRN_TID_ANIMATIONSET, "[Animation]"},
    {"InlineData", &QIRN_TID_INLINEDATA, "[BINARY]"},
    {"Url", &QIRN_TID_URL, "DWORD nUrls; array STRING urls[nUrls];"},
    {"ProgressiveMesh", &QIRN_TID_PROGRESSIVEMESH, "[Url, InlineData]"},
    {"Guid", &QIRN_TID_GUID, "DWORD data1; WORD data2; WORD data3; array UCHAR data4[8];"},
    {"StringProperty", &QIRN_TID_STRINGPROPERTY, "STRING key; STRING value;"},
    {"PropertyBag", &QIRN_TID_PROPERTYBAG, "[StringProperty]"},
    {"ExternalVisual", &QIRN_TID_EXTERNALVISUAL, "Guid guidExternalVisual; [...]"},
    {"RightHanded", &QIRN_TID_RIGHTHANDED, "DWORD bRightHanded;"},
    {"XSkinMeshHeader", &QIRN_TID_XSKINMESHHEADER,
     "WORD nMaxSkinWeightsPerVertex; WORD nMaxSkinWeightsPerFace; WORD nBones;"},
    {"SkinWeights", &QIRN_TID_SKINWEIGHTS,
     "STRING transformNodeName; DWORD nWeights; array DWORD vertexIndices[nWeights]; array FLOAT "
     "weights[nWeights]; "
     "Matrix4x4 matrixOffset;"},
    {"VertexDuplicationIndices", &QIRN_TID_VERTEXDUPLICATIONINDICES,
     "DWORD nIndices; DWORD nOriginalVertices; array DWORD indices[nIndices];"},
    {"FaceAdjacency", &QIRN_TID_FACEADJACENCY, "DWORD nIndices; array DWORD indices[nIndices];"},
    {"FVFData", &QIRN_TID_FVFDATA, "DWORD dwFVF; DWORD nDWords; array DWORD data[nDWords];"},
    {"AnimTicksPerSecond", &QIRN_TID_ANIMTICKSPERSECOND, "DWORD AnimTicksPerSecond;"},
    // A vertex declaration and its vertices, written by later exporters inside a Mesh.
    {"VertexElement", &QIRN_TID_VERTEXELEMENT, "DWORD Type; DWORD Method; DWORD Usage; DWORD UsageIndex;"},
    {"DeclData", &QIRN_TID_DECLDATA,
     "DWORD nElements; array VertexElement Elements[nElements]; DWORD nDWords; array DWORD data[nDWords];"},
};

std::string FormatGuid(const GUID& guid)
{
    char szGuid[40] = {0};
    snprintf(szGuid, sizeof(szGuid), "%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
             static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
             guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return szGuid;
}

// The text is built from the table, so a template's declared GUID and the constant the loaders
// compare with can never disagree.
std::string BuildTemplateBlock()
{
    std::string szBlock = "xof 0302txt 0032\n";
    for (const QIRN_XFileTemplate& oTemplate : XFILE_TEMPLATES)
    {
        szBlock += "template ";
        szBlock += oTemplate.szName;
        szBlock += " {\n <";
        szBlock += FormatGuid(*oTemplate.pGuid);
        szBlock += ">\n ";
        szBlock += oTemplate.szMembers;
        szBlock += "\n}\n";
    }
    return szBlock;
}
} // namespace

const QIRN_XFileTemplate* QIRN_GetXFileTemplateTable(size_t* pnCount)
{
    if (pnCount)
    {
        *pnCount = sizeof(XFILE_TEMPLATES) / sizeof(XFILE_TEMPLATES[0]);
    }
    return XFILE_TEMPLATES;
}

const std::string& QIRN_GetXFileTemplates()
{
    static const std::string szBlock = BuildTemplateBlock();
    return szBlock;
}

HRESULT QIRN_RegisterXFileTemplates(IDirectXFile* poDXFile)
{
    if (!poDXFile)
    {
        return E_POINTER;
    }
    const std::string& szBlock = QIRN_GetXFileTemplates();
    return poDXFile->RegisterTemplates(const_cast<char*>(szBlock.data()), static_cast<DWORD>(szBlock.size()));
}

const char* QIRN_GetXFileTemplateName(const GUID& guid)
{
    for (const QIRN_XFileTemplate& oTemplate : XFILE_TEMPLATES)
    {
        if (IsEqualGUID(guid, *oTemplate.pGuid))
        {
            return oTemplate.szName;
        }
    }
    return nullptr;
}

const char* QIRN_GetXFileResultName(HRESULT hr)
{
    switch (hr)
    {
    case DXFILE_OK:
        return "DXFILE_OK";
    case DXFILEERR_BADOBJECT:
        return "DXFILEERR_BADOBJECT";
    case DXFILEERR_BADVALUE:
        return "DXFILEERR_BADVALUE";
    case DXFILEERR_BADTYPE:
        return "DXFILEERR_BADTYPE";
    case DXFILEERR_BADSTREAMHANDLE:
        return "DXFILEERR_BADSTREAMHANDLE";
    case DXFILEERR_BADALLOC:
        return "DXFILEERR_BADALLOC";
    case DXFILEERR_NOTFOUND:
        return "DXFILEERR_NOTFOUND";
    case DXFILEERR_NOTDONEYET:
        return "DXFILEERR_NOTDONEYET";
    case DXFILEERR_FILENOTFOUND:
        return "DXFILEERR_FILENOTFOUND";
    case DXFILEERR_RESOURCENOTFOUND:
        return "DXFILEERR_RESOURCENOTFOUND";
    case DXFILEERR_URLNOTFOUND:
        return "DXFILEERR_URLNOTFOUND";
    case DXFILEERR_BADRESOURCE:
        return "DXFILEERR_BADRESOURCE";
    case DXFILEERR_BADFILETYPE:
        return "DXFILEERR_BADFILETYPE";
    case DXFILEERR_BADFILEVERSION:
        return "DXFILEERR_BADFILEVERSION";
    case DXFILEERR_BADFILEFLOATSIZE:
        return "DXFILEERR_BADFILEFLOATSIZE";
    case DXFILEERR_BADFILECOMPRESSIONTYPE:
        return "DXFILEERR_BADFILECOMPRESSIONTYPE";
    case DXFILEERR_BADFILE:
        return "DXFILEERR_BADFILE";
    case DXFILEERR_PARSEERROR:
        return "DXFILEERR_PARSEERROR";
    case DXFILEERR_NOTEMPLATE:
        return "DXFILEERR_NOTEMPLATE";
    case DXFILEERR_BADARRAYSIZE:
        return "DXFILEERR_BADARRAYSIZE";
    case DXFILEERR_BADDATAREFERENCE:
        return "DXFILEERR_BADDATAREFERENCE";
    case DXFILEERR_INTERNALERROR:
        return "DXFILEERR_INTERNALERROR";
    case DXFILEERR_NOMOREOBJECTS:
        return "DXFILEERR_NOMOREOBJECTS";
    case DXFILEERR_BADINTRINSICS:
        return "DXFILEERR_BADINTRINSICS";
    case DXFILEERR_NOMORESTREAMHANDLES:
        return "DXFILEERR_NOMORESTREAMHANDLES";
    case DXFILEERR_NOMOREDATA:
        return "DXFILEERR_NOMOREDATA";
    case DXFILEERR_BADCACHEFILE:
        return "DXFILEERR_BADCACHEFILE";
    case DXFILEERR_NOINTERNET:
        return "DXFILEERR_NOINTERNET";
    default:
        return "an unknown result";
    }
}

void QIRN_LogXFileRefused(const char* szCaller, const std::string& szFile, HRESULT hr)
{
    dprintf("*** %s() - DirectX File refused \"%s\": %s (0x%08lX)\n", szCaller, szFile.c_str(),
            QIRN_GetXFileResultName(hr), static_cast<unsigned long>(hr));
}

bool QIRN_IsXFileType(IDirectXFileData* poData, const GUID& guidType)
{
    const GUID* pType = nullptr;
    return poData && SUCCEEDED(poData->GetType(&pType)) && pType && IsEqualGUID(*pType, guidType);
}

namespace
{
// White space and the punctuation that ends a word in a text .x file.
bool IsXTextSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '{' || c == '}' ||
           c == ',' || c == ';' || c == '[' || c == ']' || c == '(' || c == ')' || c == '<' || c == '>';
}

// The text body after the 16-byte header: every word and quoted string short enough, comments
// skipped; counts the words "template" in rnTemplates.
bool XTextWordsFit(const std::string& szBytes, size_t& rnTemplates)
{
    size_t i = 16;
    while (i < szBytes.size())
    {
        const char c = szBytes[i];
        if (c == '#' || (c == '/' && i + 1 < szBytes.size() && szBytes[i + 1] == '/'))
        {
            size_t end = szBytes.find('\n', i);
            i = end == std::string::npos ? szBytes.size() : end + 1;
        }
        else if (c == '"')
        {
            size_t end = szBytes.find('"', i + 1);
            size_t length = (end == std::string::npos ? szBytes.size() : end) - i - 1;
            if (length > QIRN_XFILE_MAX_STRING)
            {
                return false;
            }
            i = end == std::string::npos ? szBytes.size() : end + 1;
        }
        else if (IsXTextSeparator(c))
        {
            ++i;
        }
        else
        {
            size_t start = i;
            while (i < szBytes.size() && !IsXTextSeparator(szBytes[i]) && szBytes[i] != '"')
            {
                ++i;
            }
            if (i - start > QIRN_XFILE_MAX_WORD)
            {
                return false;
            }
            if (szBytes.compare(start, i - start, "template") == 0)
            {
                ++rnTemplates;
            }
        }
    }
    return true;
}

uint32_t ReadLE32(const std::string& szBytes, size_t at)
{
    uint32_t v = 0;
    std::memcpy(&v, szBytes.data() + at, 4);
    return v;
}

// The binary body after the header: every token known, every name and string short enough and
// every count's data inside the file; counts the template tokens in rnTemplates.
bool XBinaryTokensFit(const std::string& szBytes, size_t nFloatSize, size_t& rnTemplates)
{
    size_t i = 16;
    const size_t n = szBytes.size();
    while (i < n)
    {
        if (n - i < 2)
        {
            return false;
        }
        const uint16_t wToken = static_cast<uint16_t>(static_cast<uint8_t>(szBytes[i]) |
                                                      (static_cast<uint8_t>(szBytes[i + 1]) << 8));
        i += 2;
        uint64_t qwData = 0;
        switch (wToken)
        {
        case 1: // a name: count and characters
        case 2: // a string: count, characters and the token that ends it
            if (n - i < 4)
            {
                return false;
            }
            qwData = ReadLE32(szBytes, i);
            if (qwData > (wToken == 1 ? QIRN_XFILE_MAX_WORD : QIRN_XFILE_MAX_STRING))
            {
                return false;
            }
            qwData += 4 + (wToken == 2 ? 2 : 0);
            break;
        case 3: // an integer
            qwData = 4;
            break;
        case 5: // a GUID
            qwData = 16;
            break;
        case 6: // an integer list
        case 7: // a float list
            if (n - i < 4)
            {
                return false;
            }
            qwData = 4 + static_cast<uint64_t>(ReadLE32(szBytes, i)) * (wToken == 6 ? 4 : nFloatSize);
            break;
        default:
            // Punctuation and the template words carry no data.
            if (!((wToken >= 10 && wToken <= 20) || wToken == 31 || (wToken >= 40 && wToken <= 53)))
            {
                return false;
            }
            if (wToken == 31)
            {
                ++rnTemplates;
            }
            break;
        }
        if (qwData > n - i)
        {
            return false;
        }
        i += static_cast<size_t>(qwData);
    }
    return true;
}
} // namespace

bool QIRN_IsXFileReadable(const std::string& szPath, const char* szCaller, size_t* pnTemplates)
{
    size_t nTemplates = 0;
    if (pnTemplates)
    {
        *pnTemplates = QIRN_XFILE_TEMPLATES_UNKNOWN;
    }
    std::ifstream oIn(szPath, std::ios::binary);
    if (!oIn)
    {
        // DirectX File reports a file it cannot open itself.
        return true;
    }
    const std::string szBytes((std::istreambuf_iterator<char>(oIn)), std::istreambuf_iterator<char>());
    // DirectX File refuses a file with a header of any other form itself.
    if (szBytes.size() < 16 || szBytes.compare(0, 4, "xof ") != 0)
    {
        return true;
    }
    const std::string szFormat = szBytes.substr(8, 4);
    const std::string szFloatBits = szBytes.substr(12, 4);
    if ((szFormat != "txt " && szFormat != "bin ") || (szFloatBits != "0032" && szFloatBits != "0064"))
    {
        return true;
    }
    const bool bFits = szFormat == "txt " ? XTextWordsFit(szBytes, nTemplates)
                                          : XBinaryTokensFit(szBytes, szFloatBits == "0064" ? 8 : 4, nTemplates);
    if (!bFits)
    {
        dprintf("*** %s() - \"%s\" holds a word longer than %u characters, a string longer than %u or a "
                "token cut short\n",
                szCaller, szPath.c_str(), static_cast<unsigned>(QIRN_XFILE_MAX_WORD),
                static_cast<unsigned>(QIRN_XFILE_MAX_STRING));
        return false;
    }
    if (nTemplates > QIRN_XFILE_MAX_FILE_TEMPLATES)
    {
        dprintf("*** %s() - \"%s\" declares %u templates, more than the %u a file may\n", szCaller,
                szPath.c_str(), static_cast<unsigned>(nTemplates), static_cast<unsigned>(QIRN_XFILE_MAX_FILE_TEMPLATES));
        return false;
    }
    if (pnTemplates)
    {
        *pnTemplates = nTemplates;
    }
    return true;
}
