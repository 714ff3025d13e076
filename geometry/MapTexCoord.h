#pragma once

#include "model/CShadingData.h"

// A vertex's stored mapping coordinates through its material's texture map: scale, offset
// and rotation. The tiling (repeat, mirror, decal) is the texture's wrap mode, not a change
// of coordinates. A scale of 0 counts as 1; values that are not finite count as unset.
S3DSTexCoord MapTexCoord(const S3DSTextureMap& map, S3DSTexCoord uv);
