// QIRN_ShaderConstants::SetConstants and the evaluators of the scene quantities: they read the
// world, its camera, lights and actors and the geometry being drawn, so they are built with the
// world rather than with the graphics layer that declares them.

#include "qirn_baseactor.h"
#include "qirn_cameraactor.h"
#include "qirn_debug.h"
#include "qirn_graphics.h"
#include "qirn_lightactor.h"
#include "qirn_meshactor.h"
#include "qirn_meshdata.h"
#include "qirn_shader.h"
#include "qirn_shaderconstants.h"
#include "qirn_world.h"

#include <algorithm>

namespace
{
QIRN_ConstantsGraphicsSource g_pfnGraphics = nullptr;
QIRN_ConstantsWorldSource g_pfnWorld = nullptr;

const float COLOR_SCALE = 0.0039215689f;

QIRN_Matrix4 Identity()
{
    QIRN_Matrix4 m;
    Matrix_Identity(&m);
    return m;
}

QIRN_Vector4 Row(const QIRN_Matrix4& m, int iRow)
{
    const float* pf = m.Data() + 4 * iRow;
    return QIRN_Vector4(pf[0], pf[1], pf[2], pf[3]);
}
} // namespace

void QIRN_ShaderConstants::SetEngineSources(QIRN_ConstantsGraphicsSource pfnGraphics,
                                            QIRN_ConstantsWorldSource pfnWorld)
{
    g_pfnGraphics = pfnGraphics;
    g_pfnWorld = pfnWorld;
}

QIRN_ErrorCode QIRN_ShaderConstants::SetConstants(QIRN_Engine* pEngine, QIRN_BaseActor* pCamera,
                                                  PolygonGroup* pGroup, QIRN_ShaderPass* pPass,
                                                  QIRN_BaseActor* pObject)
{
    if (!m_poRows || !m_pfValues)
    {
        dprintf("*** QIRN_ShaderConstants::SetConstants() - Not initialized\n");
        return GENERICERROR;
    }
    m_pEngine = pEngine;
    if (!pEngine)
    {
        dprintf("*** QIRN_ShaderConstants::SetConstants() - Engine is NULL\n");
        return GENERICERROR;
    }
    m_pGraphics = g_pfnGraphics ? g_pfnGraphics(pEngine) : nullptr;
    if (!m_pGraphics)
    {
        dprintf("*** QIRN_ShaderConstants::SetConstants() - Graphics is NULL\n");
        return GENERICERROR;
    }
    m_pWorld = g_pfnWorld ? g_pfnWorld(pEngine) : nullptr;
    if (!m_pWorld)
    {
        dprintf("*** QIRN_ShaderConstants::SetConstants() - World is NULL\n");
        return GENERICERROR;
    }
    m_pCamera = pCamera;
    if (!pCamera)
    {
        dprintf("*** QIRN_ShaderConstants::SetConstants() - Camera is NULL\n");
        return GENERICERROR;
    }
    m_pPolygonGroup = pGroup;
    m_pObjectActor = pObject;
    m_pMeshActor = dynamic_cast<QIRN_MeshActor*>(pObject);
    m_pMeshData = pGroup ? pGroup->m_pOwnerMesh : nullptr;
    if (pGroup && !m_pMeshData)
    {
        dprintf("*** QIRN_ShaderConstants::SetConstants() - Mesh is NULL\n");
        return GENERICERROR;
    }
    m_pPass = pPass;
    if (!pPass)
    {
        dprintf("*** QIRN_ShaderConstants::SetConstants() - Shader pass is NULL\n");
        return GENERICERROR;
    }
    m_fWorldTime = m_pWorld->GetWorldTime();
    SortLights();

    // Rows in ascending order, so that a sum sees the values its earlier rows got in this call.
    uint64_t qwRow = 0;
    while (qwRow < m_dwNumRows)
    {
        const uint32_t dwRow = static_cast<uint32_t>(qwRow);
        uint64_t qwNext = qwRow + 1;
        for (uint32_t c = 0; c < 4; ++c)
        {
            const QIRN_ShaderConstant& constant = Constant(dwRow, c);
            const uint32_t dwType = constant.GetType();
            const uint64_t qwCount = constant.m_adwOperands[0];
            // Whole-row kinds take the rows they fill; a count of 0 still moves on by one row.
            uint64_t qwSpan = 0;
            switch (dwType)
            {
            case QIRN_CONSTANT_VECTOR:
            case QIRN_CONSTANT_LIGHT_VECTOR:
            case QIRN_CONSTANT_MATERIAL:
                qwSpan = 1;
                break;
            case QIRN_CONSTANT_MATRIX:
                qwSpan = 4;
                break;
            case QIRN_CONSTANT_SKIN:
                qwSpan = std::max<uint64_t>(1, 4 * qwCount);
                break;
            case QIRN_CONSTANT_SKIN_INVERSE:
                qwSpan = std::max<uint64_t>(1, 8 * qwCount);
                break;
            default:
                break;
            }
            if (!constant.IsDynamic() && dwType != QIRN_CONSTANT_MATERIAL)
            {
                if (qwSpan)
                {
                    qwNext = qwRow + qwSpan;
                    break;
                }
                continue;
            }
            switch (dwType)
            {
            case QIRN_CONSTANT_VARIABLE:
                Value(dwRow, c) = GetVariableValue(constant.m_dwParam);
                break;
            case QIRN_CONSTANT_FUNCTION:
                EvaluateFunction(dwRow, c);
                break;
            case QIRN_CONSTANT_SUM:
                EvaluateSum(dwRow, c);
                break;
            case QIRN_CONSTANT_VECTOR:
                EvaluateVector(dwRow);
                break;
            case QIRN_CONSTANT_MATRIX:
                EvaluateMatrix(dwRow);
                break;
            case QIRN_CONSTANT_SKIN:
                EvaluateSkinMatrix(dwRow);
                break;
            case QIRN_CONSTANT_SKIN_INVERSE:
                EvaluateSkinMatrixInv(dwRow);
                break;
            case QIRN_CONSTANT_LIGHT:
                EvaluateLight(dwRow, c);
                break;
            case QIRN_CONSTANT_LIGHT_VECTOR:
                EvaluateLightVector(dwRow);
                break;
            case QIRN_CONSTANT_MATERIAL:
                EvaluateMaterialVector(dwRow);
                break;
            case QIRN_CONSTANT_DATABUNNY:
                Value(dwRow, c) = constant.m_oDataBunnyAssignment.GetValue();
                break;
            default:
                dprintf("*** QIRN_ShaderConstants::SetConstants() - Invalid dynamic constant type\n");
                break;
            }
            if (qwSpan)
            {
                qwNext = qwRow + qwSpan;
                break;
            }
        }
        qwRow = qwNext;
    }
    Upload();
    return OK;
}

