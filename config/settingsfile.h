#pragma once
// The settings file the scene client reads: ".\qirn_v2.ini" in the working folder.

// Name of the settings file, relative to the working folder.
extern const char* const SETTINGS_FILE_NAME;

// Writes the display mode, refresh rate, antialiasing and texture choice with the fixed data-folder
// paths: fourteen keys, nothing else of an earlier file kept. Answers 1 when the file is written;
// 0 when width, height, bit depth or frequency is 0, or when any write fails, and then the file on
// disk is the one that was there before.
int WriteConfigFile(int nWidth, int nHeight, int nBitDepth, int nFrequency, int nAntiAliasing,
                    int nHighResTextures);
