#include "qirn_bitmap.h"

#include "qirn_debug.h"
#include "qirn_settings.h"
#include "qirn_string.h"

#include <cmath>
#include <cstdio>
#include <new>
#include <vector>

namespace
{
// A texel array larger than this is refused before allocation (an 8192 x 8192 RGBA image fits).
const uint64_t MAX_IMAGE_BYTES = 256ull * 1024 * 1024;
// More images than this in one bitmap is a corrupt layer or level count, not a texture.
const uint64_t MAX_IMAGES = 4096;

const size_t TGA_HEADER_SIZE = 18;
const size_t BMP_FILE_HEADER_SIZE = 14;
const size_t BMP_INFO_HEADER_SIZE = 40;

uint16_t ReadLE16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t ReadLE32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void WriteLE16(uint8_t* p, uint32_t dwValue)
{
    p[0] = static_cast<uint8_t>(dwValue & 0xFF);
    p[1] = static_cast<uint8_t>((dwValue >> 8) & 0xFF);
}

bool ReadBytes(FILE* pFile, void* pDest, size_t nBytes)
{
    return fread(pDest, 1, nBytes, pFile) == nBytes;
}

// The length of an open file, which is left at its start; 0 when it cannot be told.
uint64_t FileLength(FILE* pFile)
{
    if (_fseeki64(pFile, 0, SEEK_END) != 0)
    {
        return 0;
    }
    int64_t iLength = _ftelli64(pFile);
    if (_fseeki64(pFile, 0, SEEK_SET) != 0 || iLength < 0)
    {
        return 0;
    }
    return static_cast<uint64_t>(iLength);
}

// The texels a header claims must be in the file before memory is taken for them, so that a
// damaged header of a few bytes cannot ask for hundreds of megabytes.
bool FileHoldsTexels(const std::string& szPath, uint64_t qwFileLength, uint64_t qwTexelStart,
                     uint32_t dwWidth, uint32_t dwHeight, uint32_t dwBits, size_t nPadding)
{
    uint64_t qwRowBytes = static_cast<uint64_t>(dwWidth) * (dwBits / 8) + nPadding;
    if (qwTexelStart + qwRowBytes * dwHeight <= qwFileLength)
    {
        return true;
    }
    dprintf(
        "*** GetImageDataFromFile(): File '%s' is truncated: its header claims %u x %u texels of %u bits, "
        "the file holds %llu bytes.\n",
        szPath.c_str(), dwWidth, dwHeight, dwBits, static_cast<unsigned long long>(qwFileLength));
    return false;
}

// Closes the file on every way out of a reader.
class FileCloser
{
public:
    explicit FileCloser(FILE* pFile) : m_pFile(pFile) {}
    ~FileCloser()
    {
        if (m_pFile)
        {
            fclose(m_pFile);
        }
    }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;

private:
    FILE* m_pFile;
};

// Dimensions and depth a reader may go on with; anything else is logged and refused.
bool IsReadableImage(const std::string& szPath, int64_t iWidth, int64_t iHeight, uint32_t dwBits)
{
    if (dwBits != 24 && dwBits != 32)
    {
        dprintf("*** GetImageDataFromFile(): File '%s' has %u bits per texel, only 24 and 32 are read.\n",
                szPath.c_str(), dwBits);
        return false;
    }
    uint64_t qwBytes = 0;
    if (iWidth > 0 && iHeight > 0 && iWidth <= QIRN_BITMAP_MAXDIMENSION &&
        iHeight <= QIRN_BITMAP_MAXDIMENSION)
    {
        qwBytes = static_cast<uint64_t>(iWidth) * static_cast<uint64_t>(iHeight) * (dwBits / 8);
    }
    if (qwBytes == 0 || qwBytes > MAX_IMAGE_BYTES)
    {
        dprintf("*** GetImageDataFromFile(): File '%s' has an unsupported size (%lld x %lld).\n",
                szPath.c_str(), static_cast<long long>(iWidth), static_cast<long long>(iHeight));
        return false;
    }
    return true;
}

// Reads rows stored bottom row first, each followed by iPadding bytes, texels blue, green, red
// (then alpha); answers them top row first as red, green, blue (then alpha). NULL when the file
// ends early or memory runs out: a short file loads no texels at all.
uint8_t* ReadBottomUpRows(FILE* pFile, const std::string& szPath, uint32_t dwWidth, uint32_t dwHeight,
                          uint32_t dwBits, size_t nPadding)
{
    const size_t nTexelBytes = dwBits / 8;
    const size_t nRowBytes = static_cast<size_t>(dwWidth) * nTexelBytes;
    uint8_t* pTexels = new (std::nothrow) uint8_t[nRowBytes * dwHeight];
    if (!pTexels)
    {
        dprintf("*** GetImageDataFromFile(): Out of memory reading '%s'.\n", szPath.c_str());
        return nullptr;
    }
    std::vector<uint8_t> row(nRowBytes + nPadding);
    for (uint32_t k = 0; k < dwHeight; ++k)
    {
        if (!ReadBytes(pFile, row.data(), row.size()))
        {
            dprintf("*** GetImageDataFromFile(): File '%s' is truncated.\n", szPath.c_str());
            delete[] pTexels;
            return nullptr;
        }
        uint8_t* pDest = pTexels + static_cast<size_t>(dwHeight - 1 - k) * nRowBytes;
        for (size_t x = 0; x < nRowBytes; x += nTexelBytes)
        {
            pDest[x] = row[x + 2];
            pDest[x + 1] = row[x + 1];
            pDest[x + 2] = row[x];
            if (nTexelBytes == 4)
            {
                pDest[x + 3] = row[x + 3];
            }
        }
    }
    return pTexels;
}

// Uncompressed true-colour TGA. The descriptor byte is not looked at: rows are taken bottom-up.
uint8_t* ReadTGA(FILE* pFile, const std::string& szPath, uint64_t qwFileLength, uint32_t* pdwWidth,
                 uint32_t* pdwHeight, uint32_t* pdwBits)
{
    uint8_t header[TGA_HEADER_SIZE] = {0};
    if (!ReadBytes(pFile, header, sizeof(header)))
    {
        dprintf("*** GetImageDataFromFile(): File '%s' is truncated.\n", szPath.c_str());
        return nullptr;
    }
    if (header[1] != 0 || header[2] != 2)
    {
        dprintf("*** GetImageDataFromFile(): File '%s' is not an uncompressed true-colour TGA image.\n",
                szPath.c_str());
        return nullptr;
    }
    if (header[0] != 0 && fseek(pFile, header[0], SEEK_CUR) != 0)
    {
        dprintf("*** GetImageDataFromFile(): File '%s' is truncated.\n", szPath.c_str());
        return nullptr;
    }
    uint32_t dwWidth = ReadLE16(header + 12);
    uint32_t dwHeight = ReadLE16(header + 14);
    uint32_t dwBits = header[16];
    if (!IsReadableImage(szPath, dwWidth, dwHeight, dwBits) ||
        !FileHoldsTexels(szPath, qwFileLength, TGA_HEADER_SIZE + header[0], dwWidth, dwHeight, dwBits, 0))
    {
        return nullptr;
    }
    uint8_t* pTexels = ReadBottomUpRows(pFile, szPath, dwWidth, dwHeight, dwBits, 0);
    if (pTexels)
    {
        *pdwWidth = dwWidth;
        *pdwHeight = dwHeight;
        *pdwBits = dwBits;
    }
    return pTexels;
}

// Uncompressed BMP, bottom-up, rows padded to four bytes.
uint8_t* ReadBMP(FILE* pFile, const std::string& szPath, uint64_t qwFileLength, uint32_t* pdwWidth,
                 uint32_t* pdwHeight, uint32_t* pdwBits)
{
    uint8_t header[BMP_FILE_HEADER_SIZE + BMP_INFO_HEADER_SIZE] = {0};
    if (!ReadBytes(pFile, header, sizeof(header)))
    {
        dprintf("*** GetImageDataFromFile(): File '%s' is truncated.\n", szPath.c_str());
        return nullptr;
    }
    const uint8_t* pInfo = header + BMP_FILE_HEADER_SIZE;
    if (header[0] != 'B' || header[1] != 'M')
    {
        dprintf("*** GetImageDataFromFile(): File '%s' is not a BMP image (no \"BM\" signature).\n",
                szPath.c_str());
        return nullptr;
    }
    // Older and smaller information headers place width, height and depth elsewhere.
    uint32_t dwInfoSize = ReadLE32(pInfo);
    if (dwInfoSize < BMP_INFO_HEADER_SIZE)
    {
        dprintf(
            "*** GetImageDataFromFile(): File '%s' has a %u-byte information header, at least %u are read.\n",
            szPath.c_str(), dwInfoSize, static_cast<uint32_t>(BMP_INFO_HEADER_SIZE));
        return nullptr;
    }
    uint32_t dwCompression = ReadLE32(pInfo + 16);
    if (dwCompression != 0)
    {
        dprintf("*** GetImageDataFromFile(): File '%s' is compressed (compression %u), only uncompressed BMP "
                "images are read.\n",
                szPath.c_str(), dwCompression);
        return nullptr;
    }
    uint32_t dwOffset = ReadLE32(header + 10);
    int32_t iWidth = static_cast<int32_t>(ReadLE32(pInfo + 4));
    int32_t iHeight = static_cast<int32_t>(ReadLE32(pInfo + 8));
    uint32_t dwBits = ReadLE16(pInfo + 14);
    // A negative height marks a top-down file, which is not read.
    if (!IsReadableImage(szPath, iWidth, iHeight, dwBits))
    {
        return nullptr;
    }
    if (dwOffset < sizeof(header) || fseek(pFile, static_cast<long>(dwOffset), SEEK_SET) != 0)
    {
        dprintf("*** GetImageDataFromFile(): File '%s' has an invalid texel offset (%u).\n", szPath.c_str(),
                dwOffset);
        return nullptr;
    }
    const size_t nRowBytes = static_cast<size_t>(iWidth) * (dwBits / 8);
    const size_t nPadding = (4 - nRowBytes % 4) % 4;
    if (!FileHoldsTexels(szPath, qwFileLength, dwOffset, static_cast<uint32_t>(iWidth),
                         static_cast<uint32_t>(iHeight), dwBits, nPadding))
    {
        return nullptr;
    }
    uint8_t* pTexels = ReadBottomUpRows(pFile, szPath, static_cast<uint32_t>(iWidth),
                                        static_cast<uint32_t>(iHeight), dwBits, nPadding);
    if (pTexels)
    {
        *pdwWidth = static_cast<uint32_t>(iWidth);
        *pdwHeight = static_cast<uint32_t>(iHeight);
        *pdwBits = dwBits;
    }
    return pTexels;
}

// The file names one image may come from, in the order they are tried.
std::vector<std::string> CandidateNames(const std::string& szTitle, const std::string& szExtension,
                                        uint32_t dwLayer, uint32_t dwLevel)
{
    const char* t = szTitle.c_str();
    const char* e = szExtension.c_str();
    std::vector<std::string> names;
    if (dwLayer == 0 && dwLevel == 0)
    {
        names.push_back(QIRN_String().Format("%s_L00_M00.%s", t, e));
        names.push_back(QIRN_String().Format("%s_M00.%s", t, e));
        names.push_back(QIRN_String().Format("%s_L00.%s", t, e));
        names.push_back(QIRN_String().Format("%s.%s", t, e));
    }
    else if (dwLayer == 0)
    {
        names.push_back(QIRN_String().Format("%s_M%02u.%s", t, dwLevel, e));
        names.push_back(QIRN_String().Format("%s_L00_M%02u.%s", t, dwLevel, e));
    }
    else if (dwLevel == 0)
    {
        names.push_back(QIRN_String().Format("%s_L%02u.%s", t, dwLayer, e));
        names.push_back(QIRN_String().Format("%s_L%02u_M00.%s", t, dwLayer, e));
    }
    else
    {
        names.push_back(QIRN_String().Format("%s_L%02u_M%02u.%s", t, dwLayer, dwLevel, e));
    }
    return names;
}

struct CubeDirection
{
    float x, y, z;
};

// Direction of a texel of a normalisation cube-map face from s = 2x/N and t = 2y/N; texel
// corners are sampled, not centres.
CubeDirection CubeFaceDirection(uint32_t dwFace, float s, float t)
{
    switch (dwFace)
    {
    case 0: // +X
        return {1.0f, 1.0f - t, 1.0f - s};
    case 1: // -X
        return {-1.0f, 1.0f - t, -1.0f + s};
    case 2: // +Y
        return {-1.0f + s, 1.0f, -1.0f + t};
    case 3: // -Y
        return {-1.0f + s, -1.0f, 1.0f - t};
    case 4: // +Z
        return {-1.0f + s, 1.0f - t, 1.0f};
    default: // -Z
        return {1.0f - s, 1.0f - t, -1.0f};
    }
}

uint8_t NormalToByte(float f)
{
    return static_cast<uint8_t>((f + 1.0f) * 127.5f);
}

const char* const CUBE_FACE_FILES[6] = {
    "NormalCubemapPositiveX.tga", "NormalCubemapNegativeX.tga", "NormalCubemapPositiveY.tga",
    "NormalCubemapNegativeY.tga", "NormalCubemapPositiveZ.tga", "NormalCubemapNegativeZ.tga",
};
} // namespace

