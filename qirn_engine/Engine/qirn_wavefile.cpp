#include "qirn_wavefile.h"

#include "qirn_debug.h"

#include <cstdlib>
#include <cstring>

namespace
{
// The 16 bytes every "fmt " chunk starts with.
const LONG PCM_FORMAT_SIZE = 16;

WAVEFORMATEX* AllocFormat(uint32_t dwExtraBytes)
{
    return static_cast<WAVEFORMATEX*>(calloc(1, sizeof(WAVEFORMATEX) + dwExtraBytes));
}
} // namespace

QIRN_WaveFile::QIRN_WaveFile()
    : m_pwfx(nullptr), m_hmmio(nullptr), m_ck(), m_ckRiff(), m_mmioinfoOut(), m_dwFlags(QIRN_WAVEFILE_READ),
      m_dwDataClaimed(0)
{
}

QIRN_WaveFile::~QIRN_WaveFile()
{
    if (m_hmmio)
    {
        Close();
    }
    FreeFormat();
}

void QIRN_WaveFile::FreeFormat()
{
    free(m_pwfx);
    m_pwfx = nullptr;
}

QIRN_ErrorCode QIRN_WaveFile::Open(std::string strFilename, const WAVEFORMATEX* pwfx, uint32_t dwFlags)
{
    if (strFilename.empty())
    {
        dprintf("*** QIRN_WaveFile::Open() FAILED: strFilename is NULL\n");
        return 1;
    }
    // A second open must not leak the first file's handle.
    if (m_hmmio)
    {
        Close();
    }
    m_dwFlags = dwFlags;
    if (dwFlags == QIRN_WAVEFILE_READ)
    {
        FreeFormat();
        m_hmmio = mmioOpenA(&strFilename[0], nullptr, MMIO_ALLOCBUF | MMIO_READ);
        if (!m_hmmio)
        {
            dprintf("*** QIRN_WaveFile::Open() FAILED: Can't read wave file. m_hmmio is NULL\n");
            return 1;
        }
        if (ReadMMIO() != 0)
        {
            mmioClose(m_hmmio, 0);
            m_hmmio = nullptr;
            dprintf("*** QIRN_WaveFile::Open() FAILED: ReadMMIO() FAILED\n");
            return 1;
        }
    }
    else
    {
        m_hmmio = mmioOpenA(&strFilename[0], nullptr, MMIO_ALLOCBUF | MMIO_READWRITE | MMIO_CREATE);
        if (!m_hmmio)
        {
            dprintf("*** QIRN_WaveFile::Open() FAILED: m_hmmio is NULL\n");
            return 1;
        }
        if (WriteMMIO(pwfx) != 0)
        {
            mmioClose(m_hmmio, 0);
            m_hmmio = nullptr;
            dprintf("*** QIRN_WaveFile::Open() FAILED: WriteMMIO() FAILED\n");
            return 1;
        }
    }
    // A failed open holds no file, whichever step failed.
    if (ResetFile() != 0)
    {
        mmioClose(m_hmmio, 0);
        m_hmmio = nullptr;
        dprintf("*** QIRN_WaveFile::Open() FAILED: ResetFile() FAILED\n");
        return 1;
    }
    // A cut-off recording still plays what it holds; every rewind cuts it again, quietly.
    if (dwFlags == QIRN_WAVEFILE_READ && m_ck.cksize < m_dwDataClaimed)
    {
        dprintf("*** QIRN_WaveFile::Open() - the data chunk claims %lu bytes, the file holds %lu: only "
                "those are read\n",
                static_cast<unsigned long>(m_dwDataClaimed), static_cast<unsigned long>(m_ck.cksize));
    }
    return 0;
}

