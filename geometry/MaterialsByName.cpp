#include "MaterialsByName.h"

std::unordered_map<std::string_view, std::size_t> MaterialsByName(const std::vector<S3DSMaterial>& aMaterials)
{
    std::unordered_map<std::string_view, std::size_t> map;
    map.reserve(aMaterials.size());
    // try_emplace keeps the first of several materials with one name.
    for (std::size_t k = 0; k < aMaterials.size(); ++k)
        map.try_emplace(aMaterials[k].strName.view(), k);
    return map;
}
