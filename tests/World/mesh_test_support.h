#pragma once
// A small boat for the mesh-kind tests: a frame "Boat" that sails 10 units along x per second,
// with a child frame "Mast" 3 units up and one mesh "Hull" (a 2 x 2 square in the z = 0 plane) of
// two materials, "Paint" and "Glass", so two polygon groups.

#include "qirn_geometry.h"
#include "qirn_meshdata.h"

#include <string>

namespace world_test
{
extern const char* const BOAT_X;

// The polygon group of the geometry's first mesh whose name ends in "." + szMaterial; NULL when none.
PolygonGroup* FindGroup(QIRN_Geometry* poGeometry, const std::string& szMaterial);
} // namespace world_test