QIRN_Bitmap::QIRN_Bitmap()
    : m_strName(""), m_eFormat(QIRN_FMT_A8R8G8B8), m_dwCurrentImage(0), m_eFileType(QIRN_IMAGEFILE_TGA),
      m_dwNumLayers(1), m_dwNumMipLevels(1), m_dwBitsPerTexel(0), m_pdwWidths(nullptr), m_pdwHeights(nullptr),
      m_ppTexels(nullptr), m_dwAllocatedImages(0)
{
}

QIRN_Bitmap::~QIRN_Bitmap()
{
    FreeImages();
}

uint32_t QIRN_Bitmap::GetNumImages() const
{
    uint64_t qwCount = static_cast<uint64_t>(m_dwNumLayers) * m_dwNumMipLevels;
    return qwCount > MAX_IMAGES ? 0 : static_cast<uint32_t>(qwCount);
}

void QIRN_Bitmap::FreeImages()
{
    if (m_ppTexels)
    {
        for (uint32_t i = 0; i < m_dwAllocatedImages; ++i)
        {
            delete[] m_ppTexels[i];
        }
    }
    delete[] m_ppTexels;
    delete[] m_pdwWidths;
    delete[] m_pdwHeights;
    m_ppTexels = nullptr;
    m_pdwWidths = nullptr;
    m_pdwHeights = nullptr;
    m_dwAllocatedImages = 0;
}

