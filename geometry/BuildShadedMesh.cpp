#include "BuildShadedMesh.h"

#include "CModelObjects.h"
#include "CSmoothNormals.h"
#include "FaceMaterials.h"
#include "MapTexCoord.h"
#include "ShadedMaterials.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr std::uint32_t kNoVertex = CSmoothNormals::kNoVertex;

// Faces in drawing order: by material, the textured ones first and the default last, and
// within a material in file order, which is by object. Returns the order; aMaterialOrder
// gets the material of each bucket and aBucketEnd where its faces end in the order.
std::vector<std::uint32_t> OrderFaces(const C3DS& model, const CModelObjects& objects,
                                      const std::vector<SShadedMaterial>& aMaterials,
                                      const std::vector<std::uint32_t>& aCorners, bool bMapped,
                                      std::vector<std::size_t>& aMaterialOrder, std::vector<std::uint32_t>& aBucketEnd)
{
    const std::size_t nMaterials = aMaterials.size();  // the default included, last
    for (bool bTextured : {true, false})
        for (std::size_t k = 0; k + 1 < nMaterials; ++k)
            if ((bMapped && aMaterials[k].bTextured) == bTextured)
                aMaterialOrder.push_back(k);
    aMaterialOrder.push_back(nMaterials - 1);
    std::vector<std::size_t> aBucketOf(nMaterials);
    for (std::size_t b = 0; b < nMaterials; ++b)
        aBucketOf[aMaterialOrder[b]] = b;

    const std::vector<std::int32_t> aFaceMaterial =
        FaceMaterials(model, objects, static_cast<std::int32_t>(nMaterials - 1));
    std::vector<std::uint32_t> aNext(nMaterials + 1, 0);
    std::size_t nDrawn = 0;
    for (std::size_t i = 0; i < aFaceMaterial.size(); ++i) {
        if (aCorners[3 * i] != kNoVertex) {
            ++aNext[aBucketOf[static_cast<std::size_t>(aFaceMaterial[i])] + 1];
            ++nDrawn;
        }
    }
    for (std::size_t b = 0; b < nMaterials; ++b)
        aNext[b + 1] += aNext[b];
    std::vector<std::uint32_t> aOrder(nDrawn);
    for (std::size_t i = 0; i < aFaceMaterial.size(); ++i)
        if (aCorners[3 * i] != kNoVertex)
            aOrder[aNext[aBucketOf[static_cast<std::size_t>(aFaceMaterial[i])]]++] = static_cast<std::uint32_t>(i);
    aNext.pop_back();
    aBucketEnd = std::move(aNext);
    return aOrder;
}

} // namespace

