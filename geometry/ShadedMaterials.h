#pragma once

#include "SShadedMesh.h"
#include "model/C3DS.h"

#include <vector>

// The model's materials as full shading lights them, in the model's order, with GL's own
// default material last for faces no group gives one.
std::vector<SShadedMaterial> ShadedMaterials(const C3DS& model);
