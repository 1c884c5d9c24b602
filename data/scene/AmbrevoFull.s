qirn_shader_version2.0
{
    RenderTarget
    {
        Name { ReefView.bmp }
        UpdateFunction { Update1 }
        Width { 256 }
        Height { 256 }
        Format { 21 }
        Lockable { 0 }
        CreateZBuffer { 1 }
        ZBufferFormat { 73 }
    }
    Shader
    {
        Name { WorldShader }
        NumPasses { 1 }
        Pass
        {
            ClearColor { 1 }
            ColorClearValue { 20 76 128 255 }
            ClearZ { 1 }
            ZClearValue { 1.0 }
        }
    }
    Shader
    {
        Name { SeabedFogged }
        Description { Rippled sand under a moving web of caustic light }
        NumPasses { 1 }
        Pass
        {
            Name { Sand }
            FVF { 274 }
            LightingEnabled { 1 }
            FogActorName { Fog01_Murk }
            VertexShader { seabed.vsh }
            VertexShaderConstants
            {
                NumRows { 15 }
                VSFlag { 1 }
                Constant { 0 0 6 5 }
                Constant { 4 0 6 0 }
                Constant { 8 0 10 5 0 }
                Constant { 9 0 10 0 0 }
                Constant { 10 0 10 2 0 }
                Constant { 11 0 11 0 }
                Constant { 12 0 3 7 0 1 1 0 0 0.0021 0 0 0 0 }
                Constant { 12 1 3 0 0 0.08 1 0 0 0.045 0 0 0 0 }
                Constant { 12 2 1 0.011 }
                Constant { 12 3 1 0 }
                Constant { 13 0 5 0 }
                Constant { 14 0 1 1400 }
                Constant { 14 1 1 0.0008 }
                Constant { 14 2 1 0 }
                Constant { 14 3 1 1 }
            }
            PixelShader { seabed.psh }
            PixelShaderConstants
            {
                NumRows { 1 }
                VSFlag { 0 }
                Constant { 0 0 12 pulse.x_Caustic_Translation_float_x }
                Constant { 0 1 12 pulse.x_Caustic_Translation_float_x }
                Constant { 0 2 12 pulse.x_Caustic_Translation_float_x }
                Constant { 0 3 1 0 }
            }
            NumLayers { 2 }
            Layer
            {
                Name { Sand }
                TextureFileName { sand.bmp }
                COLOROP { 3 }
                COLORARG1 { 5 }
                COLORARG2 { 1 }
                MIPFILTER { 0 }
            }
            Layer
            {
                Name { Caustics }
                TextureFileName { caustics.bmp }
                NumMipmapLevels { 3 }
                MIPFILTER { 2 }
                COLOROP { 7 }
                COLORARG1 { 5 }
                COLORARG2 { 0 }
                ALPHAOP { 2 }
                ALPHAARG2 { 0 }
                TEXCOORDINDEX { 0 }
                TEXCOORDTRANSFORM { 1.7 0 0 0 0 1.7 0 0 0 0 1 0 0 0 0 1 }
                TEXTURETRANSFORMFLAG { 2 }
            }
            Material
            {
                Diffuse { 0.95 0.9 0.8 1 }
                Ambient { 0.95 0.9 0.8 1 }
                Specular { 0 0 0 1 }
                Emissive { 0 0 0 1 }
                Power { 4 }
            }
        }
    }
    Shader
    {
        Name { rocks.Rocks.RockPile.Rock }
        Description { Rock, and in the middle of the loop the caustic web playing over it }
        Guid { 7d1c5a2e-3b44-4f0e-9a61-52c0e8b1d903 }
        NumPasses { 2 }
        Pass
        {
            Name { Rock }
            FVF { 274 }
            LightingEnabled { 1 }
            FogActorName { Fog01_Murk }
            NumLayers { 1 }
            Layer
            {
                Name { Rock }
                TextureFileName { rock.bmp }
                COLOROP { 3 }
            }
            Material
            {
                Diffuse { 0.8 0.78 0.75 1 }
                Ambient { 0.7 0.7 0.7 1 }
                Power { 8 }
            }
        }
        Pass
        {
            Name { Glint }
            FVF { 274 }
            LightingEnabled { 0 }
            ZWriteEnabled { 0 }
            ZCompareFunc { 3 }
            AlphaBlendEnabled { 1 }
            SrcBlend { 1 }
            DestBlend { 1 }
            TFactor { 24 24 24 255 }
            NumLayers { 1 }
            Layer
            {
                Name { Glint }
                TextureFileName { caustics.bmp }
                NumMipmapLevels { 3 }
                MIPFILTER { 2 }
                COLOROP { 7 }
                COLORARG1 { 5 }
                COLORARG2 { 6 }
                TEXCOORDTRANSFORM { 2 0 0 0 0 2 0 0 0 0 1 0 0 0 0 1 }
                TEXTURETRANSFORMFLAG { 2 }
                DynamicLayer
                {
                    TextureUpdateType { 0 }
                    UpdateInterval { 0.5 }
                    NextUpdate { 0 }
                    NumArgs { 2 }
                    Arg { 6 }
                    Arg { 128 }
                }
            }
            DataBunnyAssignments
            {
                SkipPass { pulse.x_Dim_Translation_bool_x }
            }
        }
    }
    Shader
    {
        Name { coral.Coral.CoralBranches.CoralPink }
        NumPasses { 1 }
        Pass
        {
            Name { Coral }
            FVF { 18 }
            LightingEnabled { 1 }
            SpecularEnabled { 1 }
            FogActorName { Fog01_Murk }
            Material
            {
                Diffuse { 0.96 0.52 0.7 1 }
                Ambient { 0.6 0.35 0.45 1 }
                Specular { 0.5 0.4 0.45 1 }
                Emissive { 0.08 0.02 0.04 1 }
                Power { 24 }
            }
        }
    }
    Shader
    {
        Name { slate.Slate.SlateStone.Stone }
        NumPasses { 1 }
        Pass
        {
            Name { Stone }
            FVF { 274 }
            LightingEnabled { 1 }
            FogActorName { Fog01_Murk }
            NumLayers { 1 }
            Layer
            {
                Name { Stone }
                TextureFileName { rock.bmp }
                COLOROP { 3 }
            }
            Material
            {
                Diffuse { 0.6 0.58 0.55 1 }
                Ambient { 0.5 0.5 0.5 1 }
                Power { 8 }
            }
        }
    }
    Shader
    {
        Name { SlateScreen }
        Description { The scene as the current camera sees it, drawn into a render target every frame }
        NumPasses { 1 }
        Pass
        {
            Name { Screen }
            FVF { 274 }
            LightingEnabled { 0 }
            NumLayers { 1 }
            Layer
            {
                Name { View }
                TextureFileName { ReefView.bmp }
                COLOROP { 1 }
                ADDRESSU { 2 }
                ADDRESSV { 0 }
            }
        }
    }
    Shader
    {
        Name { kelp.Kelp.KelpRibbons.Kelp }
        NumPasses { 1 }
        Pass
        {
            Name { Blades }
            FVF { 274 }
            LightingEnabled { 1 }
            VertexShader { kelp.vsh }
            VertexShaderConstants
            {
                NumRows { 14 }
                VSFlag { 1 }
                Constant { 0 0 6 5 }
                Constant { 4 0 6 0 }
                Constant { 8 0 10 5 0 }
                Constant { 9 0 10 0 0 }
                Constant { 10 0 10 2 0 }
                Constant { 11 0 11 0 }
                Constant { 12 0 3 0 0 11 1 0 0 0.9 0 0 0 0 }
                Constant { 12 1 3 1 0 6 1 0 0 0.55 0 0.7 0 0 }
                Constant { 12 2 1 0 }
                Constant { 12 3 1 1 }
                Constant { 13 0 1 -48 }
                Constant { 13 1 1 0.0111 }
                Constant { 13 2 1 0 }
                Constant { 13 3 1 1 }
            }
            NumLayers { 1 }
            Layer
            {
                Name { Blade }
                TextureFileName { kelp.bmp }
                COLOROP { 3 }
            }
            Material
            {
                Diffuse { 0.9 1 0.9 1 }
                Ambient { 0.5 0.7 0.5 1 }
                Power { 4 }
            }
        }
    }
    Shader
    {
        Name { SharkSkin }
        NumPasses { 1 }
        Pass
        {
            Name { Skin }
            FVF { 4376 }
            LightingEnabled { 1 }
            ColorVertex { 0 }
            SpecularEnabled { 1 }
            FogActorName { Fog01_Murk }
            NumLayers { 1 }
            Layer
            {
                Name { Scales }
                TextureFileName { scales.bmp }
                COLOROP { 3 }
            }
            Material
            {
                Diffuse { 0.5 0.56 0.62 1 }
                Ambient { 0.42 0.47 0.52 1 }
                Specular { 0.3 0.3 0.3 1 }
                Power { 16 }
            }
        }
    }
    Shader
    {
        Name { GiantKelpSkin }
        Description { Kelp blades on a chain of bones }
        NumPasses { 1 }
        Pass
        {
            Name { Blades }
            FVF { 4376 }
            LightingEnabled { 1 }
            ColorVertex { 0 }
            FogActorName { Fog01_Murk }
            NumLayers { 1 }
            Layer
            {
                Name { Blade }
                TextureFileName { kelp.bmp }
                COLOROP { 3 }
            }
            Material
            {
                Diffuse { 0.85 1 0.7 1 }
                Ambient { 0.5 0.65 0.4 1 }
                Power { 4 }
            }
        }
    }
    Shader
    {
        Name { FishSkin }
        Description { The school's scaled bodies, skinned on three bones }
        NumPasses { 1 }
        Pass
        {
            Name { Body }
            FVF { 4376 }
            LightingEnabled { 1 }
            NormalizeNormals { 1 }
            ColorVertex { 0 }
            SpecularEnabled { 1 }
            FogActorName { Fog01_Murk }
            NumLayers { 1 }
            Layer
            {
                Name { Scales }
                TextureFileName { scales.bmp }
                COLOROP { 3 }
            }
            Material
            {
                Diffuse { 1 0.72 0.28 1 }
                Ambient { 0.8 0.55 0.25 1 }
                Specular { 0.6 0.6 0.5 1 }
                Power { 20 }
            }
        }
    }
    Shader
    {
        Name { FishFins }
        NumPasses { 1 }
        Pass
        {
            Name { Fins }
            FVF { 4376 }
            LightingEnabled { 1 }
            NormalizeNormals { 1 }
            ColorVertex { 0 }
            FogActorName { Fog01_Murk }
            Material
            {
                Diffuse { 1 0.45 0.2 1 }
                Ambient { 0.8 0.35 0.15 1 }
                Power { 6 }
            }
        }
    }
    Shader
    {
        Name { SkyGradient }
        NumPasses { 1 }
        Pass
        {
            Name { Sky }
            FVF { 274 }
            LightingEnabled { 0 }
            ZWriteEnabled { 0 }
            NumLayers { 1 }
            Layer
            {
                Name { Gradient }
                TextureFileName { skygrad.bmp }
                COLOROP { 1 }
            }
        }
    }
    Shader
    {
        Name { SampleMarker }
        NumPasses { 1 }
        Pass
        {
            Name { Marker }
            LightingEnabled { 0 }
        }
    }
    Shader
    {
        Name { LogoBadge }
        NumPasses { 1 }
        Pass
        {
            Name { Badge }
            FVF { 274 }
            LightingEnabled { 0 }
            AlphaBlendEnabled { 1 }
            SrcBlend { 4 }
            DestBlend { 5 }
            NumLayers { 1 }
            Layer
            {
                Name { Emblem }
                TextureFileName { logo.tga }
                COLOROP { 1 }
                ALPHAOP { 1 }
            }
        }
    }
}
