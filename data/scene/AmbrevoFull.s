qirn_shader_version2.0
{
}