// The RIFF chunk's size bounds every chunk inside it, so it may not claim more than the file
// holds: a larger size is cut to the file (a recording cut short keeps what it has).
QIRN_ErrorCode QIRN_WaveFile::FitRiffToFile()
{
    const LONG lEnd = mmioSeek(m_hmmio, 0, SEEK_END);
    const LONG lContent = static_cast<LONG>(m_ckRiff.dwDataOffset + sizeof(FOURCC));
    if (lEnd == -1 || mmioSeek(m_hmmio, lContent, SEEK_SET) != lContent)
    {
        dprintf("*** QIRN_WaveFile::ReadMMIO() FAILED: mmioSeek() == -1\n");
        return 1;
    }
    const uint64_t qwClaimedEnd = static_cast<uint64_t>(m_ckRiff.dwDataOffset) + m_ckRiff.cksize;
    if (qwClaimedEnd > static_cast<uint64_t>(lEnd))
    {
        const DWORD dwHeld = static_cast<DWORD>(lEnd) - m_ckRiff.dwDataOffset;
        dprintf("*** QIRN_WaveFile::ReadMMIO() - the RIFF chunk claims %lu bytes, the file holds %lu: cut to "
                "the file\n",
                static_cast<unsigned long>(m_ckRiff.cksize), static_cast<unsigned long>(dwHeld));
        m_ckRiff.cksize = dwHeld;
    }
    return 0;
}

bool QIRN_WaveFile::FitsInRiff(const MMCKINFO& ck) const
{
    return static_cast<uint64_t>(ck.dwDataOffset) + ck.cksize <=
           static_cast<uint64_t>(m_ckRiff.dwDataOffset) + m_ckRiff.cksize;
}

QIRN_ErrorCode QIRN_WaveFile::ReadMMIO()
{
    m_pwfx = nullptr;
    if (mmioDescend(m_hmmio, &m_ckRiff, nullptr, 0) != 0)
    {
        dprintf("*** QIRN_WaveFile::ReadMMIO() FAILED: mmioDescend() returned ZERO\n");
        return 1;
    }
    if (m_ckRiff.ckid != FOURCC_RIFF)
    {
        dprintf("*** QIRN_WaveFile::ReadMMIO() FAILED: m_ckReiff.dkid != FOURCC_RIFF\n");
        return 1;
    }
    if (m_ckRiff.fccType != mmioFOURCC('W', 'A', 'V', 'E'))
    {
        dprintf("*** QIRN_WaveFile::ReadMMIO() FAILED: m_ckRiff.fccType != mmioFOURC('wave')\n");
        return 1;
    }
    if (FitRiffToFile() != 0)
    {
        return 1;
    }
    MMCKINFO ckIn = {};
    ckIn.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioDescend(m_hmmio, &ckIn, &m_ckRiff, MMIO_FINDCHUNK) != 0)
    {
        dprintf("*** QIRN_WaveFile::ReadMMIO() FAILED: mmioDescend() returned ZERO\n");
        return 1;
    }
    if (ckIn.cksize < static_cast<DWORD>(PCM_FORMAT_SIZE))
    {
        dprintf("*** QIRN_WaveFile::ReadMMIO() FAILED: ckIn.cksize < szieof(PCWAVEFORMAT) \n");
        return 1;
    }
    PCMWAVEFORMAT pcmWaveFormat = {};
    if (mmioRead(m_hmmio, reinterpret_cast<HPSTR>(&pcmWaveFormat), PCM_FORMAT_SIZE) != PCM_FORMAT_SIZE)
    {
        dprintf("*** QIRN_WaveFile::ReadMMIO() FAILED: mmioRead() != sizeof(pcmWaveFormat)\n");
        return 1;
    }
    // Leaving a chunk seeks past its end: a size beyond the RIFF chunk would leave the file there.
    if (!FitsInRiff(ckIn))
    {
        dprintf("*** QIRN_WaveFile::ReadMMIO() FAILED: the format chunk of %lu bytes runs past its RIFF chunk\n",
                static_cast<unsigned long>(ckIn.cksize));
        return 1;
    }
    // Every later step divides by these: a format without them cannot be played or timed.
    if (pcmWaveFormat.wf.nChannels == 0 || pcmWaveFormat.wf.nBlockAlign == 0 ||
        pcmWaveFormat.wf.nAvgBytesPerSec == 0)
    {
        dprintf(
            "*** QIRN_WaveFile::ReadMMIO() FAILED: the format has 0 channels, block alignment or bytes per "
            "second\n");
        return 1;
    }
    // The stream's geometry and the play position's time are both sized by the rate.
    if (pcmWaveFormat.wf.nSamplesPerSec == 0)
    {
        dprintf("*** QIRN_WaveFile::ReadMMIO() FAILED: the format's sample rate is 0\n");
        return 1;
    }
    if (pcmWaveFormat.wf.wFormatTag == WAVE_FORMAT_PCM)
    {
        m_pwfx = AllocFormat(0);
        if (!m_pwfx)
        {
            dprintf("*** QIRN_WaveFile::ReadMMIO() FAILED: m_pwfx == NULL\n");
            return 1;
        }
        memcpy(m_pwfx, &pcmWaveFormat, PCM_FORMAT_SIZE);
        m_pwfx->cbSize = 0;
    }
    else
    {
        // The extra-size field is optional: a 16-byte chunk has no extra bytes, and the count
        // may not reach past the chunk into the next one.
        WORD cbExtraBytes = 0;
        if (ckIn.cksize >= sizeof(WAVEFORMATEX))
        {
            if (mmioRead(m_hmmio, reinterpret_cast<HPSTR>(&cbExtraBytes), sizeof(WORD)) != sizeof(WORD))
            {
                dprintf("*** QIRN_WaveFile::ReadMMIO() FAILED: mmioRead() != sizeof(WORD)\n");
                return 1;
            }
        }
        m_pwfx = AllocFormat(cbExtraBytes);
        if (!m_pwfx)
        {
            dprintf("*** QIRN_WaveFile::ReadMMIO() FAILED: m_pwfx == NULL\n");
            return 1;
        }
        memcpy(m_pwfx, &pcmWaveFormat, PCM_FORMAT_SIZE);
        m_pwfx->cbSize = cbExtraBytes;
        if (cbExtraBytes > 0 && (ckIn.cksize - sizeof(WAVEFORMATEX) < cbExtraBytes ||
                                 mmioRead(m_hmmio, reinterpret_cast<HPSTR>(m_pwfx) + sizeof(WAVEFORMATEX),
                                          cbExtraBytes) != cbExtraBytes))
        {
            FreeFormat();
            dprintf("*** QIRN_WaveFile::ReadMMIO() FAILED: mmioRead() != cbExtraBytes\n");
            return 1;
        }
    }
    if (mmioAscend(m_hmmio, &ckIn, 0) != 0)
    {
        FreeFormat();
        dprintf("*** QIRN_WaveFile::mmioRead() FAILED: mmioAscend != ZERO\n");
        return 1;
    }
    return 0;
}

