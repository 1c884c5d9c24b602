#include "qirn_shaderconstants.h"

#include "qirn_databunnymanager.h"
#include "qirn_debug.h"
#include "qirn_file.h"
#include "qirn_keyword_table.h"
#include "qirn_shader.h"

#include <cmath>
#include <cstring>
#include <istream>
#include <new>
#include <ostream>

namespace
{
const QIRN_BlockTexts CONSTANTS_TEXTS = {
    "*** QIRN_ShaderConstants::Load() - Unable to read from file\n",
    "*** QIRN_ShaderConstants::Load() - Start Block ID not found\n",
    nullptr,
    "",
    "*** QIRN_ShaderConstants::Load() - Unknown keyword '%s'\n",
    "Attempting to skip block\n",
    35,
    "*** QIRN_ShaderConstants::Load() - Error in skiping the block\n",
};

float BitsToFloat(uint32_t dw)
{
    float f = 0.0f;
    memcpy(&f, &dw, sizeof(f));
    return f;
}

// Rows a row-type constant occupies, in 64 bits so a huge matrix count cannot wrap.
uint64_t RowsOccupied(uint32_t dwType, uint32_t dwOperand)
{
    switch (dwType)
    {
    case QIRN_CONSTANT_VECTOR:
    case QIRN_CONSTANT_LIGHT_VECTOR:
    case QIRN_CONSTANT_MATERIAL:
        return 1;
    case QIRN_CONSTANT_MATRIX:
        return 4;
    case QIRN_CONSTANT_SKIN:
        return 4ull * dwOperand;
    case QIRN_CONSTANT_SKIN_INVERSE:
        return 8ull * dwOperand;
    default:
        return 0;
    }
}

bool IsRowType(uint32_t dwType)
{
    return RowsOccupied(dwType, 1) > 0;
}
} // namespace

std::ostream& operator<<(std::ostream& os, const QIRN_ShaderConstantRecord& r)
{
    os << r.m_dwRow << ' ' << r.m_dwComponent << ' ' << r.m_dwType;
    switch (r.m_dwType)
    {
    case QIRN_CONSTANT_UNDEFINED:
        os << ' ';
        break;
    case QIRN_CONSTANT_FIXED:
        os << ' ' << r.m_fValue;
        break;
    case QIRN_CONSTANT_VARIABLE:
    case QIRN_CONSTANT_VECTOR:
    case QIRN_CONSTANT_MATERIAL:
        os << ' ' << r.m_dwParam;
        break;
    case QIRN_CONSTANT_FUNCTION:
        os << ' ' << r.m_dwParam;
        for (int i = 0; i < 5; ++i)
        {
            os << ' ' << (r.m_abFlags[i] ? 1 : 0) << ' ';
            if (r.m_abFlags[i])
            {
                os << r.m_adwOperands[i];
            }
            else
            {
                os << BitsToFloat(r.m_adwOperands[i]);
            }
        }
        break;
    case QIRN_CONSTANT_SUM:
        os << ' ' << r.m_adwOperands[0] << ' ' << r.m_adwOperands[1];
        break;
    case QIRN_CONSTANT_MATRIX:
        os << ' ' << r.m_dwParam;
        if (r.m_dwParam == QIRN_CONSTANT_MATRIX_TEXTURE)
        {
            os << ' ' << r.m_adwOperands[0];
        }
        break;
    case QIRN_CONSTANT_SKIN:
    case QIRN_CONSTANT_SKIN_INVERSE:
        os << ' ' << r.m_adwOperands[0];
        break;
    case QIRN_CONSTANT_LIGHT:
    case QIRN_CONSTANT_LIGHT_VECTOR:
        os << ' ' << r.m_dwParam << ' ' << r.m_adwOperands[0];
        break;
    case QIRN_CONSTANT_DATABUNNY:
        os << ' ' << r.m_strDataBunny;
        break;
    default:
        break;
    }
    return os;
}

