#include "qirn_logoactor.h"

#include "qirn_debug.h"
#include "qirn_graphics.h"
#include "qirn_world.h"

QIRN_LogoActor::QIRN_LogoActor(std::string szClassName) : QIRN_MeshActor(szClassName) {}

QIRN_LogoActor::~QIRN_LogoActor() = default;

QIRN_ErrorCode QIRN_LogoActor::InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile)
{
    if (szKeyWord.empty() || !roFile)
    {
        dprintf("*** QIRN_LogoActor::InterpretKeyWord(): szKeyWord is invalid\n");
        return GENERICERROR;
    }
    return QIRN_MeshActor::InterpretKeyWord(szKeyWord, roFile);
}

QIRN_ErrorCode QIRN_LogoActor::SaveContents(QIRN_File& roFile)
{
    if (!roFile)
    {
        dprintf("*** QIRN_LogoActor::SaveContents(): roFile is invalid\n");
        return GENERICERROR;
    }
    return QIRN_MeshActor::SaveContents(roFile);
}

QIRN_ErrorCode QIRN_LogoActor::GetTransform(QIRN_Matrix4* oDest)
{
    if (!oDest)
    {
        dprintf("*** QIRN_LogoActor::GetTransform() - oDest is NULL\n");
        return INVALIDPARAMS;
    }
    QIRN_Graphics* poGraphics = m_poWorld ? m_poWorld->GetEngineGraphics(0) : nullptr;
    if (!poGraphics)
    {
        return OK;
    }
    // The interface's own view (the identity: the renderers keep the camera's view elsewhere).
    QIRN_Matrix4 view;
    QIRN_Matrix4 inverse;
    Matrix_Identity(&view);
    Matrix_Identity(&inverse);
    poGraphics->GetViewMatrix(&view);
    Matrix_Invert(&view, &inverse);
    QIRN_Matrix4 translation;
    Matrix_Translation(m_vPosition.x, m_vPosition.y, m_vPosition.z, &translation);
    Matrix_Multiply(&translation, &inverse, oDest);
    return OK;
}
