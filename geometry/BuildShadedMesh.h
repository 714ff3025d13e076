#pragma once

#include "CModelObjects.h"
#include "SShadedMesh.h"
#include "model/C3DS.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The whole of full shading's CPU work: materials, each face's material, smooth normals and
// the indexed arrays with the texture map applied (see SShadedMesh). Faces that reach
// outside the vertex array are left out, as the classic drawing leaves them out. A model
// without vertices or faces gives no vertices and no batches. Throws std::bad_alloc when
// memory runs out; every temporary is freed as soon as its step is done (each face's
// material when the mesh is).
SShadedMesh BuildShadedMesh(const C3DS& model);

// The same mesh, whole or an object at a time. Where every object keeps to itself (its faces
// one run, its vertices one run, and its faces' corners within its own vertices), each
// object's mesh is exactly its share of the whole one: the same batches, vertices and
// normals, in the same order, numbered from 0. A converter can then build and write a large
// model object by object, on several threads (Build is const and keeps nothing), in the
// memory of one object at a time. Parts() is empty for a model whose objects do not keep to
// themselves, or where building them one by one would cost more than the model is large; it
// is then built whole.
class CShadedMeshBuilder {
public:
    struct SPart {
        std::int32_t nObject;
        std::size_t nFirstFace, nEndFace;
        std::size_t nFirstVertex, nEndVertex;
    };

    // bParts: look for the parts at all (a pass over the faces), which only building them
    // one by one needs.
    explicit CShadedMeshBuilder(const C3DS& model, bool bParts = true);

    const std::vector<SShadedMaterial>& Materials() const { return m_aMaterials; }
    const std::vector<SPart>& Parts() const { return m_aParts; }  // by object number

    // The whole mesh, as BuildShadedMesh gives it.
    SShadedMesh Whole() const;
    // One part's mesh, without aMaterials (the builder's serve all parts).
    SShadedMesh Build(const SPart& part) const;

private:
    void FindParts();
    void BuildRange(const SPart& part, SShadedMesh& mesh) const;

    const C3DS& m_model;
    CModelObjects m_objects;
    std::vector<SShadedMaterial> m_aMaterials;
    std::vector<std::int32_t> m_aFaceMaterial;
    bool m_bMapped;
    std::vector<SPart> m_aParts;
};
