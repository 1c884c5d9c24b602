#include "qirn_framepose.h"

#include <cmath>
#include <utility>

QIRN_FramePose::QIRN_FramePose(std::string name, QIRN_Matrix4 matrix, QIRN_Vector4 scale,
                               QIRN_Vector4 translation, QIRN_Quaternion rotation)
    : m_strName(std::move(name)), m_oMatrix(matrix), m_vScale(scale), m_bHasScale(true),
      m_vTranslation(translation), m_bHasTranslation(true), m_oRotation(rotation), m_bHasRotation(true)
{
}

void QIRN_FramePose::AddWeighted(float weight, QIRN_Vector4* scaleSum, QIRN_Vector4* translationSum,
                                 QIRN_Quaternion* rotationBlend) const
{
    if (!m_bHasScale && !m_bHasTranslation && !m_bHasRotation)
    {
        return;
    }
    if (!scaleSum || !translationSum || !rotationBlend)
    {
        return;
    }
    scaleSum->x += weight * m_vScale.x;
    scaleSum->y += weight * m_vScale.y;
    scaleSum->z += weight * m_vScale.z;
    scaleSum->w = 1.0f;

    // Slerp may flip its second argument: blend towards a copy, never the pose itself.
    QIRN_Quaternion oRotation = m_oRotation;
    Quaternion_Slerp(rotationBlend, &oRotation, rotationBlend, weight);

    translationSum->x += weight * m_vTranslation.x;
    translationSum->y += weight * m_vTranslation.y;
    translationSum->z += weight * m_vTranslation.z;
    translationSum->w = 1.0f;
}

namespace
{
bool IsNegligible(const QIRN_Vector4& v)
{
    return fabsf(v.x) < 0.0001f && fabsf(v.y) < 0.0001f && fabsf(v.z) < 0.0001f;
}
} // namespace

void QIRN_FramePose::MakeRelativeTo(const QIRN_FramePose& neutral)
{
    m_vScale.x -= neutral.m_vScale.x;
    m_vScale.y -= neutral.m_vScale.y;
    m_vScale.z -= neutral.m_vScale.z;
    m_bHasScale = !IsNegligible(m_vScale);
    m_vTranslation.x -= neutral.m_vTranslation.x;
    m_vTranslation.y -= neutral.m_vTranslation.y;
    m_vTranslation.z -= neutral.m_vTranslation.z;
    m_bHasTranslation = !IsNegligible(m_vTranslation);
    const QIRN_Quaternion& q = neutral.m_oRotation;
    m_bHasRotation =
        !(m_oRotation.x == q.x && m_oRotation.y == q.y && m_oRotation.z == q.z && m_oRotation.w == q.w);
}
