#pragma once

#include "model/S3DSRecords.h"

#include <cstddef>
#include <string_view>
#include <unordered_map>
#include <vector>

// Each material name to the position of the first material of that name, exact match: the
// rule by which both drawings find a face group's material, so they never disagree on a
// file with two materials of one name. The views point into the materials' own names.
std::unordered_map<std::string_view, std::size_t> MaterialsByName(const std::vector<S3DSMaterial>& aMaterials);