void QIRN_ShaderConstants::SortLights()
{
    m_dwNumLights = 0;
    QIRN_LINKEDLIST<QIRN_LightActor>* poLights = m_pWorld->GetLightActorList();
    if (!poLights)
    {
        dprintf("*** QIRN_ShaderConstants::SetConstants() - Light list is NULL\n");
        return;
    }
    QIRN_Vector4 vReference(0.0f, 0.0f, 0.0f, 1.0f);
    if (m_pMeshData)
    {
        vReference = m_pMeshData->GetWorldPosition();
    }
    else if (m_pObjectActor)
    {
        vReference = m_pObjectActor->GetPosition();
    }
    for (auto* poNode = poLights->m_pHead; poNode && m_dwNumLights < MAX_LIGHTS; poNode = poNode->m_pNext)
    {
        QIRN_LightActor* poLight = poNode->m_pData;
        if (!poLight)
        {
            continue;
        }
        QIRN_Vector4 vPosition = poLight->GetPosition();
        const float dx = vPosition.x - vReference.x;
        const float dy = vPosition.y - vReference.y;
        const float dz = vPosition.z - vReference.z;
        m_aoLights[m_dwNumLights].m_poLight = poLight;
        m_aoLights[m_dwNumLights].m_fDistanceSquared = dx * dx + dy * dy + dz * dz;
        ++m_dwNumLights;
    }
    std::sort(m_aoLights, m_aoLights + m_dwNumLights,
              [](const QIRN_ShaderConstantLight& a, const QIRN_ShaderConstantLight& b)
              { return a.m_fDistanceSquared < b.m_fDistanceSquared; });
}

