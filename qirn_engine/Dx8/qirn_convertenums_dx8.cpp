#include "qirn_convertenums_dx8.h"

#include <d3d8.h>

namespace
{
// Codes 0..iCount-1 that map onto consecutive Direct3D values from dwFirst.
uint32_t Shifted(uint32_t eValue, uint32_t dwCount, uint32_t dwFirst)
{
    return eValue < dwCount ? eValue + dwFirst : QIRN_DX8_NOTSET;
}
} // namespace

uint32_t ConvertTextureOp(uint32_t eOp)
{
    return Shifted(eOp, 26, D3DTOP_DISABLE);
}

uint32_t ConvertTextureArg(uint32_t eArg, uint32_t eFlags)
{
    static const uint32_t s_adwArgs[] = {D3DTA_CURRENT, D3DTA_DIFFUSE, D3DTA_SELECTMASK, D3DTA_SPECULAR,
                                         D3DTA_TEMP,    D3DTA_TEXTURE, D3DTA_TFACTOR};
    static const uint32_t s_adwFlags[] = {0, D3DTA_COMPLEMENT, D3DTA_ALPHAREPLICATE,
                                          D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE};
    if (eArg >= sizeof(s_adwArgs) / sizeof(s_adwArgs[0]))
    {
        return QIRN_DX8_INVALID;
    }
    return s_adwArgs[eArg] | (eFlags < 4 ? s_adwFlags[eFlags] : 0);
}

uint32_t ConvertTextureAddress(uint32_t eAddress)
{
    return Shifted(eAddress, 5, D3DTADDRESS_WRAP);
}

uint32_t ConvertTextureFilter(uint32_t eFilter)
{
    return Shifted(eFilter, 6, D3DTEXF_NONE);
}

uint32_t ConvertTexCoordGeneration(uint32_t eGeneration)
{
    switch (eGeneration)
    {
    case 0:
    case 1:
        return D3DTSS_TCI_PASSTHRU;
    case 2:
        return D3DTSS_TCI_CAMERASPACENORMAL;
    case 3:
        return D3DTSS_TCI_CAMERASPACEPOSITION;
    case 4:
        return D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR;
    default:
        return QIRN_DX8_INVALID;
    }
}

uint32_t ConvertTextureTransformFlags(uint32_t eFlags)
{
    if ((eFlags & 0xFF) > D3DTTFF_COUNT4)
    {
        return QIRN_DX8_NOTSET;
    }
    return (eFlags & 0xFF) | (eFlags & D3DTTFF_PROJECTED);
}

uint32_t ConvertBlend(uint32_t eBlend)
{
    return Shifted(eBlend, 13, D3DBLEND_ZERO);
}

uint32_t ConvertCompareFunc(uint32_t eFunc)
{
    return Shifted(eFunc, 8, D3DCMP_NEVER);
}

uint32_t ConvertCullMode(uint32_t eMode)
{
    return Shifted(eMode, 3, D3DCULL_NONE);
}

uint32_t ConvertFillMode(uint32_t eMode)
{
    switch (eMode)
    {
    case 1:
        return D3DFILL_SOLID;
    case 2:
        return D3DFILL_WIREFRAME;
    case 3:
        return D3DFILL_POINT;
    default:
        return QIRN_DX8_NOTSET;
    }
}

uint32_t ConvertStencilOp(uint32_t eOp)
{
    return Shifted(eOp, 8, D3DSTENCILOP_KEEP);
}

uint32_t ConvertPatchEdgeStyle(uint32_t eStyle)
{
    return Shifted(eStyle, 2, D3DPATCHEDGE_DISCRETE);
}

uint32_t ConvertPatchOrder(uint32_t eOrder)
{
    static const uint32_t s_adwOrders[] = {D3DORDER_LINEAR, D3DORDER_CUBIC, D3DORDER_QUINTIC};
    return eOrder < 3 ? s_adwOrders[eOrder] : QIRN_DX8_NOTSET;
}

uint32_t ConvertPatchBasis(uint32_t eBasis)
{
    return Shifted(eBasis, 3, D3DBASIS_BEZIER);
}

uint32_t ConvertConsoleFillMode(uint32_t eMode)
{
    switch (eMode)
    {
    case 2:
        return D3DFILL_WIREFRAME;
    case 3:
        return D3DFILL_POINT;
    default:
        return D3DFILL_SOLID;
    }
}

uint32_t ConvertFogMode(uint32_t eMode)
{
    switch (eMode)
    {
    case 0:
        return D3DFOG_EXP;
    case 1:
        return D3DFOG_EXP2;
    case 2:
        return D3DFOG_LINEAR;
    default:
        return D3DFOG_NONE;
    }
}
