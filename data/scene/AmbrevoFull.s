qirn_shader_version2.0
{
    Shader
    {
        Name { WorldShader }
        NumPasses { 1 }
        Pass
        {
            ClearColor { 1 }
            ColorClearValue { 10 60 110 255 }
            ClearZ { 1 }
            ZClearValue { 1.0 }
        }
    }
}