std::istream& operator>>(std::istream& is, QIRN_ShaderConstantRecord& r)
{
    r = QIRN_ShaderConstantRecord();
    is >> r.m_dwRow >> r.m_dwComponent >> r.m_dwType;
    switch (r.m_dwType)
    {
    case QIRN_CONSTANT_FIXED:
        is >> r.m_fValue;
        break;
    case QIRN_CONSTANT_VARIABLE:
    case QIRN_CONSTANT_VECTOR:
    case QIRN_CONSTANT_MATERIAL:
        is >> r.m_dwParam;
        break;
    case QIRN_CONSTANT_FUNCTION:
        is >> r.m_dwParam;
        for (int i = 0; i < 5 && is; ++i)
        {
            int iFlag = 0;
            is >> iFlag;
            r.m_abFlags[i] = iFlag != 0;
            if (r.m_abFlags[i])
            {
                is >> r.m_adwOperands[i];
            }
            else
            {
                float f = 0.0f;
                is >> f;
                memcpy(&r.m_adwOperands[i], &f, sizeof(f));
            }
        }
        break;
    case QIRN_CONSTANT_SUM:
        is >> r.m_adwOperands[0] >> r.m_adwOperands[1];
        break;
    case QIRN_CONSTANT_MATRIX:
        is >> r.m_dwParam;
        if (r.m_dwParam == QIRN_CONSTANT_MATRIX_TEXTURE)
        {
            is >> r.m_adwOperands[0];
        }
        break;
    case QIRN_CONSTANT_SKIN:
    case QIRN_CONSTANT_SKIN_INVERSE:
        is >> r.m_adwOperands[0];
        break;
    case QIRN_CONSTANT_LIGHT:
    case QIRN_CONSTANT_LIGHT_VECTOR:
        is >> r.m_dwParam >> r.m_adwOperands[0];
        break;
    case QIRN_CONSTANT_DATABUNNY:
        // The block's closing brace is no bunny name.
        is >> std::ws;
        if (is.peek() == '}')
        {
            is.setstate(std::ios::failbit);
        }
        else
        {
            is >> r.m_strDataBunny;
        }
        break;
    default:
        break;
    }
    return is;
}

QIRN_ShaderConstant::QIRN_ShaderConstant()
    : m_dwType(QIRN_CONSTANT_UNDEFINED), m_dwParam(0), m_adwOperands{0, 0, 0, 0, 0}
{
}

QIRN_ShaderConstant& QIRN_ShaderConstant::operator=(const QIRN_ShaderConstant& other)
{
    m_dwType = other.m_dwType;
    m_dwParam = other.m_dwParam;
    memcpy(m_adwOperands, other.m_adwOperands, sizeof(m_adwOperands));
    m_oDataBunnyAssignment.SetDataBunny(other.m_oDataBunnyAssignment.GetDataBunny());
    return *this;
}

QIRN_ShaderConstants::QIRN_ShaderConstants()
    : m_bVSFlag(true), m_dwNumRows(0), m_pfValues(nullptr), m_poRows(nullptr), m_pEngine(nullptr),
      m_pGraphics(nullptr), m_pWorld(nullptr), m_pCamera(nullptr), m_pMeshData(nullptr), m_pPass(nullptr),
      m_pMeshActor(nullptr), m_pPolygonGroup(nullptr), m_pObjectActor(nullptr), m_fWorldTime(0.0f),
      m_poMatrices(nullptr), m_dwNumMatrices(0), m_dwNumLights(0), m_aoLights()
{
}

void QIRN_ShaderConstants::SetMatrices(const QIRN_Matrix4* poMatrices, uint32_t dwNumMatrices)
{
    m_poMatrices = poMatrices;
    m_dwNumMatrices = poMatrices ? dwNumMatrices : 0;
}

QIRN_ShaderConstants::~QIRN_ShaderConstants()
{
    Clear();
}

