#include "qirn_constants.h"

// Brace-initialised, so every constant has its value before any code runs.
const QIRN_Matrix4 QIRN_IDENTITY_MATRIX = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
const QIRN_Matrix4 QIRN_XFILE_MATRIX = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
const QIRN_Matrix4 QIRN_MIRROR_X_MATRIX = {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

const char* const QIRN_DATABUNNYMANAGER_KEYWORD = "DataBunnyManager";
