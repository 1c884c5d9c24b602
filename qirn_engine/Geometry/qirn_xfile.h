#pragma once
// QIRN_XFILE: reads DirectX .x files (text or binary) through DirectX File into a geometry's
// frame tree, meshes, material shaders and keyframe tracks, and reads the animation of one frame
// into an actor's track list. The template block and the .x helpers are the engine's shared ones.

#include "qirn_errors.h"
#include "qirn_linkedlist.h"
#include "qirn_math.h"
#include "qirn_xfile_templates.h"

#include <windows.h>

#include <dxfile.h>

#include <cstdint>
#include <list>
#include <string>
#include <vector>

class QIRN_AnimationSequence;
class QIRN_Frame;
class QIRN_GeometryData;
class QIRN_MeshData;
class QIRN_Shader;

typedef std::list<QIRN_AnimationSequence*> QIRN_AnimationSequenceList;
// The faces of a mesh, each its list of vertex indices.
typedef std::vector<std::vector<uint32_t>> XFileFaces;

// A SkinWeights block waiting for its bone frame: resolved by name once the whole file is read.
class XFilePendingCPReference
{
public:
    XFilePendingCPReference(std::string szBoneName, const QIRN_Matrix4& roOffset, QIRN_MeshData* pMesh,
                            uint32_t dwSlot);

    std::string m_szBoneName;
    QIRN_Matrix4 m_oOffsetMatrix;
    // The palette slot to receive the frame: slot m_dwSlot of m_pMesh.
    QIRN_MeshData* m_pMesh;
    uint32_t m_dwSlot;
};

class QIRN_XFILE;
// The importer the engine reads its .x files through, one for the whole run, so that the DirectX
// File object and the engine's templates it holds are made once (qirn_xfile.h: a file declaring
// templates of its own leaves a fresh one behind). Not for two loads at once.
QIRN_XFILE& QIRN_SharedXFileImporter();

class QIRN_XFILE
{
public:
    QIRN_XFILE();
    ~QIRN_XFILE();

    QIRN_XFILE(const QIRN_XFILE&) = delete;
    QIRN_XFILE& operator=(const QIRN_XFILE&) = delete;

    // Fills m_poGeometry (set by the caller) from the file at szPath; 0 when the whole file was
    // read.
    QIRN_ErrorCode Load(std::string szPath);
    // The tracks of one frame (empty: the first frame the file's animations reference), in
    // ascending kind order; 0 when the whole file was read.
    QIRN_ErrorCode LoadAnimationSequences(std::string szFileName, std::string szFrameName,
                                          QIRN_AnimationSequenceList& roSequences);

    QIRN_GeometryData* m_poGeometry;

    // The steps of a load, each for one kind of object; public for hand-built objects in tests.
    QIRN_Frame* ParseFrame(IDirectXFileData* poData);
    QIRN_MeshData* ParseTriMesh(IDirectXFileData* poData);
    // One child object of a Mesh; false when it drops the mesh.
    bool ParseMeshChild(QIRN_MeshData* poMesh, IDirectXFileData* poChild, const XFileFaces& roFaces,
                        bool& rbMaterialList, bool& rbNormals);
    void ParseMaterialList(QIRN_MeshData* poMesh, IDirectXFileData* poList, const void* pData, DWORD dwSize,
                           const XFileFaces& roFaces);
    QIRN_Shader* ParseMaterial(IDirectXFileData* poData);
    bool AddPolygonGroup(QIRN_MeshData* poMesh, QIRN_Shader* poShader, uint32_t dwMaterial,
                         const XFileFaces& roFaces, const std::vector<uint32_t>& roFaceIndices,
                         bool bAllFaces);
    int ParseMeshSkinWeights(QIRN_MeshData* poMesh, IDirectXFileData* poData, const void* pData,
                             DWORD dwSize);
    void SetWeights(QIRN_MeshData* poMesh, const std::string& szBoneName, uint32_t n,
                    const uint32_t* pdwIndices, const float* pfWeights, const QIRN_Matrix4& roOffset);
    void ParseSkinHeader(QIRN_MeshData* poMesh, IDirectXFileData* poData, const void* pData, DWORD dwSize);
    void ParseAnimationSet(IDirectXFileData* poData);
    void ParseAnimationSetEx(IDirectXFileData* poData, QIRN_AnimationSequenceList& roSequences,
                             std::string szFrameName);
    int ResolvePendingCPReferenceList();

private:
    // Hands a parsed mesh (or nothing) to the geometry, carried by the frame.
    void AddParsedMesh(QIRN_MeshData* poMesh, QIRN_Frame* poOwner);
    // The meshes a file drops must leave no pending reference behind.
    void ForgetPendingReferences(const QIRN_MeshData* poMesh);
    // The DirectX File object, created and given the engine's templates at first use, and an
    // enumeration of the file's top-level objects; szCaller names the operation in the log lines.
    bool PrepareDXFile(const char* szCaller);
    bool OpenDXFileEnum(const char* szCaller, const std::string& szPath,
                        QIRN_ComRef<IDirectXFileEnumObject>& roEnum);
    // Called once the file's enumeration is gone. A file may declare templates of its own, which
    // the object keeps: an object kept after such a file would take them again at every load of
    // it, and its table of templates only grows (DirectX File's has a fixed size and no bound, so
    // some hundreds of loads of one such file write past its end). The next file then gets a
    // fresh object; files without templates share one.
    void EndDXFileUse();
    void ReleaseDXFile();
    void ResetLoad(const std::string& szPath);

    IDirectXFile* m_poDXFile;
    // Whether the file being read declares templates of its own.
    bool m_bFileTemplates;
    QIRN_LINKEDLIST<QIRN_Frame> m_oFrameList;
    QIRN_LINKEDLIST<XFilePendingCPReference> m_oPendingReferences;
    int32_t m_iMaterialCounter;
    int32_t m_iMeshCounter;
    int32_t m_iFrameCounter;
    uint16_t m_wBoneCount;
    // Seconds per key time tick: a file's AnimTicksPerSecond (written before its animation sets)
    // or milliseconds.
    float m_fSecondsPerTick;
    // The normals and first texture set of the current mesh's DeclData, and whether the mesh
    // gave texture coordinates of its own.
    std::vector<float> m_vDeclNormals;
    std::vector<float> m_vDeclTexCoords;
    uint8_t m_byDeclTexComponents;
    bool m_bMeshTexCoords;
    std::string m_szCurrentFrameName;
    std::string m_szFileTitle;
    std::string m_szCurrentMeshName;
    std::string m_szCurrentMaterialName;
};
