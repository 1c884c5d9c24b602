#pragma once
// The constant table of a vertex or pixel shader program: one row per constant register, each
// of its four components described by a typed constant (fixed, variable, function, sum, data
// bunny, or a scene quantity worked out when the pass is drawn).

#include "qirn_databunnyassignment.h"
#include "qirn_errors.h"

#include "qirn_math.h"

#include <cstdint>
#include <iosfwd>
#include <string>

class QIRN_File;
class QIRN_DataBunnyManager;
class QIRN_Engine;
class QIRN_Graphics;
class QIRN_World;
class QIRN_BaseActor;
class QIRN_MeshData;
class QIRN_ShaderPass;
class QIRN_MeshActor;
class PolygonGroup;
struct PolygonGroupBone;
class QIRN_LightActor;

enum QIRN_ShaderConstantType : uint32_t
{
    QIRN_CONSTANT_UNDEFINED = 0,
    QIRN_CONSTANT_FIXED = 1,
    QIRN_CONSTANT_VARIABLE = 2,
    QIRN_CONSTANT_FUNCTION = 3,
    QIRN_CONSTANT_SUM = 4,
    QIRN_CONSTANT_VECTOR = 5,        // one row
    QIRN_CONSTANT_MATRIX = 6,        // four rows
    QIRN_CONSTANT_SKIN = 7,          // 4 x operand 1 rows
    QIRN_CONSTANT_SKIN_INVERSE = 8,  // 8 x operand 1 rows
    QIRN_CONSTANT_LIGHT = 9,         // component
    QIRN_CONSTANT_LIGHT_VECTOR = 10, // one row
    QIRN_CONSTANT_MATERIAL = 11,     // one row
    QIRN_CONSTANT_DATABUNNY = 12,    // component
};

// Marks a constant that is worked out at every upload.
const uint32_t QIRN_CONSTANT_DYNAMIC = 0x80000000u;
// Matrix kind whose operand 1 names a layer of the pass (texture-coordinate transform).
const uint32_t QIRN_CONSTANT_MATRIX_TEXTURE = 6;
// One row per constant register: a Direct3D 8 vertex shader has at most 256 of them, a pixel
// shader 8. Larger tables are refused, so a damaged count cannot ask for megabytes.
const uint32_t QIRN_MAX_CONSTANT_ROWS = 256;

// One component of a row.
struct QIRN_ShaderConstant
{
    QIRN_ShaderConstant();
    QIRN_ShaderConstant& operator=(const QIRN_ShaderConstant& other);
    QIRN_ShaderConstant(const QIRN_ShaderConstant&) = delete;

    uint32_t GetType() const { return m_dwType & ~QIRN_CONSTANT_DYNAMIC; }
    bool IsDynamic() const { return (m_dwType & QIRN_CONSTANT_DYNAMIC) != 0; }
    // Function operand i (0 to 4) names a variable rather than holding a float.
    bool IsOperandVariable(int i) const { return (m_dwParam & (0x80000000u >> i)) != 0; }
    uint32_t GetFunction() const { return m_dwParam & 0x07FFFFFFu; }

    uint32_t m_dwType;
    uint32_t m_dwParam;
    QIRN_FloatDataBunnyAssignment m_oDataBunnyAssignment;
    uint32_t m_adwOperands[5];
};

struct QIRN_ShaderConstantRow
{
    QIRN_ShaderConstant m_aoComponents[4];
};

// The text form of one constant in the file: row, component, type, then the type's parameters.
struct QIRN_ShaderConstantRecord
{
    uint32_t m_dwRow = 0;
    uint32_t m_dwComponent = 0;
    uint32_t m_dwType = 0;
    uint32_t m_dwParam = 0; // kind, or the function number
    float m_fValue = 0.0f;
    bool m_abFlags[5] = {false, false, false, false, false};
    uint32_t m_adwOperands[5] = {0, 0, 0, 0, 0};
    std::string m_strDataBunny;
};

std::ostream& operator<<(std::ostream& os, const QIRN_ShaderConstantRecord& record);
std::istream& operator>>(std::istream& is, QIRN_ShaderConstantRecord& record);

// Readers of what the upload takes from the engine: its graphics implementation 0 and its world.
// The engine installs them; the graphics layer never looks into the engine itself.
typedef QIRN_Graphics* (*QIRN_ConstantsGraphicsSource)(QIRN_Engine* pEngine);
typedef QIRN_World* (*QIRN_ConstantsWorldSource)(QIRN_Engine* pEngine);

struct QIRN_ShaderConstantLight
{
    QIRN_LightActor* m_poLight;
    float m_fDistanceSquared;
};

class QIRN_ShaderConstants
{
public:
    static const uint32_t MAX_LIGHTS = 128;

    QIRN_ShaderConstants();
    ~QIRN_ShaderConstants();
    QIRN_ShaderConstants(const QIRN_ShaderConstants&) = delete;
    QIRN_ShaderConstants& operator=(const QIRN_ShaderConstants& other);