void QIRN_ShaderConstants::Upload()
{
    uint32_t dwRow = 0;
    while (dwRow < m_dwNumRows)
    {
        uint32_t dwEnd = dwRow;
        auto Defined = [this](uint32_t r)
        {
            for (uint32_t c = 0; c < 4; ++c)
            {
                if (Constant(r, c).GetType() != QIRN_CONSTANT_UNDEFINED)
                {
                    return true;
                }
            }
            return false;
        };
        while (dwEnd < m_dwNumRows && Defined(dwEnd))
        {
            ++dwEnd;
        }
        if (dwEnd > dwRow)
        {
            const float* pfData = &m_pfValues[dwRow * 4];
            if (m_bVSFlag)
            {
                m_pGraphics->SetVertexShaderConstants(dwRow, pfData, dwEnd - dwRow);
            }
            else
            {
                m_pGraphics->SetPixelShaderConstants(dwRow, pfData, dwEnd - dwRow);
            }
            dwRow = dwEnd;
        }
        else
        {
            ++dwRow;
        }
    }
}

void QIRN_ShaderConstants::StoreRow(uint32_t dwRow, const QIRN_Vector4& v)
{
    if (dwRow >= m_dwNumRows)
    {
        return;
    }
    Value(dwRow, 0) = v.x;
    Value(dwRow, 1) = v.y;
    Value(dwRow, 2) = v.z;
    Value(dwRow, 3) = v.w;
}

void QIRN_ShaderConstants::StoreTransposed(uint32_t dwRow, const QIRN_Matrix4& m)
{
    const float* pf = m.Data();
    for (uint32_t k = 0; k < 4; ++k)
    {
        StoreRow(dwRow + k, QIRN_Vector4(pf[k], pf[4 + k], pf[8 + k], pf[12 + k]));
    }
}

QIRN_Matrix4 QIRN_ShaderConstants::CameraPlacement() const
{
    QIRN_Matrix4 m = Identity();
    m_pCamera->GetTransform(&m);
    return m;
}

QIRN_Matrix4 QIRN_ShaderConstants::ObjectMatrix() const
{
    QIRN_Matrix4 m = Identity();
    if (m_pObjectActor)
    {
        m_pObjectActor->GetTransform(&m);
    }
    else if (m_poMatrices && m_dwNumMatrices > 0 && m_pMeshData && m_pMeshData->m_dwNumPaletteEntries == 0)
    {
        // An unskinned group's posed matrix is its world matrix.
        m = m_poMatrices[0];
    }
    else if (m_pMeshData)
    {
        QIRN_Matrix4 world = m_pMeshData->GetWorldMatrix();
        QIRN_Matrix4 local = m_pMeshData->GetLocalMatrix();
        Matrix_Multiply(&world, &local, &m);
    }
    return m;
}

QIRN_Matrix4 QIRN_ShaderConstants::SkinMatrix(const PolygonGroupBone& roBone) const
{
    if (m_poMatrices && static_cast<uint32_t>(roBone.m_iMatrixSlot) < m_dwNumMatrices)
    {
        return m_poMatrices[roBone.m_iMatrixSlot];
    }
    QIRN_Matrix4 skin = m_pMeshData->GetSkinMatrix(roBone.m_iPaletteSlot);
    QIRN_Matrix4 local = m_pMeshData->GetLocalMatrix();
    QIRN_Matrix4 m;
    Matrix_Multiply(&skin, &local, &m);
    return m;
}

QIRN_Vector4 QIRN_ShaderConstants::ObjectPosition() const
{
    return Row(ObjectMatrix(), 3);
}

void QIRN_ShaderConstants::EvaluateVector(uint32_t dwRow)
{
    QIRN_Vector4 v(0.0f, 0.0f, 0.0f, 1.0f);
    switch (Constant(dwRow, 0).m_dwParam)
    {
    case 0:
        v = Row(CameraPlacement(), 3);
        break;
    case 1:
    {
        QIRN_Vector4 vCamera = Row(CameraPlacement(), 3);
        QIRN_Vector4 vObject = ObjectPosition();
        v = QIRN_Vector4(vCamera.x - vObject.x, vCamera.y - vObject.y, vCamera.z - vObject.z, 1.0f);
        break;
    }
    case 2:
        v = Row(CameraPlacement(), 2);
        break;
    case 3:
        break;
    default:
        dprintf("*** QIRN_ShaderConstants::EvaluateVector() - Unknown vector type\n");
        break;
    }
    StoreRow(dwRow, v);
}

