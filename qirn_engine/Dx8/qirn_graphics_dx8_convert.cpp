// Conversion of the engine's shaders, layers and bitmaps into the renderer's records and textures.
#include "qirn_graphics_dx8.h"

#include "qirn_debug.h"
#include "qirn_engine.h"
#include "qirn_fog.h"
#include "qirn_pixelformat_dx8.h"
#include "polygongroup.h"
#include "qirn_rendertarget.h"
#include "qirn_shader.h"
#include "qirn_string.h"
#include "qirn_world.h"

#include <new>

namespace
{
// A shader taken by a polygon group whose vertices carry blend weights draws a skinned buffer, so a
// pass without its own format is declared with the skinned default that matches that buffer.
bool OwnerHasWeights(const QIRN_Shader& roShader)
{
    return roShader.m_poOwner && roShader.m_poOwner->m_iMaxWeightCount != 0;
}

bool IsPrepassName(const std::string& strName)
{
    QIRN_String strLower(strName);
    strLower.MakeLower();
    return strLower == "prepass";
}
} // namespace

QIRN_Shader_DX8* QIRN_Graphics_DX8::ConvertShader(QIRN_Shader* poShader,
                                                  QIRN_BINARYTREE<QIRN_Bitmap>* poBitmaps,
                                                  QIRN_Shader_DX8* poExisting,
                                                  QIRN_LINKEDLIST<QIRN_Fog>* poFogs)
{
    if (!poShader)
    {
        dprintf("QIRN_Graphics_DX8 :: ConvertShader() - Error converting shader pass\n");
        return nullptr;
    }
    QIRN_Shader_DX8* poConverted = poExisting ? poExisting : new (std::nothrow) QIRN_Shader_DX8;
    if (!poConverted)
    {
        return nullptr;
    }
    poConverted->m_strName = poShader->GetName();
    poConverted->m_poSource = poShader;
    bool bFailed = !poConverted->MakePasses(poShader->m_dwNumPasses);
    for (uint32_t i = 0; !bFailed && i < poConverted->m_dwNumPasses; ++i)
    {
        QIRN_ShaderPass_DX8& roPass = poConverted->m_poPasses[i];
        if (ConvertShaderPass(&poShader->m_poPasses[i], poBitmaps, &roPass, poFogs) != OK)
        {
            bFailed = true;
            break;
        }
        if (roPass.m_dwFVF == 0)
        {
            roPass.m_dwFVF = OwnerHasWeights(*poShader) ? QIRN_DX8_DEFAULTSKINFVF : QIRN_DX8_DEFAULTFVF;
        }
    }
    if (!bFailed)
    {
        return poConverted;
    }
    dprintf("QIRN_Graphics_DX8 :: ConvertShader() - Error converting shader pass\n");
    if (poExisting)
    {
        // A shader others may still point at stays, but with no pass left half made.
        poExisting->FreePasses();
    }
    else
    {
        delete poConverted;
    }
    return nullptr;
}

