#include "MapTexCoord.h"

#include <cmath>

namespace {

float Finite(float f, float fUnset)
{
    return std::isfinite(f) ? f : fUnset;
}

} // namespace

// No official document gives the signs or the centre, so they follow assimp's 3DS importer:
// its reader (code/AssetLib/3DS/3DSLoader.cpp, ParseTextureChunk) negates the u offset,
// keeps the v offset and negates the angle, and its UV transform step
// (code/PostProcessing/TextureTransform.cpp) moves by the offset, then rotates and scales
// about the middle of the picture, (0.5, 0.5).
S3DSTexCoord MapTexCoord(const S3DSTextureMap& map, S3DSTexCoord uv)
{
    double su = Finite(map.fUScale, 1.0f), sv = Finite(map.fVScale, 1.0f);
    if (su == 0.0)
        su = 1.0;
    if (sv == 0.0)
        sv = 1.0;
    const double x = static_cast<double>(uv.u) - Finite(map.fUOffset, 0.0f) - 0.5;
    const double y = static_cast<double>(uv.v) + Finite(map.fVOffset, 0.0f) - 0.5;
    // Degrees of any size: reduced first, so a huge angle costs no precision in sin and cos.
    const double dAngle = -std::fmod(static_cast<double>(Finite(map.fRotation, 0.0f)), 360.0) * (M_PI / 180.0);
    const double c = std::cos(dAngle), s = std::sin(dAngle);
    return S3DSTexCoord{static_cast<float>(0.5 + su * (c * x - s * y)), static_cast<float>(0.5 + sv * (s * x + c * y))};
}
