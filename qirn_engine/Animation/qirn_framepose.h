#pragma once
// A named static pose of one skeleton frame ("Neutral" marks a frame's neutral pose). The
// skeleton blends visemes and expressions by accumulating weighted poses.

#include "qirn_math.h"
#include "qirn_quaternion.h"

#include <string>

class QIRN_FramePose
{
public:
    QIRN_FramePose(std::string name, QIRN_Matrix4 matrix, QIRN_Vector4 scale, QIRN_Vector4 translation,
                   QIRN_Quaternion rotation);

    // Adds weight x this pose to the three accumulators; nothing when no part of the pose is set.
    void AddWeighted(float weight, QIRN_Vector4* scaleSum, QIRN_Vector4* translationSum,
                     QIRN_Quaternion* rotationBlend) const;
    // Keeps scale and translation as differences from the neutral pose, each marked absent when
    // below 0.0001 in every component; the rotation stays absolute, absent when equal exactly.
    void MakeRelativeTo(const QIRN_FramePose& neutral);

    std::string m_strName;
    QIRN_Matrix4 m_oMatrix;
    QIRN_Vector4 m_vScale;
    bool m_bHasScale;
    QIRN_Vector4 m_vTranslation;
    bool m_bHasTranslation;
    QIRN_Quaternion m_oRotation;
    bool m_bHasRotation;
};
