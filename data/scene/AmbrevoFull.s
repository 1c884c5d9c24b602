qirn_shader_version2.0
{
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
        NumPasses { 1 }
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
            FVF { 274 }
            LightingEnabled { 1 }
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
