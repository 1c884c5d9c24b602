#pragma once
// QIRN_Bitmap: the texels of one texture in system memory, as layers (one for a 2-D texture, six
// for a cube map, the slices of a volume) of mip levels. Image (layer L, level M) is entry
// L x m_dwNumMipLevels + M of the three image arrays; level 0 is the largest. Texel rows run top
// to bottom without padding, texels in the byte order red, green, blue (then alpha).

#include "qirn_errors.h"
#include "qirn_pixelformat.h"

#include <cstdint>
#include <string>

// Kind of the last image file read.
enum QIRN_ImageFileType : int32_t
{
    QIRN_IMAGEFILE_TGA = 0,
    QIRN_IMAGEFILE_BMP = 1,
    QIRN_IMAGEFILE_PNG = 2,
    QIRN_IMAGEFILE_OTHER = 3,
};

// Images larger than this on either side are refused rather than allocated.
const uint32_t QIRN_BITMAP_MAXDIMENSION = 16384;

class QIRN_Bitmap
{
public:
    QIRN_Bitmap();
    virtual ~QIRN_Bitmap();

    QIRN_Bitmap(const QIRN_Bitmap&) = delete;
    QIRN_Bitmap& operator=(const QIRN_Bitmap&) = delete;

    // Fills every layer and level from image files named after szName; 0 or BITMAPLOAD_FAILED.
    QIRN_ErrorCode LoadImageFiles(std::string szName);
    // Reads one TGA or BMP file; the new texel array (owned by the caller) or NULL. The outputs
    // are written only when texels are answered.
    uint8_t* GetImageDataFromFile(std::string szFileName, uint32_t* pdwHeight, uint32_t* pdwWidth,
                                  uint32_t* pdwBitsPerTexel);
    // The six faces of a normalisation cube map, 256 x 256 at 32 bits; also written as TGA files.
    QIRN_ErrorCode CreateNormalCubeMap();

    // Frees any images and allocates the three image arrays, zero-filled, for the current layer
    // and level counts. 0, or GENERICERROR when they cannot be allocated (the arrays stay NULL).
    QIRN_ErrorCode AllocateImageArrays();
    // Frees every texel array and the three image arrays.
    void FreeImages();
    // Layers x levels, or 0 when that is no sane image count.
    uint32_t GetNumImages() const;

    std::string GetName() const { return m_strName; }
    void SetName(std::string strName) { m_strName = strName; }

    std::string m_strName;
    QIRN_PixelFormat m_eFormat;
    uint32_t m_dwCurrentImage;
    QIRN_ImageFileType m_eFileType;
    uint32_t m_dwNumLayers;
    uint32_t m_dwNumMipLevels;
    uint32_t m_dwBitsPerTexel;
    uint32_t* m_pdwWidths;
    uint32_t* m_pdwHeights;
    uint8_t** m_ppTexels;

private:
    // Tries the candidate file names of one image in order; the texels of the first that reads.
    uint8_t* LoadLayerLevel(uint32_t dwLayer, uint32_t dwLevel, const std::string& szTitle,
                            const std::string& szExtension, std::string& szLastTried);

    // Entries of the image arrays as allocated; creators may change the counts afterwards.
    uint32_t m_dwAllocatedImages;
};

// Writes 32-bit red, green, blue, alpha texels (top row first) as an uncompressed TGA file.
// 0; 1 for bad arguments or no memory (nothing is written); FILEERROR when the file fails.
QIRN_ErrorCode SaveRGBAToTGA(const uint8_t* pTexels, std::string szFileName, int iWidth, int iHeight,
                             int iBitsPerTexel);
