#pragma once

#include "SShadedMesh.h"
#include "model/C3DS.h"

// The whole of full shading's CPU work: materials, each face's material, smooth normals and
// the indexed arrays with the texture map applied (see SShadedMesh). Faces that reach
// outside the vertex array are left out, as the classic drawing leaves them out. A model
// without vertices or faces gives no vertices and no batches. Throws std::bad_alloc when
// memory runs out; every temporary is freed as soon as its step is done.
SShadedMesh BuildShadedMesh(const C3DS& model);