QIRN_ErrorCode QIRN_Bitmap::AllocateImageArrays()
{
    FreeImages();
    uint32_t dwCount = GetNumImages();
    if (dwCount == 0)
    {
        return GENERICERROR;
    }
    m_pdwWidths = new (std::nothrow) uint32_t[dwCount]();
    m_pdwHeights = new (std::nothrow) uint32_t[dwCount]();
    m_ppTexels = new (std::nothrow) uint8_t*[dwCount]();
    if (!m_pdwWidths || !m_pdwHeights || !m_ppTexels)
    {
        FreeImages();
        return GENERICERROR;
    }
    m_dwAllocatedImages = dwCount;
    return OK;
}

uint8_t* QIRN_Bitmap::GetImageDataFromFile(std::string szFileName, uint32_t* pdwHeight, uint32_t* pdwWidth,
                                           uint32_t* pdwBitsPerTexel)
{
    std::string szExtension = QIRN_GetFileExtension(szFileName);
    const char* szDefaultExtension = nullptr;
    if (szExtension == "tga")
    {
        m_eFileType = QIRN_IMAGEFILE_TGA;
        szDefaultExtension = "tga";
    }
    else if (szExtension == "bmp")
    {
        m_eFileType = QIRN_IMAGEFILE_BMP;
        szDefaultExtension = "bmp";
    }
    else if (szExtension == "png")
    {
        m_eFileType = QIRN_IMAGEFILE_PNG;
        return nullptr;
    }
    else
    {
        m_eFileType = QIRN_IMAGEFILE_OTHER;
        dprintf("*** GetImageDataFromFile(): File '%s' unsupported format.\n", szFileName.c_str());
        return nullptr;
    }

    std::string szPath = QIRN_FindFile(szFileName, szDefaultExtension);
    if (szPath.empty())
    {
        return nullptr;
    }
    FILE* pFile = fopen(szPath.c_str(), "rb");
    if (!pFile)
    {
        return nullptr;
    }
    FileCloser closer(pFile);
    const uint64_t qwFileLength = FileLength(pFile);

    uint32_t dwWidth = 0;
    uint32_t dwHeight = 0;
    uint32_t dwBits = 0;
    uint8_t* pTexels = m_eFileType == QIRN_IMAGEFILE_TGA
                           ? ReadTGA(pFile, szPath, qwFileLength, &dwWidth, &dwHeight, &dwBits)
                           : ReadBMP(pFile, szPath, qwFileLength, &dwWidth, &dwHeight, &dwBits);
    if (pTexels)
    {
        if (pdwHeight)
        {
            *pdwHeight = dwHeight;
        }
        if (pdwWidth)
        {
            *pdwWidth = dwWidth;
        }
        if (pdwBitsPerTexel)
        {
            *pdwBitsPerTexel = dwBits;
        }
    }
    return pTexels;
}

