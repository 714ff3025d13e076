#pragma once

#include "TextureWrap.h"
#include "model/CShadingData.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A model as full shading draws it, and as a converter writes it out: plain arrays without
// any GL type, built by BuildShadedMesh on the CPU.

// One material as lighting takes it, with its texture map as the file gives it.
struct SShadedMaterial {
    CSharedString strName;  // empty for the default material
    float fAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};  // alpha in each: 1 - transparency
    float fDiffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    float fSpecular[4] = {0.0f, 0.0f, 0.0f, 1.0f};  // already times the shininess strength
    float fShininess = 0.0f;                        // GL's exponent, 0..128
    bool bTwoSided = false;
    bool bTextured = false;        // a map with a file name and a percentage above 0
    float fTextureFraction = 0.0f;  // the map's percentage as 0..1; 0 unless textured
    ETextureWrap eWrap = ETextureWrap::repeat;
    S3DSTextureMap cTexture;  // as stored: MapTexCoord has already been applied to the vertices

    bool Transparent() const { return fDiffuse[3] < 1.0f; }
};

// Faces of one material and one object: a converter's primitive, a draw call's share.
struct SShadedBatch {
    std::int32_t nMaterial;  // position in aMaterials, or -1 for the default (aMaterials' last)
    std::int32_t nObject;    // the object's number (S3DSVertex::nObject)
    std::uint32_t nFirst;    // first entry of aIndices
    std::uint32_t nCount;    // entries, three per triangle
};

// Indexed triangles: corners share a vertex where they share its position, normal and
// mapping coordinates. Batches are grouped by material, the textured materials first (so
// their vertices, the only ones with mapping coordinates, are a prefix), and within a
// material ordered by object; consecutive batches of one material are consecutive indices.
struct SShadedMesh {
    std::vector<float> aPositions;  // three per vertex: the model's own floats, unscaled
    std::vector<float> aNormals;    // three per vertex, unit length
    std::vector<float> aTexCoords;  // two per vertex of a textured batch, mapped; a prefix
    std::vector<std::uint32_t> aIndices;
    std::vector<SShadedBatch> aBatches;
    std::vector<SShadedMaterial> aMaterials;  // the model's, in order, then the default

    std::size_t VertexCount() const { return aPositions.size() / 3; }
    const SShadedMaterial& Material(std::int32_t nMaterial) const  // -1: the default
    {
        return nMaterial < 0 ? aMaterials.back() : aMaterials[static_cast<std::size_t>(nMaterial)];
    }
    std::size_t Bytes() const
    {
        return (aPositions.capacity() + aNormals.capacity() + aTexCoords.capacity()) * sizeof(float) +
               aIndices.capacity() * sizeof(std::uint32_t) + aBatches.capacity() * sizeof(SShadedBatch) +
               aMaterials.capacity() * sizeof(SShadedMaterial);
    }
};