void QIRN_ShaderConstants::Clear()
{
    delete[] m_poRows;
    m_poRows = nullptr;
    delete[] m_pfValues;
    m_pfValues = nullptr;
}

bool QIRN_ShaderConstants::AllocateTable(uint32_t dwNumRows, const char* szNoTable, const char* szNoValues)
{
    m_poRows =
        dwNumRows <= QIRN_MAX_CONSTANT_ROWS ? new (std::nothrow) QIRN_ShaderConstantRow[dwNumRows] : nullptr;
    if (!m_poRows)
    {
        dprintf("%s", szNoTable);
        return false;
    }
    m_pfValues = new (std::nothrow) float[static_cast<size_t>(dwNumRows) * 4]();
    if (!m_pfValues)
    {
        dprintf("%s", szNoValues);
        return false;
    }
    return true;
}

QIRN_ShaderConstants& QIRN_ShaderConstants::operator=(const QIRN_ShaderConstants& other)
{
    if (this == &other)
    {
        return *this;
    }
    Clear();
    m_bVSFlag = other.m_bVSFlag;
    // The row count always describes rows that exist: a table without them counts none.
    m_dwNumRows = 0;
    if (other.m_dwNumRows != 0 && other.m_poRows && other.m_pfValues)
    {
        if (!AllocateTable(
                other.m_dwNumRows,
                "*** QIRN_ShaderConstants::operator=() - Memory allocation failed for the table\n",
                "*** QIRN_ShaderConstants::operator=() - Memory allocation failed for the values\n"))
        {
            Clear();
        }
        else
        {
            m_dwNumRows = other.m_dwNumRows;
            for (uint32_t r = 0; r < m_dwNumRows; ++r)
            {
                for (uint32_t c = 0; c < 4; ++c)
                {
                    Constant(r, c) = other.m_poRows[r].m_aoComponents[c];
                }
            }
            memcpy(m_pfValues, other.m_pfValues, sizeof(float) * 4 * m_dwNumRows);
        }
    }
    m_pEngine = nullptr;
    m_pGraphics = nullptr;
    m_pWorld = nullptr;
    m_pCamera = nullptr;
    m_pMeshData = nullptr;
    m_pPass = nullptr;
    return *this;
}

QIRN_ErrorCode QIRN_ShaderConstants::Load(QIRN_File& roFile, QIRN_DataBunnyManager* poManager)
{
    Clear();
    m_dwNumRows = 0;
    QIRN_ErrorCode result = QIRN_ReadBlockStart(roFile, CONSTANTS_TEXTS);
    if (result != OK)
    {
        return result;
    }
    const char* const szEndOfFile = "*** QIRN_ShaderConstants::Load() - Unexpected end of file\n";
    if (roFile.IsEOF())
    {
        dprintf("%s", szEndOfFile);
        return FILEERROR;
    }
    if (roFile.ReadNextWord() != "NumRows")
    {
        dprintf("*** QIRN_ShaderConstants::Load() - Keyword \"NumRows\" not found\n");
        return FILEERROR;
    }
    // The count is kept only once its rows exist, so a table that failed before them counts none.
    uint32_t dwNumRows = 0;
    if (roFile.ReadBlock(dwNumRows) != OK)
    {
        dprintf("*** QIRN_ShaderConstants::Load() - Unable to read the \"NumRows\" block\n");
        return FILEREAD_ERROR;
    }
    if (roFile.IsEOF())
    {
        dprintf("%s", szEndOfFile);
        return FILEERROR;
    }
    if (roFile.ReadNextWord() != "VSFlag")
    {
        dprintf("*** QIRN_ShaderConstants::Load() - Keyword \"VSFlag\" not found\n");
        return FILEERROR;
    }
    if (roFile.ReadBlock(m_bVSFlag) != OK)
    {
        dprintf("*** QIRN_ShaderConstants::Load() - Unable to read the \"VSFlag\" block\n");
        return FILEREAD_ERROR;
    }
    if (dwNumRows > QIRN_MAX_CONSTANT_ROWS)
    {
        dprintf("*** QIRN_ShaderConstants::Load() - NumRows %u is more than the %u constant registers\n",
                dwNumRows, QIRN_MAX_CONSTANT_ROWS);
    }
    if (!AllocateTable(dwNumRows, "*** QIRN_ShaderConstants::Load() - Not enough memory for the table\n",
                       "*** QIRN_ShaderConstants::Load() - Not enough memory for the values\n"))
    {
        Clear();
        return GENERICERROR;
    }
    m_dwNumRows = dwNumRows;

    static const std::vector<QIRN_KeywordField<QIRN_ShaderConstants>> noFields;
    result = QIRN_ReadKeywordLoop(
        roFile, *this, CONSTANTS_TEXTS, noFields,
        [&](const std::string& szKeyword) -> QIRN_ErrorCode
        {
            if (szKeyword != "Constant")
            {
                return QIRN_KEYWORD_NOT_HANDLED;
            }
            QIRN_ShaderConstantRecord record;
            if (roFile.ReadBlock(record) != OK)
            {
                dprintf("*** QIRN_ShaderConstants::Load() - Error reading the constant\n");
                return FILEREAD_ERROR;
            }
            return StoreRecord(record, poManager);
        });
    if (result == OK)
    {
        PrepareTable();
    }
    return result;
}