uint8_t* QIRN_Bitmap::LoadLayerLevel(uint32_t dwLayer, uint32_t dwLevel, const std::string& szTitle,
                                     const std::string& szExtension, std::string& szLastTried)
{
    const uint32_t i = dwLayer * m_dwNumMipLevels + dwLevel;
    for (const std::string& szCandidate : CandidateNames(szTitle, szExtension, dwLayer, dwLevel))
    {
        szLastTried = szCandidate;
        uint8_t* pTexels =
            GetImageDataFromFile(szCandidate, &m_pdwHeights[i], &m_pdwWidths[i], &m_dwBitsPerTexel);
        if (pTexels)
        {
            return pTexels;
        }
    }
    return nullptr;
}

QIRN_ErrorCode QIRN_Bitmap::LoadImageFiles(std::string szName)
{
    m_strName = szName;
    if (AllocateImageArrays() != OK)
    {
        dprintf("\nQIRN_Bitmap::LoadImageFiles() - ERROR : Texture (%s) could not be loaded. Invalid layer "
                "or mip "
                "level count (%u x %u)!\n",
                szName.c_str(), m_dwNumLayers, m_dwNumMipLevels);
        return BITMAPLOAD_FAILED;
    }
    // The folder is dropped: every candidate is found through the search folders.
    const std::string szTitle = QIRN_GetFileTitle(szName);
    const std::string szExtension = QIRN_GetFileExtension(szName);

    uint32_t dwExpectedBits = 0;
    for (uint32_t dwLayer = 0; dwLayer < m_dwNumLayers; ++dwLayer)
    {
        for (uint32_t dwLevel = 0; dwLevel < m_dwNumMipLevels; ++dwLevel)
        {
            const uint32_t i = dwLayer * m_dwNumMipLevels + dwLevel;
            std::string szTried;
            m_ppTexels[i] = LoadLayerLevel(dwLayer, dwLevel, szTitle, szExtension, szTried);
            const bool bLoaded = m_ppTexels[i] != nullptr;

            if (i == 0)
            {
                dwExpectedBits = m_dwBitsPerTexel;
            }
            else if (m_dwBitsPerTexel != dwExpectedBits)
            {
                dprintf("\nQIRN_Bitmap::LoadImageFiles() - ERROR : Texture (%s) could not be loaded. Bad "
                        "texel size!\n",
                        szTried.c_str());
                return BITMAPLOAD_FAILED;
            }
            if (!bLoaded && dwLevel > 1)
            {
                m_pdwWidths[i] = m_pdwWidths[i - 1] / 2;
                m_pdwHeights[i] = m_pdwHeights[i - 1] / 2;
            }
            // Only the slices of a volume texture may be missing.
            if (!bLoaded && (m_dwNumLayers == 6 || m_dwNumLayers == 1))
            {
                dprintf("\nQIRN_Bitmap::LoadImageFiles() - WARNING: Texture (%s) could not be loaded\n",
                        szTried.c_str());
                return BITMAPLOAD_FAILED;
            }
            // Level 1 is not compared with level 0, and one matching side is enough, so chains
            // whose short side has stopped at 1 still pass.
            if (dwLevel > 1 && m_pdwHeights[i] != m_pdwHeights[i - 1] / 2 &&
                m_pdwWidths[i] != m_pdwWidths[i - 1] / 2)
            {
                dprintf("\nQIRN_Bitmap::LoadImageFiles() - ERROR : Invalid mip level - (%s)\n",
                        szTried.c_str());
                return BITMAPLOAD_FAILED;
            }
        }
    }
    return OK;
}

