#pragma once
// The engine's small render-state, texture-stage and patch codes turned into Direct3D 8 values.
// Pure functions: an unknown engine code answers QIRN_DX8_NOTSET (or QIRN_DX8_INVALID where
// noted), which the writers of device states skip or pass on as they see fit.

#include <cstdint>

const uint32_t QIRN_DX8_NOTSET = 0x7FFFFFFF;
const uint32_t QIRN_DX8_INVALID = 0xFFFFFFFF;

uint32_t ConvertTextureOp(uint32_t eOp);
// The argument with its modifier flags (1 complement, 2 alpha replicate, 3 both); QIRN_DX8_INVALID.
uint32_t ConvertTextureArg(uint32_t eArg, uint32_t eFlags);
uint32_t ConvertTextureAddress(uint32_t eAddress);
uint32_t ConvertTextureFilter(uint32_t eFilter);
// QIRN_DX8_INVALID for an unknown code.
uint32_t ConvertTexCoordGeneration(uint32_t eGeneration);
uint32_t ConvertTextureTransformFlags(uint32_t eFlags);
uint32_t ConvertBlend(uint32_t eBlend);
uint32_t ConvertCompareFunc(uint32_t eFunc);
// Cull modes, and shade modes, which count the same way.
uint32_t ConvertCullMode(uint32_t eMode);
// 1 solid, 2 wireframe, 3 point; 0 (not set in the file) answers QIRN_DX8_NOTSET.
uint32_t ConvertFillMode(uint32_t eMode);
uint32_t ConvertStencilOp(uint32_t eOp);
uint32_t ConvertPatchEdgeStyle(uint32_t eStyle);
uint32_t ConvertPatchOrder(uint32_t eOrder);
uint32_t ConvertPatchBasis(uint32_t eBasis);
// The console's fill mode: 2 wireframe, 3 point, anything else solid.
uint32_t ConvertConsoleFillMode(uint32_t eMode);
// 0 exp, 1 exp2, 2 linear, anything else no fog.
uint32_t ConvertFogMode(uint32_t eMode);
