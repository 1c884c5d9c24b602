#pragma once
// QIRN_GeometryData: what one imported file yields, shared by every geometry of that file: the
// frame tree and the meshes. The world's geometry tree keeps one per file name and frees it when
// the world closes; geometries hold plain copies of its pointers.

#include "qirn_linkedlist.h"

#include <string>
#include <vector>

class QIRN_MeshData;
class QIRN_Skeleton;

typedef QIRN_LINKEDLIST<QIRN_MeshData> QIRN_MeshList;

class QIRN_GeometryData
{
public:
    QIRN_GeometryData();
    // Copies the name and the pointers, not what they point at.
    QIRN_GeometryData(const QIRN_GeometryData& other);
    ~QIRN_GeometryData();

    QIRN_GeometryData& operator=(const QIRN_GeometryData&) = delete;

    void SetName(std::string szName) { m_szName = szName; }
    std::string GetName() const { return m_szName; }
    // NULL is ignored. A replaced skeleton stays owned here: meshes and bones may still point
    // into it.
    void SetSkeleton(QIRN_Skeleton* poSkeleton);
    QIRN_Skeleton* GetSkeleton() const { return m_poSkeleton; }
    // Takes the mesh in every case: false (logged by the list) when its name is taken, and the
    // mesh is then freed.
    bool AddMesh(QIRN_MeshData* poMesh);
    QIRN_MeshList::Node* GetFirstMeshNode() const { return m_poMeshList ? m_poMeshList->m_pHead : nullptr; }
    // Reserves one more shader slot in every polygon group of every mesh; the slot's position,
    // or -1 when the groups disagree, a slot cannot be added, or there is no group.
    int GenerateShaderIndex();
    // Frees the skeletons and the meshes (for data that nobody else owns).
    void FreeData();

    std::string m_szName;
    QIRN_Skeleton* m_poSkeleton;
    QIRN_MeshList* m_poMeshList;
    // Skeletons replaced by a later top-level frame of the same file; the geometry poses them with
    // the skeleton on every update, since their frames may be the bones of any mesh of the file.
    std::vector<QIRN_Skeleton*>* m_pvReplacedSkeletons;
};