QIRN_ErrorCode QIRN_Bitmap::CreateNormalCubeMap()
{
    const uint32_t N = 256;
    m_strName = "NormalCubemap";
    // A normalisation cube map is always six faces of one level, whatever the creator asked for.
    if (m_dwNumLayers != 6 || m_dwNumMipLevels != 1)
    {
        dprintf("QIRN_Bitmap::CreateNormalCubeMap() - Using 6 layers of 1 mip level instead of %u x %u\n",
                m_dwNumLayers, m_dwNumMipLevels);
        FreeImages();
        m_dwNumLayers = 6;
        m_dwNumMipLevels = 1;
    }
    if (AllocateImageArrays() != OK)
    {
        return GENERICERROR;
    }
    m_dwBitsPerTexel = 32;

    for (uint32_t dwFace = 0; dwFace < 6; ++dwFace)
    {
        m_pdwWidths[dwFace] = N;
        m_pdwHeights[dwFace] = N;
        uint8_t* pFace = new (std::nothrow) uint8_t[N * N * 4];
        if (!pFace)
        {
            return GENERICERROR;
        }
        m_ppTexels[dwFace] = pFace;
        for (uint32_t y = 0; y < N; ++y)
        {
            for (uint32_t x = 0; x < N; ++x)
            {
                CubeDirection d = CubeFaceDirection(dwFace, 2.0f * x / N, 2.0f * y / N);
                float fLength = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
                uint8_t* pTexel = pFace + (y * N + x) * 4;
                pTexel[0] = NormalToByte(d.x / fLength);
                pTexel[1] = NormalToByte(d.y / fLength);
                pTexel[2] = NormalToByte(d.z / fLength);
                pTexel[3] = 255;
            }
        }
        // A face that cannot be written is still generated.
        SaveRGBAToTGA(pFace, CUBE_FACE_FILES[dwFace], N, N, 32);
    }
    return OK;
}

