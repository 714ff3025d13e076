#include "BuildShadedMesh.h"

#include "CModelObjects.h"
#include "CSmoothNormals.h"
#include "FaceMaterials.h"
#include "MapTexCoord.h"
#include "ShadedMaterials.h"

#include <algorithm>
#include <cstring>
#include <tuple>
#include <unordered_map>
#include <utility>

namespace {

constexpr std::uint32_t kNoVertex = CSmoothNormals::kNoVertex;

// Faces in drawing order: by material, the textured ones first and the default last, and
// within a material in file order, which is by object. Returns the order of the faces from
// nFirstFace on, as positions in the model; aMaterialOrder gets the material of each bucket
// and aBucketEnd where its faces end in the order.
std::vector<std::uint32_t> OrderFaces(const std::vector<std::int32_t>& aFaceMaterial,
                                      const std::vector<SShadedMaterial>& aMaterials,
                                      const std::vector<std::uint32_t>& aCorners, std::size_t nFirstFace, bool bMapped,
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

    const std::size_t nFaces = aCorners.size() / 3;
    std::vector<std::uint32_t> aNext(nMaterials + 1, 0);
    std::size_t nDrawn = 0;
    for (std::size_t i = 0; i < nFaces; ++i) {
        if (aCorners[3 * i] != kNoVertex) {
            ++aNext[aBucketOf[static_cast<std::size_t>(aFaceMaterial[nFirstFace + i])] + 1];
            ++nDrawn;
        }
    }
    for (std::size_t b = 0; b < nMaterials; ++b)
        aNext[b + 1] += aNext[b];
    std::vector<std::uint32_t> aOrder(nDrawn);
    for (std::size_t i = 0; i < nFaces; ++i)
        if (aCorners[3 * i] != kNoVertex)
            aOrder[aNext[aBucketOf[static_cast<std::size_t>(aFaceMaterial[nFirstFace + i])]]++] =
                static_cast<std::uint32_t>(nFirstFace + i);
    aNext.pop_back();
    aBucketEnd = std::move(aNext);
    return aOrder;
}

} // namespace

SShadedMesh BuildShadedMesh(const C3DS& model)
{
    return CShadedMeshBuilder(model, false).Whole();
}

CShadedMeshBuilder::CShadedMeshBuilder(const C3DS& model, bool bParts)
    : m_model(model),
      m_objects(model),
      m_aMaterials(ShadedMaterials(model)),
      m_bMapped(!model.m_cShading.m_aObjectMappings.empty())
{
    if (model.m_aVertices.empty() || model.m_aFaces.empty())
        return;
    m_aFaceMaterial = FaceMaterials(model, m_objects, static_cast<std::int32_t>(m_aMaterials.size() - 1));
    if (bParts)
        FindParts();
}

// A part per run of faces, when each object number has one run of faces and one of vertices
// and every corner that is in the vertex array is in its own object's run: then no face
// smooths with, or shares a vertex with, another object's. Each part orders its faces over
// all materials, so the parts together must not cost much more than the model's faces.
void CShadedMeshBuilder::FindParts()
{
    const std::vector<S3DSVertex>& aVertices = m_model.m_aVertices;
    const std::vector<S3DSFace>& aFaces = m_model.m_aFaces;
    std::unordered_map<std::int32_t, std::pair<std::size_t, std::size_t>> mapVertexRuns;
    for (std::size_t v = 0; v < aVertices.size();) {
        std::size_t nEnd = v + 1;
        while (nEnd < aVertices.size() && aVertices[nEnd].nObject == aVertices[v].nObject)
            ++nEnd;
        if (!mapVertexRuns.try_emplace(aVertices[v].nObject, v, nEnd).second)
            return;
        v = nEnd;
    }
    std::vector<SPart> aParts;
    std::unordered_map<std::int32_t, bool> mapSeen;
    for (std::size_t i = 0; i < aFaces.size();) {
        const std::int32_t nObject = aFaces[i].nObject;
        if (!mapSeen.try_emplace(nObject, true).second)
            return;
        const auto it = mapVertexRuns.find(nObject);
        SPart part{nObject, i, i, 0, 0};
        if (it != mapVertexRuns.end())
            std::tie(part.nFirstVertex, part.nEndVertex) = it->second;
        // Corners count from the object's first vertex, so only the run's end can be passed;
        // a face with a corner past the whole array is left out either way.
        const std::size_t nRun = part.nEndVertex - part.nFirstVertex;
        // An object without vertices draws none of its faces.
        const std::size_t nInArray = nRun == 0 ? 0 : aVertices.size() - part.nFirstVertex;
        for (; part.nEndFace < aFaces.size() && aFaces[part.nEndFace].nObject == nObject; ++part.nEndFace) {
            const S3DSFace& f = aFaces[part.nEndFace];
            const std::size_t nLast = std::max({f.a, f.b, f.c});
            if (nLast >= nRun && nLast < nInArray)
                return;
        }
        i = part.nEndFace;
        aParts.push_back(part);
    }
    if (aParts.size() * m_aMaterials.size() > 4 * aFaces.size() + 65536)
        return;
    std::sort(aParts.begin(), aParts.end(), [](const SPart& a, const SPart& b) { return a.nObject < b.nObject; });
    m_aParts = std::move(aParts);
}

SShadedMesh CShadedMeshBuilder::Whole() const
{
    SShadedMesh mesh;
    mesh.aMaterials = m_aMaterials;
    if (!m_aFaceMaterial.empty())
        BuildRange(SPart{0, 0, m_model.m_aFaces.size(), 0, m_model.m_aVertices.size()}, mesh);
    return mesh;
}

