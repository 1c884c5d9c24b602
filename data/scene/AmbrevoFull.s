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
        NumPasses { 1 }
        Pass
        {
            Name { Sand }
            FVF { 18 }
            LightingEnabled { 1 }
            FogActorName { Fog01_Murk }
            Material
            {
                Diffuse { 0.86 0.78 0.58 1 }
                Ambient { 0.86 0.78 0.58 1 }
                Specular { 0 0 0 1 }
                Emissive { 0 0 0 1 }
                Power { 4 }
            }
        }
    }
}
