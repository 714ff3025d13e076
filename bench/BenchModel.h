#pragma once

#include "model/C3DS.h"

#include <cstddef>
#include <cstdint>

// The models the frame benchmarks draw, built in memory.

// A gently waved sheet of nSide x nSide vertices, so faces have differing normals, with
// nFaces faces over its cells (cells are reused when more faces are asked for than it has).
void AddSheet(C3DS& model, std::int32_t nObject, int nSide, std::size_t nFaces, float fX, float fY);

// Entries as the reader leaves them: one per listed face, in two groups that split the
// object's faces, each naming a material of its own.
void AddGroups(C3DS& model, std::int32_t nObject, std::size_t nFaces);

// 16 objects of 181 x 181 vertices and 64,800 faces each: 1,036,800 triangles, every face
// with a face-material entry, the objects side by side in a 4 x 4 square.
inline constexpr int kFrameBenchObjects = 16;
void BuildFrameBenchModel(C3DS& model);
