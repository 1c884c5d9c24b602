#include "qirn_sndobj.h"

#include "qirn_wavefile.h"

QIRN_SndObj::QIRN_SndObj(std::string strName, bool bStatic, bool bLoop)
    : m_strName(std::move(strName)), m_bStatic(bStatic ? 1 : 0), m_bLoop(bLoop ? 1 : 0), m_dwBufferSize(0),
      m_poWaveFile(nullptr)
{
}

QIRN_SndObj::~QIRN_SndObj()
{
    delete m_poWaveFile;
    m_poWaveFile = nullptr;
}
