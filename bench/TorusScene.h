#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class C3DS;

// The load benchmark's synthetic scene: nMeshes tori of 32,000 vertices and 64,000 faces
// each, with four materials; 64 meshes make about 62.5 MiB.
std::vector<std::uint8_t> BuildTorusScene(int nMeshes);
// The same scene with what full shading reads beside it: mapping coordinates for every
// vertex and a smoothing mask for every face (the tube's two halves in groups of their own).
std::vector<std::uint8_t> BuildTorusScene(int nMeshes, bool bShadingData);

// Bytes the model holds once loaded: every array's capacity, and each shared name once.
std::size_t ModelBytes(const C3DS& m);