QIRN_ErrorCode QIRN_Graphics_DX8::ConvertShaderPass(QIRN_ShaderPass* poPass,
                                                    QIRN_BINARYTREE<QIRN_Bitmap>* poBitmaps,
                                                    QIRN_ShaderPass_DX8* poConverted,
                                                    QIRN_LINKEDLIST<QIRN_Fog>* poFogs)
{
    if (!poPass || !poConverted)
    {
        return INVALIDPARAMS;
    }
    poConverted->ConvertStates(*poPass);
    if (poFogs)
    {
        auto* poNode = poFogs->FindNode(poPass->m_strFogActorName);
        poConverted->m_poFog = poNode ? poNode->m_pData : nullptr;
    }
    poConverted->m_dwVertexShader =
        CreateVertexShader(poPass, &poConverted->m_dwSWVertexShader, &poConverted->m_dwPrepassVertexShader);
    poConverted->m_dwPixelShader = CreatePixelShader(poPass->m_strPixelShader);
    if (!poConverted->MakeLayers(poPass->m_poLayers ? poPass->m_dwNumLayers : 0))
    {
        return GENERICERROR;
    }
    for (uint32_t i = 0; i < poConverted->m_dwNumLayers; ++i)
    {
        QIRN_ErrorCode eResult =
            QIRN_To_DX8_ShaderLayer(&poPass->m_poLayers[i], poBitmaps, &poConverted->m_poLayers[i]);
        if (eResult != OK)
        {
            return eResult;
        }
    }
    poConverted->m_bIsPrepass = IsPrepassName(poPass->GetName());
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::QIRN_To_DX8_ShaderLayer(QIRN_ShaderLayer* poLayer,
                                                          QIRN_BINARYTREE<QIRN_Bitmap>* poBitmaps,
                                                          QIRN_ShaderLayer_DX8* poConverted)
{
    if (!poLayer || !poConverted)
    {
        return GENERICERROR;
    }
    if (poLayer->m_dwStage >= QIRN_DX8_MAXSTAGES)
    {
        dprintf("QIRN_To_DX8_ShaderLayer() - Stage %u is not a texture stage (0 to 7)\n",
                static_cast<unsigned>(poLayer->m_dwStage));
        return GENERICERROR;
    }
    poConverted->m_dwStage = poLayer->m_dwStage;
    const std::string& strFile = poLayer->m_strTextureFileName;
    if (!strFile.empty())
    {
        if (!m_pEngine)
        {
            dprintf("QIRN_To_DX8_ShaderLayer() - Engine pointer is NULL!\n");
            return GENERICERROR;
        }
        std::string strLookup = strFile;
        QIRN_World* poWorld = m_pEngine->GetWorld();
        auto* poTargetNode = poWorld ? poWorld->GetRenderTargetTree()->FindNode(strFile) : nullptr;
        if (poTargetNode && poTargetNode->m_pData)
        {
            CreateRenderTarget(poTargetNode->m_pData);
        }
        else
        {
            QIRN_Bitmap* poBitmap = nullptr;
            bool bOwned = false;
            auto* poBitmapNode = poBitmaps ? poBitmaps->FindNode(strFile) : nullptr;
            if (poBitmapNode && poBitmapNode->m_pData)
            {
                poBitmap = poBitmapNode->m_pData;
                poBitmap->m_eFormat = static_cast<QIRN_PixelFormat>(poLayer->m_eTextureFormat);
            }
            else if ((poBitmap = new (std::nothrow) QIRN_Bitmap) != nullptr)
            {
                poBitmap->SetName(strFile);
                poBitmap->m_eFormat = static_cast<QIRN_PixelFormat>(poLayer->m_eTextureFormat);
                poBitmap->m_dwNumLayers = poLayer->m_dwNumSlices;
                poBitmap->m_dwNumMipLevels = poLayer->m_dwNumMipmapLevels;
                const QIRN_ErrorCode eLoad = poLayer->m_eTextureType == 3 ? poBitmap->CreateNormalCubeMap()
                                                                          : poBitmap->LoadImageFiles(strFile);
                if (eLoad != OK)
                {
                    delete poBitmap;
                    poBitmap = nullptr;
                }
                else if (!poBitmaps || !poBitmaps->InsertNode(strFile, poBitmap))
                {
                    // Without a tree to keep it, the image is dropped once converted.
                    bOwned = true;
                }
            }
            if (poBitmap)
            {
                if (ConvertTexture(poBitmap, static_cast<int>(poLayer->m_eTextureType)) != OK)
                {
                    dprintf("QIRN_To_DX8_ShaderLayer() - ConvertTexture[%s] failed!\n",
                            poBitmap->GetName().c_str());
                }
                strLookup = QIRN_MakeTextureKey(poLayer->m_eTextureType, poBitmap->m_eFormat,
                                                poBitmap->m_dwNumMipLevels, poBitmap->GetName());
                if (bOwned)
                {
                    delete poBitmap;
                }
            }
        }
        poConverted->m_poTexture = GetTexture(strLookup);
    }
    poConverted->CopyDynamicLayer(poLayer->m_poDynamicLayer);
    poConverted->ConvertStates(*poLayer);
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_DX8::ConvertTexture(QIRN_Bitmap* pBitmap, int iTextureType)
{
    if (!pBitmap)
    {
        dprintf("*** QIRN_Graphics_DX8::ConvertTexture() - poBitmap is NULL\n");
        return INVALIDPARAMS;
    }
    if (iTextureType < 0 || iTextureType > 3)
    {
        dprintf("*** QIRN_Graphics_DX8::ConvertTexture() - Unknown texture type %d\n", iTextureType);
        return GENERICERROR;
    }
    const std::string strKey = QIRN_MakeTextureKey(static_cast<uint32_t>(iTextureType), pBitmap->m_eFormat,
                                                   pBitmap->m_dwNumMipLevels, pBitmap->GetName());
    if (TextureTree.FindNode(strKey))
    {
        return OK;
    }
    QIRN_Texture_DX8* poTexture = nullptr;
    if (iTextureType == 1)
        poTexture = new (std::nothrow) QIRN_3DTexture_DX8;
    else if (iTextureType == 2)
        poTexture = new (std::nothrow) QIRN_2DTexture_DX8;
    else
        poTexture = new (std::nothrow) QIRN_CubeTexture_DX8;
    if (!poTexture)
    {
        return GENERICERROR;
    }
    QIRN_ErrorCode eResult =
        poTexture->LoadFromMemory(m_pD3DDevice8, pBitmap, QIRN_ToD3DFormat(pBitmap->m_eFormat));
    if (eResult != OK)
    {
        delete poTexture;
        return eResult;
    }
    poTexture->SetName(strKey);
    if (m_bLowResTextures && pBitmap->m_dwNumMipLevels > 2 && poTexture->m_pTexture)
    {
        poTexture->m_pTexture->SetLOD(1);
    }
    if (!TextureTree.InsertNode(strKey, poTexture))
    {
        delete poTexture;
        dprintf("*** QIRN_Graphics_DX8::ConvertTexture() - TextureTree.InsertNode() FAILED\n");
        return GENERICERROR;
    }
    return OK;
}
