// QIRN_Geometry::LoadVisemes: the viseme file, a text list of named poses of control-point frames.
#include "qirn_geometry.h"

#include "qirn_debug.h"
#include "qirn_settings.h"
#include "qirn_skeleton.h"

#include <cctype>
#include <cstdio>
#include <memory>

namespace
{
const char* const NEUTRAL = "Neutral";

struct FileCloser
{
    void operator()(FILE* pFile) const { fclose(pFile); }
};
typedef std::unique_ptr<FILE, FileCloser> FileHolder;

enum NameResult
{
    NAME_OK,
    NAME_MISSING,
    NAME_TOO_LONG
};

// Names are at most 31 characters; a longer one is refused rather than split into two items.
NameResult ReadName(FILE* pFile, char (&szName)[32])
{
    szName[0] = '\0';
    if (fscanf(pFile, "%31s", szName) != 1 || !szName[0])
    {
        return NAME_MISSING;
    }
    int c = fgetc(pFile);
    if (c != EOF && !isspace(c))
    {
        return NAME_TOO_LONG;
    }
    if (c != EOF)
    {
        ungetc(c, pFile);
    }
    fscanf(pFile, "\n");
    return NAME_OK;
}

bool IsWanted(const char* szName, const QIRN_WeightListNode* pWeights)
{
    if (std::string(szName) == NEUTRAL)
    {
        return true;
    }
    for (; pWeights; pWeights = pWeights->m_pNext)
    {
        if (pWeights->m_szName == szName)
        {
            return true;
        }
    }
    return false;
}

// Passes over the given number of line ends; false when the file ends first.
bool SkipLines(FILE* pFile, int iLines)
{
    while (iLines > 0)
    {
        int c = fgetc(pFile);
        if (c == EOF)
        {
            return false;
        }
        if (c == '\n')
        {
            --iLines;
        }
    }
    return true;
}

// "(matrix<k> [a,b,c] [a,b,c] [a,b,c] [x,y,z])": three rows read, transposed into columns, then the
// translation. False when any number or the closing bracket is missing.
bool ReadMatrix(FILE* pFile, QIRN_Matrix4* pMatrix)
{
    Matrix_Identity(pMatrix);
    int k = 0;
    int iRead = fscanf(pFile, "(matrix%d [%f,%f,%f]", &k, &pMatrix->_11, &pMatrix->_12, &pMatrix->_13);
    if (iRead != 4)
    {
        return false;
    }
    if (fscanf(pFile, " [%f,%f,%f]", &pMatrix->_21, &pMatrix->_22, &pMatrix->_23) != 3 ||
        fscanf(pFile, " [%f,%f,%f]", &pMatrix->_31, &pMatrix->_32, &pMatrix->_33) != 3)
    {
        return false;
    }
    Matrix_Transpose(pMatrix, pMatrix);
    int iEnd = -1;
    if (fscanf(pFile, " [%f,%f,%f])%n", &pMatrix->_41, &pMatrix->_42, &pMatrix->_43, &iEnd) != 3 || iEnd < 0)
    {
        return false;
    }
    fscanf(pFile, "\n");
    return true;
}
} // namespace