QIRN_ErrorCode QIRN_WaveFile::ResetFile()
{
    if (!m_hmmio)
    {
        dprintf("*** QIRN_WaveFile::ReadFile() FAILED: m_hmmio == NULL\n");
        return 1;
    }
    if (m_dwFlags == QIRN_WAVEFILE_READ)
    {
        if (mmioSeek(m_hmmio, m_ckRiff.dwDataOffset + sizeof(FOURCC), SEEK_SET) == -1)
        {
            dprintf("*** QIRN_WaveFile::ReadFile() FAILED: mioSeek() == -1\n");
            return 1;
        }
        m_ck.ckid = mmioFOURCC('d', 'a', 't', 'a');
        if (mmioDescend(m_hmmio, &m_ck, &m_ckRiff, MMIO_FINDCHUNK) != 0)
        {
            dprintf("*** QIRN_WaveFile::ReadFile() FAILED: mmioDescend() != ZERO\n");
            return 1;
        }
        // A data chunk never hands out more than its RIFF chunk (itself cut to the file) holds. A
        // chunk before it whose size skips past the file's end leaves no data chunk at all.
        const uint64_t qwRiffEnd = static_cast<uint64_t>(m_ckRiff.dwDataOffset) + m_ckRiff.cksize;
        if (m_ck.dwDataOffset > qwRiffEnd)
        {
            dprintf("*** QIRN_WaveFile::ReadFile() FAILED: the data chunk lies past the end of its RIFF chunk\n");
            return 1;
        }
        m_dwDataClaimed = m_ck.cksize;
        if (!FitsInRiff(m_ck))
        {
            m_ck.cksize = static_cast<DWORD>(qwRiffEnd - m_ck.dwDataOffset);
        }
        return 0;
    }
    m_ck.ckid = mmioFOURCC('d', 'a', 't', 'a');
    m_ck.cksize = 0;
    if (mmioCreateChunk(m_hmmio, &m_ck, 0) != 0)
    {
        dprintf("*** QIRN_WaveFile::ReadFile() FAILED: mmioCreateChunk() != ZERO\n");
        return 1;
    }
    if (mmioGetInfo(m_hmmio, &m_mmioinfoOut, 0) != 0)
    {
        dprintf("*** QIRN_WaveFile::ReadFile() FAILED: mmioGetInfo() != ZERO\n");
        return 1;
    }
    return 0;
}