void QIRN_ShaderConstants::EvaluateMatrix(uint32_t dwRow)
{
    const QIRN_ShaderConstant& constant = Constant(dwRow, 0);
    QIRN_Matrix4 m = Identity();
    QIRN_Matrix4 view = Identity();
    QIRN_Matrix4 projection = Identity();
    QIRN_CameraActor* poCamera = dynamic_cast<QIRN_CameraActor*>(m_pCamera);
    const uint32_t dwKind = constant.m_dwParam;
    if (poCamera && dwKind >= 1 && dwKind <= 5)
    {
        QIRN_ViewMatrix viewMatrix;
        Matrix_Identity(&viewMatrix);
        poCamera->GetTransform(&viewMatrix);
        view = viewMatrix;
        poCamera->GetProjectionMatrix(&projection);
    }
    QIRN_Matrix4 temp;
    switch (dwKind)
    {
    case 0:
        m = ObjectMatrix();
        break;
    case 1:
        m = view;
        break;
    case 2:
        m = projection;
        break;
    case 3:
    {
        QIRN_Matrix4 world = ObjectMatrix();
        Matrix_Multiply(&world, &view, &m);
        break;
    }
    case 4:
        Matrix_Multiply(&view, &projection, &m);
        break;
    case 5:
    {
        QIRN_Matrix4 world = ObjectMatrix();
        Matrix_Multiply(&world, &view, &temp);
        Matrix_Multiply(&temp, &projection, &m);
        break;
    }
    case QIRN_CONSTANT_MATRIX_TEXTURE:
        if (m_pPass && constant.m_adwOperands[0] < m_pPass->m_dwNumLayers && m_pPass->m_poLayers)
        {
            m = m_pPass->m_poLayers[constant.m_adwOperands[0]].m_mTEXCOORDTRANSFORM;
        }
        break;
    case 7:
    {
        const float af[16] = {2, 0, 0, 0, 0, -2, 1, 0, 0, 0, 1, 0, -1, 1, 0, 1};
        std::copy(af, af + 16, m.Data());
        break;
    }
    default:
        dprintf("*** QIRN_ShaderConstants::EvaluateMatrix() - Unknown matrix type\n");
        break;
    }
    StoreTransposed(dwRow, m);
}

void QIRN_ShaderConstants::EvaluateSkinMatrix(uint32_t dwRow)
{
    if (!m_pMeshData)
    {
        dprintf("*** QIRN_ShaderConstants::EvaluateSkinMatrix() - Requires a skinned mesh\n");
        return;
    }
    const uint32_t dwPalette = m_pMeshData->m_dwNumPaletteEntries;
    const uint32_t dwLimit = std::min<uint32_t>(Constant(dwRow, 0).m_adwOperands[0], dwPalette);
    if (dwPalette == 0 || !m_pPolygonGroup)
    {
        return;
    }
    for (const PolygonGroupBone& bone : m_pPolygonGroup->m_voBones)
    {
        if (bone.m_iMatrixSlot < 0 || static_cast<uint32_t>(bone.m_iMatrixSlot) >= dwLimit)
        {
            continue;
        }
        StoreTransposed(dwRow + 4 * static_cast<uint32_t>(bone.m_iMatrixSlot), SkinMatrix(bone));
    }
}

void QIRN_ShaderConstants::EvaluateSkinMatrixInv(uint32_t dwRow)
{
    if (!m_pMeshData)
    {
        dprintf("*** QIRN_ShaderConstants::EvaluateSkinMatrixInv() - Requires a skinned mesh\n");
        return;
    }
    const uint32_t dwPalette = m_pMeshData->m_dwNumPaletteEntries;
    const uint32_t dwLimit = std::min<uint32_t>(Constant(dwRow, 0).m_adwOperands[0], dwPalette);
    if (dwPalette == 0 || !m_pPolygonGroup)
    {
        return;
    }
    QIRN_Matrix4 inverse = Identity();
    for (const PolygonGroupBone& bone : m_pPolygonGroup->m_voBones)
    {
        if (bone.m_iMatrixSlot < 0 || static_cast<uint32_t>(bone.m_iMatrixSlot) >= dwLimit)
        {
            continue;
        }
        QIRN_Matrix4 m = SkinMatrix(bone);
        QIRN_Matrix4 candidate;
        if (Matrix_Invert(&m, &candidate) != 0)
        {
            dprintf("*** QIRN_ShaderConstants::EvaluateSkinMatrixInv() - Invert failed\n");
        }
        else
        {
            inverse = candidate;
        }
        // Column k of M, then row k of its inverse (column k of the inverse transpose).
        const uint32_t dwFirst = dwRow + 8 * static_cast<uint32_t>(bone.m_iMatrixSlot);
        const float* pf = m.Data();
        for (uint32_t k = 0; k < 4; ++k)
        {
            StoreRow(dwFirst + 2 * k, QIRN_Vector4(pf[k], pf[4 + k], pf[8 + k], pf[12 + k]));
            StoreRow(dwFirst + 2 * k + 1, Row(inverse, static_cast<int>(k)));
        }
    }
}