    void SetVSFlag(bool bVSFlag) { m_bVSFlag = bVSFlag; }
    // The posed matrices of the group drawn next; NULL clears them.
    void SetMatrices(const QIRN_Matrix4* poMatrices, uint32_t dwNumMatrices);
    void Clear();
    QIRN_ErrorCode Load(QIRN_File& roFile, QIRN_DataBunnyManager* poManager);
    QIRN_ErrorCode Save(QIRN_File& roFile) const;
    void PrepareTable();
    void EvaluateFunction(uint32_t dwRow, uint32_t dwComponent);
    void EvaluateSum(uint32_t dwRow, uint32_t dwComponent);
    float GetVariableValue(uint32_t dwVariable);

    // Works out the dynamic constants for what is drawn (the camera, the polygon group or none,
    // the pass, the object actor or none) and uploads the defined rows: 0, or 1 when the context is
    // incomplete (nothing changed then). Built with the world, whose objects it reads.
    QIRN_ErrorCode SetConstants(QIRN_Engine* pEngine, QIRN_BaseActor* pCamera, PolygonGroup* pGroup,
                                QIRN_ShaderPass* pPass, QIRN_BaseActor* pObject);
    void EvaluateVector(uint32_t dwRow);
    void EvaluateMatrix(uint32_t dwRow);
    void EvaluateSkinMatrix(uint32_t dwRow);
    void EvaluateSkinMatrixInv(uint32_t dwRow);
    void EvaluateLight(uint32_t dwRow, uint32_t dwComponent);
    void EvaluateLightVector(uint32_t dwRow);
    void EvaluateMaterialVector(uint32_t dwRow);
    static void SetEngineSources(QIRN_ConstantsGraphicsSource pfnGraphics,
                                 QIRN_ConstantsWorldSource pfnWorld);

    QIRN_ShaderConstant& Constant(uint32_t dwRow, uint32_t dwComponent)
    {
        return m_poRows[dwRow].m_aoComponents[dwComponent];
    }
    float& Value(uint32_t dwRow, uint32_t dwComponent) { return m_pfValues[dwRow * 4 + dwComponent]; }

    bool m_bVSFlag;
    uint32_t m_dwNumRows;
    float* m_pfValues;
    QIRN_ShaderConstantRow* m_poRows;
    QIRN_Engine* m_pEngine;
    QIRN_Graphics* m_pGraphics;
    QIRN_World* m_pWorld;
    QIRN_BaseActor* m_pCamera;
    QIRN_MeshData* m_pMeshData;
    QIRN_ShaderPass* m_pPass;
    QIRN_MeshActor* m_pMeshActor;
    PolygonGroup* m_pPolygonGroup;
    // The object actor of the upload (m_pMeshActor only when it is a mesh actor) and the world's time.
    QIRN_BaseActor* m_pObjectActor;
    float m_fWorldTime;
    // Set while a polygon group queued earlier in the frame is drawn: the matrices it was posed with
    // then (its world matrix, or one skin matrix per matrix slot), which stand in for the mesh's
    // current ones. Borrowed; NULL otherwise.
    const QIRN_Matrix4* m_poMatrices;
    uint32_t m_dwNumMatrices;
    uint32_t m_dwNumLights;
    QIRN_ShaderConstantLight m_aoLights[MAX_LIGHTS];

private:
    // The variables that need the world or the graphics implementation of the current upload.
    float GetSceneVariableValue(uint32_t dwVariable) const;
    void SortLights();
    void Upload();
    // Rows beyond the table are left out.
    void StoreTransposed(uint32_t dwRow, const QIRN_Matrix4& m);
    void StoreRow(uint32_t dwRow, const QIRN_Vector4& v);
    QIRN_Matrix4 ObjectMatrix() const;
    // The skin matrix of a matrix slot: the posed one when given, else the mesh's current one.
    QIRN_Matrix4 SkinMatrix(const PolygonGroupBone& roBone) const;
    QIRN_Vector4 ObjectPosition() const;
    QIRN_Matrix4 CameraPlacement() const;
    // Allocates dwNumRows undefined rows and zero values; false after logging when it cannot.
    bool AllocateTable(uint32_t dwNumRows, const char* szNoTable, const char* szNoValues);
    QIRN_ErrorCode StoreRecord(const QIRN_ShaderConstantRecord& record, QIRN_DataBunnyManager* poManager);
    QIRN_ShaderConstantRecord MakeRecord(uint32_t dwRow, uint32_t dwComponent) const;
    // Marks every component of rows [dwFirst, dwFirst + dwCount) as a dynamic copy of the given one.
    void SpreadRowConstant(uint32_t dwFirst, uint64_t qwCount, uint32_t dwType, uint32_t dwParam,
                           uint32_t dwOperand);
};
