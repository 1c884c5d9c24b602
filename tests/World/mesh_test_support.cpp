#include "mesh_test_support.h"

namespace world_test
{
const char* const BOAT_X =
    "xof 0302txt 0032\n"
    "Frame Boat {\n"
    " FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }\n"
    " Mesh Hull {\n  4; 0.0;0.0;0.0;, 2.0;0.0;0.0;, 2.0;2.0;0.0;, 0.0;2.0;0.0;;\n"
    "  2; 3; 0,1,2;, 3; 0,2,3;;\n"
    "  MeshNormals { 1; 0.0;0.0;1.0;; 2; 3; 0,0,0;, 3; 0,0,0;; }\n"
    "  MeshMaterialList { 2; 2; 0, 1;;\n"
    "   Material Paint { 1.0;0.0;0.0;1.0;; 4.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }\n"
    "   Material Glass { 0.0;0.0;1.0;0.5;; 8.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }\n"
    "  }\n"
    " }\n"
    " Frame Mast { FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, "
    "0.0,3.0,0.0,1.0;; } }\n"
    "}\n"
    "AnimationSet Sail {\n"
    " Animation { { Boat } AnimationKey { 2; 2; 0; 3; 0.0,0.0,0.0;;, 1000; 3; 10.0,0.0,0.0;;; } }\n"
    "}\n";

PolygonGroup* FindGroup(QIRN_Geometry* poGeometry, const std::string& szMaterial)
{
    if (!poGeometry || !poGeometry->GetFirstMeshNode() || !poGeometry->GetFirstMeshNode()->m_pData)
    {
        return nullptr;
    }
    const std::string szEnd = "." + szMaterial;
    for (PolygonGroup& roGroup : poGeometry->GetFirstMeshNode()->m_pData->m_oPolygonGroups)
    {
        if (roGroup.m_szName.size() >= szEnd.size() &&
            roGroup.m_szName.compare(roGroup.m_szName.size() - szEnd.size(), szEnd.size(), szEnd) == 0)
        {
            return &roGroup;
        }
    }
    return nullptr;
}
} // namespace world_test