SShadedMesh BuildShadedMesh(const C3DS& model)
{
    SShadedMesh mesh;
    mesh.aMaterials = ShadedMaterials(model);
    const std::vector<S3DSVertex>& aVertices = model.m_aVertices;
    const std::vector<S3DSFace>& aFaces = model.m_aFaces;
    if (aVertices.empty() || aFaces.empty())
        return mesh;

    const CModelObjects objects(model);
    std::vector<std::uint32_t> aCorners(aFaces.size() * 3, kNoVertex);
    {
        const CModelObjects::SObject* pObject = nullptr;
        for (std::size_t i = 0; i < aFaces.size(); ++i) {
            if (!pObject || aFaces[i].nObject != aFaces[i - 1].nObject)
                pObject = objects.Find(aFaces[i].nObject);
            if (pObject && !objects.Corners(aFaces[i], *pObject, &aCorners[3 * i]))
                aCorners[3 * i] = kNoVertex;
        }
    }

    const CShadingData& cShading = model.m_cShading;
    const bool bMapped = !cShading.m_aObjectMappings.empty();
    std::vector<std::size_t> aMaterialOrder;
    std::vector<std::uint32_t> aBucketEnd;
    const std::vector<std::uint32_t> aOrder =
        OrderFaces(model, objects, mesh.aMaterials, aCorners, bMapped, aMaterialOrder, aBucketEnd);
    const CSmoothNormals normals(model, aCorners);

    // Corners become vertices, shared within a material where the model's vertex and the
    // normal are the same (the mapping coordinates then are too). aHead[v] is the newest
    // vertex made from model vertex v in the material aStamp[v]; aNext chains the older ones.
    std::vector<std::uint32_t> aHead(aVertices.size(), kNoVertex), aStamp(aVertices.size(), kNoVertex);
    std::vector<std::uint32_t> aNext;
    aNext.reserve(aVertices.size());
    mesh.aPositions.reserve(aVertices.size() * 3);
    mesh.aNormals.reserve(aVertices.size() * 3);
    if (bMapped && std::any_of(mesh.aMaterials.begin(), mesh.aMaterials.end(), [](const auto& m) { return m.bTextured; }))
        mesh.aTexCoords.reserve(aVertices.size() * 2);
    mesh.aIndices.resize(aOrder.size() * 3);
    std::size_t t = 0;
    for (std::size_t b = 0; b < aMaterialOrder.size(); ++b) {
        const std::size_t k = aMaterialOrder[b];
        const SShadedMaterial& m = mesh.aMaterials[k];
        const bool bTextured = bMapped && m.bTextured;
        const auto nMaterial = k + 1 == mesh.aMaterials.size() ? -1 : static_cast<std::int32_t>(k);
        const CModelObjects::SObject* pObject = nullptr;
        for (; t < aBucketEnd[b]; ++t) {
            const std::uint32_t i = aOrder[t];
            const S3DSFace& f = aFaces[i];
            if (mesh.aBatches.empty() || mesh.aBatches.back().nMaterial != nMaterial ||
                mesh.aBatches.back().nObject != f.nObject) {
                mesh.aBatches.push_back(SShadedBatch{nMaterial, f.nObject, static_cast<std::uint32_t>(3 * t), 0});
                pObject = objects.Find(f.nObject);
            }
            mesh.aBatches.back().nCount += 3;
            const std::uint16_t aLocal[3] = {f.a, f.b, f.c};
            for (int c = 0; c < 3; ++c) {
                const std::uint32_t v = aCorners[3 * i + static_cast<std::size_t>(c)];
                float n[3];
                normals.Normal(i, c, n);
                std::uint32_t nOut = aStamp[v] == b ? aHead[v] : kNoVertex;
                while (nOut != kNoVertex && std::memcmp(&mesh.aNormals[3 * std::size_t{nOut}], n, sizeof n) != 0)
                    nOut = aNext[nOut];
                if (nOut == kNoVertex) {
                    nOut = static_cast<std::uint32_t>(aNext.size());
                    aNext.push_back(aStamp[v] == b ? aHead[v] : kNoVertex);
                    aHead[v] = nOut;
                    aStamp[v] = static_cast<std::uint32_t>(b);
                    mesh.aPositions.insert(mesh.aPositions.end(), {aVertices[v].x, aVertices[v].y, aVertices[v].z});
                    mesh.aNormals.insert(mesh.aNormals.end(), n, n + 3);
                    if (bTextured) {
                        const S3DSObjectMapping* pMapping = pObject ? pObject->pMapping : nullptr;
                        S3DSTexCoord uv{};
                        if (pMapping && aLocal[c] < pMapping->nCount)
                            uv = cShading.m_aTexCoords[pMapping->nFirst + aLocal[c]];
                        uv = MapTexCoord(m.cTexture, uv);
                        mesh.aTexCoords.insert(mesh.aTexCoords.end(), {uv.u, uv.v});
                    }
                }
                mesh.aIndices[3 * t + static_cast<std::size_t>(c)] = nOut;
            }
        }
    }
    // The vertex count was a guess; what it overshot goes back.
    mesh.aPositions.shrink_to_fit();
    mesh.aNormals.shrink_to_fit();
    mesh.aTexCoords.shrink_to_fit();
    mesh.aBatches.shrink_to_fit();
    return mesh;
}
