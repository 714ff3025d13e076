#pragma once

struct S3DSMaterial;

// Makes m the front material: its colours with its transparency, unscaled, as alpha, and
// its ambient colour as the current colour. Legal between two triangles of a primitive.
void ApplyMaterial(const S3DSMaterial& m);
