#pragma once
// Engine-wide constants, each defined once for the whole program.

#include "qirn_errors.h"
#include "qirn_math.h"

extern const QIRN_Matrix4 QIRN_IDENTITY_MATRIX;
// Base transform of geometry loaded from .x files (same value as the identity, its own constant).
extern const QIRN_Matrix4 QIRN_XFILE_MATRIX;
// Base transform of geometry loaded from face-model files: mirrors x.
extern const QIRN_Matrix4 QIRN_MIRROR_X_MATRIX;

// The world file's data-bunny block; compared exactly, letter case included.
extern const char* const QIRN_DATABUNNYMANAGER_KEYWORD;
