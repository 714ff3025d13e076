#pragma once

#include "CSharedString.h"

#include <cstdint>

// The plain records of the scene model. Face corners and wFace are relative to their own
// object and are stored as read: users check them against the arrays before indexing.

struct S3DSVertex {
    std::int32_t nObject = 0;  // 1-based number of the named object that holds the vertex
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct S3DSFace {
    std::int32_t nObject = 0;
    std::uint16_t a = 0;       // corners count from the object's first vertex
    std::uint16_t b = 0;
    std::uint16_t c = 0;
    std::uint16_t wFlags = 0;  // kept as stored, never interpreted
};

struct S3DSFaceMaterial {
    std::uint16_t wObject = 0;  // low 16 bits of the object number
    std::uint16_t wFace = 0;    // face index within its own object, as stored
    CSharedString strMaterial;
};

struct S3DSMaterial {
    CSharedString strName;
    float fAmbient[3] = {0.0f, 0.0f, 0.0f};
    float fDiffuse[3] = {0.0f, 0.0f, 0.0f};
    float fSpecular[3] = {0.0f, 0.0f, 0.0f};
    std::int32_t nShininess = 0;     // whole percent, unscaled
    std::int32_t nShinStrength = 0;
    std::int32_t nTransparency = 0;
    std::int32_t nTransFalloff = 0;
    std::int32_t nReflectBlur = 0;
};