void QIRN_ShaderConstants::EvaluateLight(uint32_t dwRow, uint32_t dwComponent)
{
    const QIRN_ShaderConstant& constant = Constant(dwRow, dwComponent);
    if (constant.m_adwOperands[0] >= m_dwNumLights)
    {
        dprintf("*** QIRN_ShaderConstants::EvaluateLight() - Light index is too high\n");
        return;
    }
    const QIRN_LightActor* poLight = m_aoLights[constant.m_adwOperands[0]].m_poLight;
    float& rValue = Value(dwRow, dwComponent);
    switch (constant.m_dwParam)
    {
    case 0:
        rValue = poLight->GetTheta();
        break;
    case 1:
        rValue = poLight->GetPhi();
        break;
    case 2:
        rValue = poLight->GetRange();
        break;
    case 3:
        rValue = poLight->GetFalloff();
        break;
    case 4:
        rValue = poLight->GetAttenuation0();
        break;
    case 5:
        rValue = poLight->GetAttenuation1();
        break;
    case 6:
        rValue = poLight->GetAttenuation2();
        break;
    default:
        dprintf("*** QIRN_ShaderConstants::EvaluateLight() - Unknown light constant type\n");
        break;
    }
}

void QIRN_ShaderConstants::EvaluateLightVector(uint32_t dwRow)
{
    const QIRN_ShaderConstant& constant = Constant(dwRow, 0);
    if (constant.m_adwOperands[0] >= m_dwNumLights)
    {
        dprintf("*** QIRN_ShaderConstants::EvaluateLight() - Light index is too high\n");
        return;
    }
    const QIRN_LightActor* poLight = m_aoLights[constant.m_adwOperands[0]].m_poLight;
    QIRN_Vector4 v(0.0f, 0.0f, 0.0f, 1.0f);
    auto Scaled = [](const QIRN_Vector4& c)
    { return QIRN_Vector4(c.x * COLOR_SCALE, c.y * COLOR_SCALE, c.z * COLOR_SCALE, c.w * COLOR_SCALE); };
    switch (constant.m_dwParam)
    {
    case 0:
        v = Scaled(poLight->GetDiffuse());
        break;
    case 1:
        v = Scaled(poLight->GetSpecular());
        break;
    case 2:
        v = Scaled(poLight->GetAmbient());
        break;
    case 3:
        v = poLight->GetPosition();
        break;
    case 4:
    {
        QIRN_Vector4 vLight = poLight->GetPosition();
        QIRN_Vector4 vObject = ObjectPosition();
        v = QIRN_Vector4(vLight.x - vObject.x, vLight.y - vObject.y, vLight.z - vObject.z, 1.0f);
        break;
    }
    case 5:
    {
        QIRN_Vector4 vDirection = poLight->GetDirection();
        Vector_Normalize(&vDirection, &v);
        break;
    }
    default:
        dprintf("*** QIRN_ShaderConstants::EvaluateLightVector() - Unknown light vector constant type\n");
        break;
    }
    StoreRow(dwRow, v);
}

void QIRN_ShaderConstants::EvaluateMaterialVector(uint32_t dwRow)
{
    QIRN_Vector4 v(0.0f, 0.0f, 0.0f, 1.0f);
    const QIRN_Material& material = m_pPass->m_oMaterial;
    switch (Constant(dwRow, 0).m_dwParam)
    {
    case 0:
        v = material.m_vDiffuse;
        break;
    case 1:
        v = material.m_vAmbient;
        break;
    case 2:
        v = material.m_vSpecular;
        break;
    case 3:
        v = material.m_vEmissive;
        break;
    default:
        dprintf(
            "*** QIRN_ShaderConstants::EvaluateMaterialVector() - Unknown material vector constant type\n");
        break;
    }
    StoreRow(dwRow, v);
}
