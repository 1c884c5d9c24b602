#include "qirn_graphics.h"

#include "qirn_constants.h"
#include "qirn_debug.h"

const char* const QIRN_DEFAULT_FONT_FACE = "Lucida Console";

namespace
{
QIRN_FrameRateLockSource g_pfnFrameRateLockSource = nullptr;

// The lowest window rate starts here, the 32-bit float 9999.9 widened.
const double START_MIN_FRAME_RATE = static_cast<double>(9999.9f);
const uint32_t STATISTICS_WINDOW_FRAMES = 50;
} // namespace

QIRN_Graphics::QIRN_Graphics(QIRN_Engine* pEngine)
    : m_pEngine(pEngine), m_poDeviceInfo(nullptr), m_pCamera(nullptr), m_pFrustumCamera(nullptr),
      m_oViewMatrix(QIRN_IDENTITY_MATRIX), m_oProjectionMatrix(QIRN_IDENTITY_MATRIX), m_poFont(nullptr),
      m_iNumWorldPasses(1), m_dFrameRate(0.0), m_dAverageFrameRate(0.0), m_dMaxFrameRate(0.0),
      m_dMinFrameRate(START_MIN_FRAME_RATE), m_dTotalTime(0.0), m_dwTotalFrames(0), m_dwResyncCount(0),
      m_dwFrameRateLock(0), m_dFramePeriod(0.0), m_dNextFrameTime(0.0), m_dCurrentTime(0.0),
      m_dLastFrameTime(0.0), m_dWindowTime(0.0), m_dwWindowFrames(0),
      m_dwWindowSize(STATISTICS_WINDOW_FRAMES), m_bLowResTextures(0), m_pfnPreRenderFrame(nullptr),
      m_pfnPostRenderFrame(nullptr)
{
}

QIRN_Graphics::~QIRN_Graphics()
{
    m_oFontTree.DeleteAllNodes();
    m_poFont = nullptr;
}

void QIRN_Graphics::SetFrameRateLockSource(QIRN_FrameRateLockSource pfnSource)
{
    g_pfnFrameRateLockSource = pfnSource;
}

bool QIRN_Graphics::TimeToRender()
{
    if (!m_pEngine)
    {
        dprintf("*** QIRN_Graphics::TimeToRender() - pEngine is NULL!!!\n");
        return false;
    }
    int32_t iLock = 0;
    if (g_pfnFrameRateLockSource && g_pfnFrameRateLockSource(m_pEngine, &iLock))
    {
        m_dwFrameRateLock = iLock > 0 ? static_cast<uint32_t>(iLock) : 0;
    }
    if (m_dwFrameRateLock == 0)
    {
        return true;
    }
    m_dFramePeriod = 1.0 / m_dwFrameRateLock;
    if (m_dCurrentTime < m_dNextFrameTime)
    {
        return false;
    }
    m_dNextFrameTime += m_dFramePeriod;
    // Fallen behind (a pause or a slow frame): start the schedule again from now rather than
    // rendering a burst of frames to catch up.
    if (m_dNextFrameTime < m_dCurrentTime)
    {
        ++m_dwResyncCount;
        m_dNextFrameTime = m_dCurrentTime + m_dFramePeriod;
    }
    return true;
}

void QIRN_Graphics::UpdateFrameStats()
{
    ++m_dwWindowFrames;
    m_dWindowTime += m_dCurrentTime - m_dLastFrameTime;
    m_dLastFrameTime = m_dCurrentTime;
    if (m_dwWindowFrames < m_dwWindowSize)
    {
        return;
    }
    // A window without elapsed time (a stopped clock) gives no rate rather than an infinite one.
    if (m_dWindowTime > 0.0)
    {
        m_dFrameRate = 1.0 / (m_dWindowTime / m_dwWindowSize);
    }
    m_dwWindowFrames = 0;
    m_dTotalTime += m_dWindowTime;
    m_dWindowTime = 0.0;
    if (m_dTotalTime > 0.0)
    {
        m_dAverageFrameRate = m_dwTotalFrames / m_dTotalTime;
    }
    if (m_dFrameRate > m_dMaxFrameRate)
    {
        m_dMaxFrameRate = m_dFrameRate;
    }
    if (m_dFrameRate < m_dMinFrameRate)
    {
        m_dMinFrameRate = m_dFrameRate;
    }
}

