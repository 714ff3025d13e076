#pragma once

#include "model/CShadingData.h"
#include "platform/STextureImage.h"

#include <cstdint>

// How a texture map continues outside [0, 1]. Mirror wins over no tiling, as assimp's 3DS
// loader reads the flags (Discreet3DS::CHUNK_MAT_MAP_TILING): neither flag means repeat.
enum class ETextureWrap : std::uint8_t {
    repeat,
    mirror,
    decal,  // once: outside [0, 1] the face shows its material, not the edge texels
};

inline ETextureWrap TextureWrapOf(const S3DSTextureMap& map)
{
    if (map.wTiling & TILING_MIRROR)
        return ETextureWrap::mirror;
    if (map.wTiling & TILING_NO_TILE)
        return ETextureWrap::decal;
    return ETextureWrap::repeat;
}

// A texture as full shading draws it: its GL name in the current context (0: the material
// in its colour, for now or for good) and what its alpha asks of drawing. The texture's
// wrap mode is set by whoever uploaded it, from TextureWrapOf.
struct STextureRef {
    unsigned nName = 0;
    ETextureAlpha eAlpha = ETextureAlpha::opaque;
};