QIRN_ErrorCode QIRN_ShaderConstants::StoreRecord(const QIRN_ShaderConstantRecord& record,
                                                 QIRN_DataBunnyManager* poManager)
{
    if (record.m_dwRow >= m_dwNumRows || record.m_dwComponent > 3)
    {
        dprintf("*** QIRN_ShaderConstants::Load() - Invalid constant\n");
        return GENERICERROR;
    }
    QIRN_ShaderConstant& constant = Constant(record.m_dwRow, record.m_dwComponent);
    if (record.m_dwType > QIRN_CONSTANT_DATABUNNY)
    {
        dprintf("*** QIRN_ShaderConstants::Load() - Unknown constant type, using undefined\n");
        constant.m_dwType = QIRN_CONSTANT_UNDEFINED;
        return OK;
    }
    constant.m_dwType = record.m_dwType;
    switch (record.m_dwType)
    {
    case QIRN_CONSTANT_FIXED:
        Value(record.m_dwRow, record.m_dwComponent) = record.m_fValue;
        break;
    case QIRN_CONSTANT_VARIABLE:
    case QIRN_CONSTANT_VECTOR:
    case QIRN_CONSTANT_MATERIAL:
        constant.m_dwParam = record.m_dwParam;
        break;
    case QIRN_CONSTANT_FUNCTION:
        constant.m_dwParam = record.m_dwParam & 0x07FFFFFFu;
        for (int i = 0; i < 5; ++i)
        {
            if (record.m_abFlags[i])
            {
                constant.m_dwParam |= 0x80000000u >> i;
            }
            constant.m_adwOperands[i] = record.m_adwOperands[i];
        }
        break;
    case QIRN_CONSTANT_SUM:
        constant.m_adwOperands[0] = record.m_adwOperands[0];
        constant.m_adwOperands[1] = record.m_adwOperands[1];
        break;
    case QIRN_CONSTANT_MATRIX:
        constant.m_dwParam = record.m_dwParam;
        if (record.m_dwParam == QIRN_CONSTANT_MATRIX_TEXTURE)
        {
            constant.m_adwOperands[0] = record.m_adwOperands[0];
        }
        break;
    case QIRN_CONSTANT_SKIN:
    case QIRN_CONSTANT_SKIN_INVERSE:
        constant.m_adwOperands[0] = record.m_adwOperands[0];
        break;
    case QIRN_CONSTANT_LIGHT:
    case QIRN_CONSTANT_LIGHT_VECTOR:
        constant.m_dwParam = record.m_dwParam;
        constant.m_adwOperands[0] = record.m_adwOperands[0];
        break;
    case QIRN_CONSTANT_DATABUNNY:
        if (poManager)
        {
            constant.m_oDataBunnyAssignment.SetDataBunny(poManager->GetFloatDataBunny(record.m_strDataBunny));
        }
        break;
    default:
        break;
    }
    return OK;
}