QIRN_ErrorCode QIRN_WaveFile::Read(uint8_t* pBuffer, uint32_t dwSizeToRead, uint32_t* pdwSizeRead)
{
    if (!m_hmmio)
    {
        dprintf("*** QIRN_WaveFile::Read() FAILED: m_hmmio is NULL\n");
        return 1;
    }
    if (!pBuffer)
    {
        dprintf("*** QIRN_WaveFile::Read() FAILED: pBuffer == NULL\n");
        return 1;
    }
    if (!pdwSizeRead)
    {
        dprintf("*** QIRN_WaveFile::Read() FAILED: pdwSizeRead == NULL\n");
        return 1;
    }
    *pdwSizeRead = 0;
    MMIOINFO mmioinfoIn = {};
    if (mmioGetInfo(m_hmmio, &mmioinfoIn, 0) != 0)
    {
        dprintf("*** QIRN_WaveFile::Read() FAILED: mmioGetInfo() != ZERO\n");
        return 1;
    }
    uint32_t cbDataIn = dwSizeToRead;
    if (cbDataIn > m_ck.cksize)
    {
        cbDataIn = m_ck.cksize;
    }
    m_ck.cksize -= cbDataIn;
    // Copy straight out of mmio's own buffer, refilling it as it runs dry.
    uint32_t dwDone = 0;
    while (dwDone < cbDataIn)
    {
        if (mmioinfoIn.pchNext == mmioinfoIn.pchEndRead)
        {
            if (mmioAdvance(m_hmmio, &mmioinfoIn, MMIO_READ) != 0)
            {
                dprintf("*** QIRN_WaveFile::Read() FAILED: mmioAdvance() != ZERO\n");
                return 1;
            }
            if (mmioinfoIn.pchNext == mmioinfoIn.pchEndRead)
            {
                dprintf("*** QIRN_WaveFile::Read() FAILED: mmioinfoIn.pchNext == mmioinfoIn.pchEndRead\n");
                return 1;
            }
        }
        uint32_t dwAvailable = static_cast<uint32_t>(mmioinfoIn.pchEndRead - mmioinfoIn.pchNext);
        uint32_t dwCopy = cbDataIn - dwDone < dwAvailable ? cbDataIn - dwDone : dwAvailable;
        memcpy(pBuffer + dwDone, mmioinfoIn.pchNext, dwCopy);
        mmioinfoIn.pchNext += dwCopy;
        dwDone += dwCopy;
    }
    if (mmioSetInfo(m_hmmio, &mmioinfoIn, 0) != 0)
    {
        dprintf("*** QIRN_WaveFile::Read() FAILED: mmioSetInfo() != ZERO\n");
        return 1;
    }
    *pdwSizeRead = cbDataIn;
    return 0;
}