QIRN_ErrorCode SaveRGBAToTGA(const uint8_t* pTexels, std::string szFileName, int iWidth, int iHeight,
                             int iBitsPerTexel)
{
    if (!pTexels)
    {
        dprintf("SaveRGBAToTGA() - Invalid RGBA data pointer!\n");
        return GENERICERROR;
    }
    if (iBitsPerTexel != 32)
    {
        dprintf("SaveRGBAToTGA() - Unsupported bit depth (%d), only 32 bits per texel are written!\n",
                iBitsPerTexel);
        return GENERICERROR;
    }
    // The file stores both sizes in 16 bits.
    if (iWidth <= 0 || iHeight <= 0 || iWidth > 0xFFFF || iHeight > 0xFFFF)
    {
        dprintf("SaveRGBAToTGA() - Invalid image size (%d x %d)!\n", iWidth, iHeight);
        return GENERICERROR;
    }
    const size_t nRowBytes = static_cast<size_t>(iWidth) * 4;
    const uint64_t qwBytes = static_cast<uint64_t>(nRowBytes) * static_cast<uint64_t>(iHeight);
    uint8_t* pBuffer =
        qwBytes <= MAX_IMAGE_BYTES ? new (std::nothrow) uint8_t[static_cast<size_t>(qwBytes)] : nullptr;
    if (!pBuffer)
    {
        dprintf("SaveRGBAToTGA() - Couldn't allocate temp buffer!\n");
        return GENERICERROR;
    }
    // Blue, green, red, alpha, bottom row first.
    for (int y = 0; y < iHeight; ++y)
    {
        const uint8_t* pSource = pTexels + static_cast<size_t>(iHeight - 1 - y) * nRowBytes;
        uint8_t* pDest = pBuffer + static_cast<size_t>(y) * nRowBytes;
        for (size_t x = 0; x < nRowBytes; x += 4)
        {
            pDest[x] = pSource[x + 2];
            pDest[x + 1] = pSource[x + 1];
            pDest[x + 2] = pSource[x];
            pDest[x + 3] = pSource[x + 3];
        }
    }

    FILE* pFile = fopen(szFileName.c_str(), "wb");
    if (!pFile)
    {
        dprintf("SaveRGBAToTGA() - Unable to open %s for writing!\n", szFileName.c_str());
        delete[] pBuffer;
        return FILEERROR;
    }
    uint8_t header[TGA_HEADER_SIZE] = {0};
    header[2] = 2;
    WriteLE16(header + 12, static_cast<uint32_t>(iWidth));
    WriteLE16(header + 14, static_cast<uint32_t>(iHeight));
    header[16] = 32;
    bool bWritten = fwrite(header, 1, sizeof(header), pFile) == sizeof(header) &&
                    fwrite(pBuffer, 1, static_cast<size_t>(qwBytes), pFile) == qwBytes;
    bWritten = fclose(pFile) == 0 && bWritten;
    delete[] pBuffer;
    if (!bWritten)
    {
        dprintf("SaveRGBAToTGA() - Unable to write %s!\n", szFileName.c_str());
        return FILEERROR;
    }
    return OK;
}