SShadedMesh CShadedMeshBuilder::Build(const SPart& part) const
{
    SShadedMesh mesh;
    BuildRange(part, mesh);
    return mesh;
}

void CShadedMeshBuilder::BuildRange(const SPart& part, SShadedMesh& mesh) const
{
    const std::vector<S3DSVertex>& aVertices = m_model.m_aVertices;
    const std::vector<S3DSFace>& aFaces = m_model.m_aFaces;
    const std::size_t nFirstFace = part.nFirstFace, nFirstVertex = part.nFirstVertex;
    const std::size_t nVertices = part.nEndVertex - nFirstVertex;

    std::vector<std::uint32_t> aCorners((part.nEndFace - nFirstFace) * 3, kNoVertex);
    {
        const CModelObjects::SObject* pObject = nullptr;
        for (std::size_t i = nFirstFace; i < part.nEndFace; ++i) {
            if (!pObject || aFaces[i].nObject != aFaces[i - 1].nObject)
                pObject = m_objects.Find(aFaces[i].nObject);
            std::uint32_t* pCorners = &aCorners[3 * (i - nFirstFace)];
            if (pObject && !m_objects.Corners(aFaces[i], *pObject, pCorners))
                pCorners[0] = kNoVertex;
        }
    }

    const CShadingData& cShading = m_model.m_cShading;
    std::vector<std::size_t> aMaterialOrder;
    std::vector<std::uint32_t> aBucketEnd;
    const std::vector<std::uint32_t> aOrder =
        OrderFaces(m_aFaceMaterial, m_aMaterials, aCorners, nFirstFace, m_bMapped, aMaterialOrder, aBucketEnd);
    const CSmoothNormals normals(m_model, aCorners, nFirstFace, nFirstVertex, part.nEndVertex);

    // Corners become vertices, shared within a material where the model's vertex and the
    // normal are the same (the mapping coordinates then are too). aHead[v] is the newest
    // vertex made from model vertex nFirstVertex + v in the material aStamp[v]; aNext chains
    // the older ones.
    std::vector<std::uint32_t> aHead(nVertices, kNoVertex), aStamp(nVertices, kNoVertex);
    std::vector<std::uint32_t> aNext;
    aNext.reserve(nVertices);
    mesh.aPositions.reserve(nVertices * 3);
    mesh.aNormals.reserve(nVertices * 3);
    if (m_bMapped && std::any_of(m_aMaterials.begin(), m_aMaterials.end(), [](const auto& m) { return m.bTextured; }))
        mesh.aTexCoords.reserve(nVertices * 2);
    mesh.aIndices.resize(aOrder.size() * 3);
    std::size_t t = 0;
    for (std::size_t b = 0; b < aMaterialOrder.size(); ++b) {
        const std::size_t k = aMaterialOrder[b];
        const SShadedMaterial& m = m_aMaterials[k];
        const bool bTextured = m_bMapped && m.bTextured;
        const auto nMaterial = k + 1 == m_aMaterials.size() ? -1 : static_cast<std::int32_t>(k);
        const CModelObjects::SObject* pObject = nullptr;
        for (; t < aBucketEnd[b]; ++t) {
            const std::uint32_t i = aOrder[t];
            const S3DSFace& f = aFaces[i];
            if (mesh.aBatches.empty() || mesh.aBatches.back().nMaterial != nMaterial ||
                mesh.aBatches.back().nObject != f.nObject) {
                mesh.aBatches.push_back(SShadedBatch{nMaterial, f.nObject, static_cast<std::uint32_t>(3 * t), 0});
                pObject = m_objects.Find(f.nObject);
            }
            mesh.aBatches.back().nCount += 3;
            const std::uint16_t aLocal[3] = {f.a, f.b, f.c};
            float aNormals[9];
            normals.Normals(i, aNormals);
            for (int c = 0; c < 3; ++c) {
                const std::uint32_t nModelVertex = aCorners[3 * (i - nFirstFace) + static_cast<std::size_t>(c)];
                const std::size_t v = nModelVertex - nFirstVertex;
                const float* n = &aNormals[3 * c];
                std::uint32_t nOut = aStamp[v] == b ? aHead[v] : kNoVertex;
                while (nOut != kNoVertex && std::memcmp(&mesh.aNormals[3 * std::size_t{nOut}], n, 3 * sizeof(float)) != 0)
                    nOut = aNext[nOut];
                if (nOut == kNoVertex) {
                    nOut = static_cast<std::uint32_t>(aNext.size());
                    aNext.push_back(aStamp[v] == b ? aHead[v] : kNoVertex);
                    aHead[v] = nOut;
                    aStamp[v] = static_cast<std::uint32_t>(b);
                    const S3DSVertex& p = aVertices[nModelVertex];
                    mesh.aPositions.push_back(p.x);
                    mesh.aPositions.push_back(p.y);
                    mesh.aPositions.push_back(p.z);
                    for (int d = 0; d < 3; ++d)
                        mesh.aNormals.push_back(n[d]);
                    if (bTextured) {
                        const S3DSObjectMapping* pMapping = pObject ? pObject->pMapping : nullptr;
                        S3DSTexCoord uv{};
                        if (pMapping && aLocal[c] < pMapping->nCount)
                            uv = cShading.m_aTexCoords[pMapping->nFirst + aLocal[c]];
                        uv = MapTexCoord(m.cTexture, uv);
                        mesh.aTexCoords.push_back(uv.u);
                        mesh.aTexCoords.push_back(uv.v);
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
}