void QIRN_ShaderConstants::SpreadRowConstant(uint32_t dwFirst, uint64_t qwCount, uint32_t dwType,
                                             uint32_t dwParam, uint32_t dwOperand)
{
    for (uint64_t r = dwFirst; r < dwFirst + qwCount && r < m_dwNumRows; ++r)
    {
        for (uint32_t c = 0; c < 4; ++c)
        {
            QIRN_ShaderConstant& constant = Constant(static_cast<uint32_t>(r), c);
            constant.m_dwType = dwType | QIRN_CONSTANT_DYNAMIC;
            constant.m_dwParam = dwParam;
            constant.m_adwOperands[0] = dwOperand;
            constant.m_oDataBunnyAssignment.SetDataBunny(nullptr);
        }
    }
}

void QIRN_ShaderConstants::PrepareTable()
{
    if (!m_poRows || !m_pfValues)
    {
        return;
    }
    uint32_t dwRow = 0;
    while (dwRow < m_dwNumRows)
    {
        uint64_t qwNextRow = dwRow + 1ull;
        for (uint32_t c = 0; c < 4; ++c)
        {
            QIRN_ShaderConstant& constant = Constant(dwRow, c);
            uint32_t dwType = constant.GetType();
            if (dwType == QIRN_CONSTANT_UNDEFINED || dwType > QIRN_CONSTANT_DATABUNNY)
            {
                constant.m_dwType = QIRN_CONSTANT_UNDEFINED;
                Value(dwRow, c) = 0.0f;
                continue;
            }
            if (dwType == QIRN_CONSTANT_FIXED)
            {
                continue;
            }
            if (dwType == QIRN_CONSTANT_VARIABLE || dwType == QIRN_CONSTANT_LIGHT ||
                dwType == QIRN_CONSTANT_DATABUNNY)
            {
                constant.m_dwType |= QIRN_CONSTANT_DYNAMIC;
                continue;
            }
            if (dwType == QIRN_CONSTANT_FUNCTION)
            {
                if ((constant.m_dwParam & 0xF8000000u) == 0)
                {
                    EvaluateFunction(dwRow, c);
                }
                else
                {
                    constant.m_dwType |= QIRN_CONSTANT_DYNAMIC;
                }
                continue;
            }
            if (dwType == QIRN_CONSTANT_SUM)
            {
                uint32_t dwFirst = constant.m_adwOperands[0];
                uint32_t dwLast = constant.m_adwOperands[1];
                if (!(dwFirst < dwRow && dwLast < dwRow && dwFirst <= dwLast))
                {
                    dprintf("*** QIRN_ShaderConstants::PrepareTable - Invalid sum, row %d. Setting the "
                            "constant to "
                            "undefined\n",
                            static_cast<int>(dwRow));
                    constant.m_dwType = QIRN_CONSTANT_UNDEFINED;
                    continue;
                }
                bool bDynamic = false;
                for (uint32_t i = dwFirst; i <= dwLast; ++i)
                {
                    bDynamic = bDynamic || Constant(i, c).IsDynamic();
                }
                if (bDynamic)
                {
                    constant.m_dwType |= QIRN_CONSTANT_DYNAMIC;
                }
                else
                {
                    EvaluateSum(dwRow, c);
                }
                continue;
            }

            // A row type: it takes whole rows, so the walk goes on after them.
            uint64_t qwRows = RowsOccupied(dwType, constant.m_adwOperands[0]);
            bool bFits = qwRows > 0 && dwRow + qwRows <= m_dwNumRows;
            if (!bFits && (dwType == QIRN_CONSTANT_MATRIX || dwType == QIRN_CONSTANT_SKIN ||
                           dwType == QIRN_CONSTANT_SKIN_INVERSE))
            {
                const char* szWhat = dwType == QIRN_CONSTANT_MATRIX ? "matrix"
                                     : dwType == QIRN_CONSTANT_SKIN ? "skin matrix"
                                                                    : "skin matrix and inverse transpose";
                dprintf(
                    "*** QIRN_ShaderConstants::PrepareTable - Invalid %s, row %d. Setting the constant to "
                    "undefined\n",
                    szWhat, static_cast<int>(dwRow));
                constant.m_dwType = QIRN_CONSTANT_UNDEFINED;
                // A zero count occupies no rows: the walk moves on to the next row.
                qwNextRow = dwRow + (qwRows > 0 ? qwRows : 1);
                break;
            }
            uint32_t dwOperand = dwType == QIRN_CONSTANT_VECTOR || dwType == QIRN_CONSTANT_MATERIAL
                                     ? 0
                                     : constant.m_adwOperands[0];
            SpreadRowConstant(dwRow, qwRows, dwType, constant.m_dwParam, dwOperand);
            qwNextRow = dwRow + qwRows;
            break;
        }
        if (qwNextRow >= m_dwNumRows)
        {
            break;
        }
        dwRow = static_cast<uint32_t>(qwNextRow);
    }
}