QIRN_ErrorCode QIRN_WaveFile::WriteMMIO(const WAVEFORMATEX* pwfxDest)
{
    if (!pwfxDest)
    {
        dprintf("*** QIRN_WaveFile::WriteMMIO() FAILED: pwfxDest is NULL\n");
        return 1;
    }
    m_ckRiff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    m_ckRiff.cksize = 0;
    if (mmioCreateChunk(m_hmmio, &m_ckRiff, MMIO_CREATERIFF) != 0)
    {
        dprintf("*** QIRN_WaveFile::WriteMMIO() FAILED: mmioCreateChunk != ZERO\n");
        return 1;
    }
    m_ck.ckid = mmioFOURCC('f', 'm', 't', ' ');
    m_ck.cksize = PCM_FORMAT_SIZE;
    if (mmioCreateChunk(m_hmmio, &m_ck, 0) != 0)
    {
        dprintf("*** QIRN_WaveFile::WriteMMIO() FAILED: mmioCreateChunk() != ZERO\n");
        return 1;
    }
    const char* pFormat = reinterpret_cast<const char*>(pwfxDest);
    if (pwfxDest->wFormatTag == WAVE_FORMAT_PCM)
    {
        if (mmioWrite(m_hmmio, pFormat, PCM_FORMAT_SIZE) != PCM_FORMAT_SIZE)
        {
            dprintf("*** QIRN_WaveFile::WriteMMIO() FAILED: mmioWrite() != sizeof(PCMWAVEFORMAT)\n");
            return 1;
        }
    }
    else
    {
        LONG lSize = static_cast<LONG>(sizeof(WAVEFORMATEX) + pwfxDest->cbSize);
        if (mmioWrite(m_hmmio, pFormat, lSize) != lSize)
        {
            dprintf("*** QIRN_WaveFile::WriteMMIO() FAILED: mmioWrite() != sizeof()\n");
            return 1;
        }
    }
    if (mmioAscend(m_hmmio, &m_ck, 0) != 0)
    {
        dprintf("*** QIRN_WaveFile::WriteMMIO() FAILED: mmioAscend != ZERO\n");
        return 1;
    }
    MMCKINFO ckOut1 = {};
    ckOut1.ckid = mmioFOURCC('f', 'a', 'c', 't');
    ckOut1.cksize = 0;
    if (mmioCreateChunk(m_hmmio, &ckOut1, 0) != 0)
    {
        dprintf("*** QIRN_WaveFile::WriteMMIO() FAILED: mmioCreateChunk != ZERO\n");
        return 1;
    }
    DWORD dwFactChunk = 0xFFFFFFFF;
    if (mmioWrite(m_hmmio, reinterpret_cast<const char*>(&dwFactChunk), sizeof(dwFactChunk)) !=
        sizeof(dwFactChunk))
    {
        dprintf("*** QIRN_WaveFile::WriteMMIO() FAILED: mmioWrite() != sizeof(dwFactChunk)\n");
        return 1;
    }
    if (mmioAscend(m_hmmio, &ckOut1, 0) != 0)
    {
        dprintf("*** QIRN_WaveFile::WriteMMIO() FAILED: mmioAscend() != ZERO\n");
        return 1;
    }
    return 0;
}

QIRN_ErrorCode QIRN_WaveFile::Close()
{
    if (m_dwFlags == QIRN_WAVEFILE_READ)
    {
        if (m_hmmio)
        {
            mmioClose(m_hmmio, 0);
        }
        m_hmmio = nullptr;
        return 0;
    }
    if (!m_hmmio)
    {
        dprintf("*** QIRN_WaveFile::Close() FAILED: m_hmmio == NULL\n");
        return 1;
    }
    m_mmioinfoOut.dwFlags |= MMIO_DIRTY;
    if (mmioSetInfo(m_hmmio, &m_mmioinfoOut, 0) != 0)
    {
        dprintf("*** QIRN_WaveFile::Close() FAILED: mmioSetInfo() != ZERO\n");
        return 1;
    }
    if (mmioAscend(m_hmmio, &m_ck, 0) != 0)
    {
        dprintf("*** QIRN_WaveFile::Close() FAILED: mmioAscend() != ZERO\n");
        return 1;
    }
    if (mmioAscend(m_hmmio, &m_ckRiff, 0) != 0)
    {
        dprintf("*** QIRN_WaveFile::Close() FAILED: mmioAscend != ZERO\n");
        return 1;
    }
    mmioSeek(m_hmmio, 0, SEEK_SET);
    if (mmioDescend(m_hmmio, &m_ckRiff, nullptr, 0) != 0)
    {
        dprintf("*** QIRN_WaveFile::Close() FAILED: mmioDescend() != ZERO\n");
        return 1;
    }
    MMCKINFO ckFact = {};
    ckFact.ckid = mmioFOURCC('f', 'a', 'c', 't');
    if (mmioDescend(m_hmmio, &ckFact, &m_ckRiff, MMIO_FINDCHUNK) == 0)
    {
        DWORD dwSamples = 0;
        mmioWrite(m_hmmio, reinterpret_cast<const char*>(&dwSamples), sizeof(DWORD));
        mmioAscend(m_hmmio, &ckFact, 0);
    }
    if (mmioAscend(m_hmmio, &m_ckRiff, 0) != 0)
    {
        dprintf("*** QIRN_WaveFile::Close() FAILED: mmioAscend() != ZERO\n");
        return 1;
    }
    mmioClose(m_hmmio, 0);
    m_hmmio = nullptr;
    return 0;
}
