#pragma once

#include "CModelObjects.h"
#include "model/C3DS.h"

#include <cstdint>
#include <vector>

// Every face's material for full shading: the material of the last group that lists it,
// found by name as the classic drawing finds it (MaterialsByName), or nDefault for a face
// no group with an existing material lists. A group whose name matches none is passed over.
std::vector<std::int32_t> FaceMaterials(const C3DS& model, const CModelObjects& objects, std::int32_t nDefault);