float QIRN_ShaderConstants::GetVariableValue(uint32_t dwVariable)
{
    switch (dwVariable)
    {
    case 2:
        return m_pPass ? m_pPass->m_fDisplacementMapScale : 0.0f;
    case 0:
    case 1:
    case 3:
    case 4:
        // World time, frame count and back-buffer size come from the context of an upload.
        return GetSceneVariableValue(dwVariable);
    default:
        dprintf("*** QIRN_ShaderConstants::GetVariableValue() - Unknown variable type\n");
        return 0.0f;
    }
}

void QIRN_ShaderConstants::EvaluateFunction(uint32_t dwRow, uint32_t dwComponent)
{
    const QIRN_ShaderConstant& constant = Constant(dwRow, dwComponent);
    float afOperand[5];
    for (int i = 0; i < 5; ++i)
    {
        afOperand[i] = constant.IsOperandVariable(i) ? GetVariableValue(constant.m_adwOperands[i])
                                                     : BitsToFloat(constant.m_adwOperands[i]);
    }
    const float A = afOperand[0], B = afOperand[1], C = afOperand[2], D = afOperand[3], E = afOperand[4];
    // Rounded to a float after the product and again after the sum.
    volatile float fProduct = B * C;
    volatile float fX = fProduct + D;
    const float x = fX;
    float& rValue = Value(dwRow, dwComponent);
    switch (constant.GetFunction())
    {
    case 0:
        rValue = E + A * sinf(x);
        break;
    case 1:
        rValue = E + A * cosf(x);
        break;
    case 2:
        if (x == 0.0f)
        {
            dprintf(
                "*** QIRN_ShaderConstants::EvaluateFunction() - Division by 0, keeping the previous value\n");
            break;
        }
        rValue = E + A / x;
        break;
    case 3:
        rValue = E + A * expf(x);
        break;
    case 4:
        if (x <= 0.0f)
        {
            dprintf("*** QIRN_ShaderConstants::EvaluateFunction() - Ln is not defined, keeping the previous "
                    "value\n");
            break;
        }
        rValue = E + A * logf(x);
        break;
    case 5:
        rValue = E + A * fabsf(x);
        break;
    case 6:
        rValue = E + (A == 0.0f ? 0.0f : fmodf(x, A));
        break;
    case 7:
        rValue = E + A * x;
        break;
    case 8:
        rValue = E + A * x * x;
        break;
    default:
        dprintf("*** QIRN_ShaderConstants::EvaluateFunction() - Unknown function type\n");
        break;
    }
}