QIRN_ErrorCode QIRN_Geometry::LoadVisemes(std::string szVisemeFilename,
                                          const QIRN_WeightListNode* pVisemeWeights)
{
    if (szVisemeFilename.empty())
    {
        dprintf("*** QIRN_Xfile_Object :: LoadVisemes(): szVisemeFilename is empty.\n");
        return INVALIDPARAMS;
    }
    std::string szPath = QIRN_FindFile(szVisemeFilename, "cpa");
    if (szPath.empty())
    {
        dprintf("*** QIRN_XFile_Object::LoadVisemes() - FindFile FAILED\n");
        return GENERICERROR;
    }
    FileHolder oFile(fopen(szPath.c_str(), "rb"));
    if (!oFile)
    {
        dprintf("*** QIRN_Xfile_Object :: LoadVisemes(): Can't open viseme file!\n");
        return GENERICERROR;
    }
    FILE* pFile = oFile.get();
    int iNumVisemes = 0;
    if (fscanf(pFile, "%d", &iNumVisemes) != 1 || iNumVisemes < 0)
    {
        dprintf("*** QIRN_Xfile_Object :: LoadVisemes(): Can't read the number of visemes!\n");
        return GENERICERROR;
    }
    if (iNumVisemes == 0)
    {
        dprintf("*** QIRN_Xfile_Object :: LoadVisemes(): Number of viseme is 0!\n");
        return GENERICERROR;
    }
    fscanf(pFile, "\n");
    dprintf("*** QIRN_Xfile_Object :: LoadVisemes(): Loading visemes!\n");

    for (int iViseme = 0; iViseme < iNumVisemes; ++iViseme)
    {
        int iNumLines = 0;
        if (fscanf(pFile, "%d", &iNumLines) != 1 || iNumLines < 1)
        {
            dprintf("*** QIRN_Xfile_Object :: LoadVisemes(): Bad line count of viseme %d!\n", iViseme);
            return GENERICERROR;
        }
        fscanf(pFile, "\n");
        char szName[32];
        NameResult eName = ReadName(pFile, szName);
        if (eName == NAME_TOO_LONG)
        {
            dprintf("*** QIRN_Xfile_Object :: LoadVisemes(): Viseme name is longer than 31 characters!\n");
            return GENERICERROR;
        }
        if (eName != NAME_OK)
        {
            dprintf("*** QIRN_Xfile_Object :: LoadVisemes(): Can't read viseme name!\n");
            return GENERICERROR;
        }
        int iNumPoints = (iNumLines - 1) / 2;
        if (!IsWanted(szName, pVisemeWeights))
        {
            if (!SkipLines(pFile, 2 * iNumPoints))
            {
                dprintf("*** QIRN_Xfile_Object :: LoadVisemes(): File ends inside viseme \"%s\"!\n", szName);
                return GENERICERROR;
            }
            continue;
        }
        for (int iPoint = 0; iPoint < iNumPoints; ++iPoint)
        {
            char szFrame[32];
            QIRN_Frame* poFrame = nullptr;
            eName = ReadName(pFile, szFrame);
            if (eName == NAME_TOO_LONG)
            {
                dprintf("*** QIRN_Xfile_Object :: LoadVisemes(): Frame name is longer than 31 characters!\n");
                return GENERICERROR;
            }
            if (eName == NAME_OK && m_poSkeleton)
            {
                poFrame = m_poSkeleton->FindFrame(szFrame);
            }
            if (!poFrame)
            {
                dprintf("*** QIRN_Xfile_Object :: LoadVisemes(): Can't find CP frame for viseme!\n");
                return GENERICERROR;
            }
            QIRN_Matrix4 oMatrix;
            if (!ReadMatrix(pFile, &oMatrix))
            {
                dprintf(
                    "*** QIRN_Xfile_Object :: LoadVisemes(): Bad matrix for frame \"%s\" of viseme \"%s\"!\n",
                    szFrame, szName);
                return GENERICERROR;
            }
            QIRN_Vector4 vScale(1.0f, 1.0f, 1.0f, 1.0f);
            QIRN_Vector4 vTranslation(0.0f, 0.0f, 0.0f, 1.0f);
            QIRN_Quaternion oRotation = {0.0f, 0.0f, 0.0f, 1.0f};
            Matrix_DecomposeQuaternion(&oMatrix, &vScale, &oRotation, &vTranslation);
            QIRN_FramePose* poPose = new QIRN_FramePose(szName, oMatrix, vScale, vTranslation, oRotation);
            QIRN_FramePose* poNeutral = poFrame->GetPose(NEUTRAL);
            if (poNeutral)
            {
                poPose->MakeRelativeTo(*poNeutral);
            }
            else if (std::string(szName) != NEUTRAL)
            {
                delete poPose;
                dprintf("*** QIRN_Xfile_Object :: LoadVisemes(): Can't find the neutral viseme!\n");
                return GENERICERROR;
            }
            poFrame->AddPose(poPose);
        }
    }
    dprintf("*** QIRN_Xfile_Object :: LoadVisemes(): Finished loading visemes!\n");
    return OK;
}