QIRN_ErrorCode QIRN_Graphics::GetViewMatrix(QIRN_Matrix4* pDest)
{
    if (!pDest)
    {
        dprintf("*** QIRN_Graphics::GetViewMatrix() - oDest is NULL\n");
        return INVALIDPARAMS;
    }
    *pDest = m_oViewMatrix;
    return OK;
}

QIRN_ErrorCode QIRN_Graphics::DrawPixel(int, int, uint32_t)
{
    return OK;
}

QIRN_ErrorCode QIRN_Graphics::ClientDrawText(std::string, float, float, uint32_t, uint32_t)
{
    return OK;
}

QIRN_ErrorCode QIRN_Graphics::SetFont(std::string szFace, int iPoints, int iStyle)
{
    const std::string szKey = QIRN_MakeFontKey(szFace, iPoints, static_cast<uint32_t>(iStyle));
    QIRN_BINARYTREE<QIRN_Font>::Node* pNode = m_oFontTree.FindNode(szKey);
    if (pNode && pNode->m_pData)
    {
        m_poFont = pNode->m_pData;
        return OK;
    }
    return MakeFont(szKey, szFace, iPoints, iStyle);
}

QIRN_ErrorCode QIRN_Graphics::MakeFont(const std::string& szKey, const std::string& szFace, int iPoints,
                                       int iStyle)
{
    m_poFont = CreateFont();
    if (!m_poFont)
    {
        dprintf("*** QIRN_Graphics::SetFont() - CreateFont() returned NULL\n");
        dprintf("*** QIRN_Graphics::SetFont() - Unable to set font %s\n", szFace.c_str());
        return GENERICERROR;
    }
    m_poFont->Init(this);
    // A prepared font of that name wins over rendering one.
    if (m_poFont->Load(szKey) != OK)
    {
        dprintf("*** QIRN_Graphics::SetFont() - Creating font!\n");
        if (m_poFont->Create(szFace, iPoints, iStyle) != OK)
        {
            DropFailedFont(szFace);
            return GENERICERROR;
        }
        dprintf("*** QIRN_Graphics::SetFont() - Font created successfully!\n");
    }
    // The tree owns the font from here; a font it cannot hold is not kept as current either.
    if (!m_oFontTree.InsertNode(szKey, m_poFont))
    {
        DropFailedFont(szFace);
        return GENERICERROR;
    }
    return OK;
}

void QIRN_Graphics::DropFailedFont(const std::string& szFace)
{
    delete m_poFont;
    m_poFont = nullptr;
    dprintf("*** QIRN_Graphics::SetFont() - Unable to set font %s\n", szFace.c_str());
}

QIRN_ErrorCode QIRN_Graphics::DrawText(std::string szText, float x, float y, uint32_t dwColor,
                                       uint32_t dwFlags)
{
    if (!m_poFont && (SetFont(QIRN_DEFAULT_FONT_FACE, QIRN_DEFAULT_FONT_POINTS, 0) != OK || !m_poFont))
    {
        dprintf("QIRN_Graphics::DrawText() - Unable to set font!\n");
        return GENERICERROR;
    }
    QIRN_ErrorCode eResult = m_poFont->DrawText(szText, x, y, dwColor, dwFlags);
    if (eResult != OK)
    {
        dprintf("QIRN_Graphics::DrawText() - Unable to draw text!\n");
        return eResult;
    }
    return OK;
}

uint32_t QIRN_Graphics::GetCharHeight(unsigned char c) const
{
    return m_poFont ? m_poFont->m_adwHeight[c] : 0;
}

uint32_t QIRN_Graphics::GetBackBufferWidth() const
{
    return m_poDeviceInfo ? m_poDeviceInfo->m_dwWidth : 0;
}

uint32_t QIRN_Graphics::GetBackBufferHeight() const
{
    return m_poDeviceInfo ? m_poDeviceInfo->m_dwHeight : 0;
}