void QIRN_ShaderConstants::EvaluateSum(uint32_t dwRow, uint32_t dwComponent)
{
    const QIRN_ShaderConstant& constant = Constant(dwRow, dwComponent);
    float fSum = 0.0f;
    for (uint32_t i = constant.m_adwOperands[0]; i <= constant.m_adwOperands[1] && i < m_dwNumRows; ++i)
    {
        fSum += Value(i, dwComponent);
    }
    Value(dwRow, dwComponent) = fSum;
}

QIRN_ShaderConstantRecord QIRN_ShaderConstants::MakeRecord(uint32_t dwRow, uint32_t dwComponent) const
{
    const QIRN_ShaderConstant& constant = m_poRows[dwRow].m_aoComponents[dwComponent];
    QIRN_ShaderConstantRecord record;
    record.m_dwRow = dwRow;
    record.m_dwComponent = dwComponent;
    record.m_dwType = constant.GetType();
    record.m_dwParam =
        record.m_dwType == QIRN_CONSTANT_FUNCTION ? constant.GetFunction() : constant.m_dwParam;
    record.m_fValue = m_pfValues[dwRow * 4 + dwComponent];
    for (int i = 0; i < 5; ++i)
    {
        record.m_abFlags[i] = constant.IsOperandVariable(i);
        record.m_adwOperands[i] = constant.m_adwOperands[i];
    }
    const QIRN_FloatDataBunny* poBunny = constant.m_oDataBunnyAssignment.GetDataBunny();
    record.m_strDataBunny = poBunny ? poBunny->GetName() : "None";
    return record;
}

QIRN_ErrorCode QIRN_ShaderConstants::Save(QIRN_File& roFile) const
{
    if (!roFile)
    {
        dprintf("*** QIRN_ShaderConstants::Save() - Unable to write to file\n");
        return FILEERROR;
    }
    roFile.StartWriteBlock(m_bVSFlag ? "VertexShaderConstants" : "PixelShaderConstants");

    // Rows after the last defined one are not written, so the table reads back that much shorter.
    uint32_t dwUsedRows = 0;
    if (m_poRows && m_pfValues)
    {
        for (uint32_t r = 0; r < m_dwNumRows; ++r)
        {
            for (uint32_t c = 0; c < 4; ++c)
            {
                if (m_poRows[r].m_aoComponents[c].GetType() != QIRN_CONSTANT_UNDEFINED)
                {
                    dwUsedRows = r + 1;
                }
            }
        }
    }
    if (dwUsedRows == 0)
    {
        roFile.WriteBlock("NumRows", 1);
        roFile.WriteBlock("VSFlag", m_bVSFlag);
        roFile.WriteBlock("Constant", QIRN_ShaderConstantRecord());
    }
    else
    {
        roFile.WriteBlock("NumRows", dwUsedRows);
        roFile.WriteBlock("VSFlag", m_bVSFlag);
        uint32_t dwRow = 0;
        while (dwRow < dwUsedRows)
        {
            uint64_t qwNextRow = dwRow + 1ull;
            for (uint32_t c = 0; c < 4; ++c)
            {
                const QIRN_ShaderConstant& constant = m_poRows[dwRow].m_aoComponents[c];
                uint32_t dwType = constant.GetType();
                if (dwType == QIRN_CONSTANT_UNDEFINED)
                {
                    continue;
                }
                roFile.WriteBlock("Constant", MakeRecord(dwRow, c));
                if (IsRowType(dwType))
                {
                    uint64_t qwRows = RowsOccupied(dwType, constant.m_adwOperands[0]);
                    qwNextRow = dwRow + (qwRows > 0 ? qwRows : 1);
                    break;
                }
            }
            if (qwNextRow >= dwUsedRows)
            {
                break;
            }
            dwRow = static_cast<uint32_t>(qwNextRow);
        }
    }
    roFile.EndWriteBlock();
    return QIRN_FileWriteGood(roFile) ? OK : FILEERROR;
}
