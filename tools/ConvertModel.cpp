#include "ConvertModel.h"

#include "InOrder.h"
#include "geometry/BuildShadedMesh.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <mutex>

namespace {

constexpr float HALF_SQRT2 = 0.70710678f;

struct SPrimitiveData {
    std::vector<float> aPositions, aNormals, aTexCoords;
    std::vector<std::uint32_t> aIndices;
    CGltfWriter::SBounds bounds;  // of the positions
};

bool Finite3(const float* p)
{
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// One object's faces of one material as a primitive of its own, into d (its arrays reused):
// only the vertices its triangles use, numbered from 0. aLocal maps a mesh vertex to its
// number here and is reset for the vertices used before returning; aUsed is scratch.
void CollectPrimitive(const SShadedMesh& mesh, const std::vector<const SShadedBatch*>& aBatches, bool bTexCoords,
                      std::vector<std::uint32_t>& aLocal, std::vector<std::uint32_t>& aUsed, SPrimitiveData& d)
{
    constexpr std::uint32_t UNUSED = UINT32_MAX;
    aUsed.clear();
    const std::size_t nTexVertices = mesh.aTexCoords.size() / 2;
    // Room for every corner at once, cut to what was used at the end.
    std::size_t nCorners = 0;
    for (const SShadedBatch* pBatch : aBatches)
        nCorners += pBatch->nCount;
    const std::size_t nMostVertices = std::min(nCorners, mesh.VertexCount());
    d.aIndices.resize(nCorners);
    aUsed.reserve(nMostVertices);
    d.aPositions.resize(3 * nMostVertices);
    d.aNormals.resize(3 * nMostVertices);
    d.aTexCoords.resize(bTexCoords ? 2 * nMostVertices : 0);
    std::size_t nIndices = 0;
    for (const SShadedBatch* pBatch : aBatches) {
        const std::uint32_t nEnd = pBatch->nFirst + pBatch->nCount;
        for (std::uint32_t i = pBatch->nFirst; i + 3 <= nEnd; i += 3) {
            const std::uint32_t* pCorners = &mesh.aIndices[i];
            if (!std::all_of(pCorners, pCorners + 3, [&](std::uint32_t v) { return Finite3(&mesh.aPositions[3 * std::size_t{v}]); }))
                continue;
            for (int k = 0; k < 3; ++k) {
                const std::uint32_t v = pCorners[k];
                if (aLocal[v] == UNUSED) {
                    const std::size_t n = aUsed.size();
                    aLocal[v] = static_cast<std::uint32_t>(n);
                    aUsed.push_back(v);
                    std::copy_n(&mesh.aPositions[3 * std::size_t{v}], 3, &d.aPositions[3 * n]);
                    const float* pNormal = &mesh.aNormals[3 * std::size_t{v}];
                    const float fLength2 = pNormal[0] * pNormal[0] + pNormal[1] * pNormal[1] + pNormal[2] * pNormal[2];
                    // Unit within single precision, as the validator takes it.
                    static constexpr float UP[3] = {0.0f, 0.0f, 1.0f};
                    std::copy_n(std::isfinite(fLength2) && std::abs(fLength2 - 1.0f) < 2e-4f ? pNormal : UP, 3,
                                &d.aNormals[3 * n]);
                    if (bTexCoords) {
                        float u = 0.0f, t = 0.0f;
                        if (v < nTexVertices) {
                            u = mesh.aTexCoords[2 * std::size_t{v}];
                            t = mesh.aTexCoords[2 * std::size_t{v} + 1];
                        }
                        // glTF's V runs down the picture, the file's up.
                        const float fV = 1.0f - t;
                        d.aTexCoords[2 * n] = std::isfinite(u) ? u : 0.0f;
                        d.aTexCoords[2 * n + 1] = std::isfinite(fV) ? fV : 0.0f;
                    }
                }
                d.aIndices[nIndices++] = aLocal[v];
            }
        }
    }
    for (const std::uint32_t v : aUsed)
        aLocal[v] = UNUSED;
    d.aIndices.resize(nIndices);
    d.aPositions.resize(3 * aUsed.size());
    d.aNormals.resize(3 * aUsed.size());
    if (bTexCoords)
        d.aTexCoords.resize(2 * aUsed.size());
    d.bounds = CGltfWriter::BoundsOf(d.aPositions);
}

CGltfWriter::EWrap WrapOf(ETextureWrap e)
{
    switch (e) {
    case ETextureWrap::mirror: return CGltfWriter::WRAP_MIRRORED_REPEAT;
    case ETextureWrap::decal: return CGltfWriter::WRAP_CLAMP_TO_EDGE;
    case ETextureWrap::repeat: break;
    }
    return CGltfWriter::WRAP_REPEAT;
}

// The material as glTF's metallic-roughness model takes it, with its texture if the
// texture can be had; -1 for the texture otherwise.
CGltfWriter::SMaterial MaterialOf(const SShadedMaterial& m, const CTextureEmbedder::SImage* pImage, int nTexture)
{
    CGltfWriter::SMaterial g;
    g.strName = Latin1ToUtf8(m.strName.str());
    for (int i = 0; i < 3; ++i) {
        float f = std::clamp(m.fDiffuse[i], 0.0f, 1.0f);
        // The texture modulates a colour whitened by its percentage: at 100 % the texel
        // shows as it is.
        if (pImage)
            f += (1.0f - f) * std::clamp(m.fTextureFraction, 0.0f, 1.0f);
        g.fBaseColor[static_cast<std::size_t>(i)] = f;
    }
    g.fBaseColor[3] = std::clamp(m.fDiffuse[3], 0.0f, 1.0f);
    g.fMetallic = 0.0f;
    const float fExponent = std::clamp(m.fShininess, 0.0f, 128.0f);
    g.fRoughness = static_cast<float>(std::pow(2.0 / (fExponent + 2.0), 0.25));
    g.nBaseColorTexture = pImage ? nTexture : -1;
    g.bDoubleSided = m.bTwoSided;
    if (g.fBaseColor[3] < 1.0f || (pImage && pImage->eAlpha == ETextureAlpha::partial))
        g.eAlphaMode = CGltfWriter::EAlphaMode::blend;
    else if (pImage && pImage->eAlpha == ETextureAlpha::cutout)
        g.eAlphaMode = CGltfWriter::EAlphaMode::mask;
    return g;
}


std::size_t MaterialIndex(const SShadedBatch& b, const std::vector<SShadedMaterial>& aMaterials)
{
    return b.nMaterial < 0 ? aMaterials.size() - 1 : static_cast<std::size_t>(b.nMaterial);
}

// One object's primitives, by material, as CollectPrimitive makes them: what a worker
// thread hands to the writer.
struct SObjectPrimitives {
    std::int32_t nObject = 0;
    std::vector<std::pair<std::size_t, SPrimitiveData>> aPrimitives;  // (shaded material, data)
    std::size_t nPrimitives = 0;  // in use; the rest keep their memory for the next object
    std::vector<std::uint32_t> aLocal, aUsed;  // CollectPrimitive's
};

// Into o, whose arrays are reused as they are. Mapping coordinates are taken for every
// textured material; the writer leaves them out where the texture cannot be had, which only
// the writing thread learns.
void CollectObject(const SShadedMesh& mesh, std::int32_t nObject,
                   const std::map<std::size_t, std::vector<const SShadedBatch*>>& mapMaterials,
                   const std::vector<SShadedMaterial>& aMaterials, SObjectPrimitives& o)
{
    o.nObject = nObject;
    o.nPrimitives = 0;
    // Every entry is unused again after each primitive: filled only when it grows, so that
    // the objects of one whole mesh do not each cost all of its vertices.
    if (o.aLocal.size() < mesh.VertexCount())
        o.aLocal.assign(mesh.VertexCount(), UINT32_MAX);
    for (const auto& [nMaterial, aBatches] : mapMaterials) {
        if (o.nPrimitives == o.aPrimitives.size())
            o.aPrimitives.emplace_back();
        auto& [nPrimitiveMaterial, d] = o.aPrimitives[o.nPrimitives];
        nPrimitiveMaterial = nMaterial;
        CollectPrimitive(mesh, aBatches, aMaterials[nMaterial].bTextured, o.aLocal, o.aUsed, d);
        if (!d.aIndices.empty())
            ++o.nPrimitives;
    }
}

} // namespace

std::string Latin1ToUtf8(std::string_view str)
{
    std::string strOut;
    strOut.reserve(str.size());
    for (const char c : str) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            strOut += c;
        } else {
            strOut += static_cast<char>(0xC0 | (b >> 6));
            strOut += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return strOut;
}

void ConvertModel(const C3DS& model, CTextureEmbedder& textures, const std::string& strModelName, CGltfWriter& writer,
                  const SConvertOptions& options)
{
    const CShadingData& shading = model.m_cShading;
    const CShadedMeshBuilder builder(model, !options.bWhole);
    const std::vector<SShadedMaterial>& aShaded = builder.Materials();

    // Materials and their textures go into the writer as objects first use them; images
    // shared by several materials are embedded once.
    std::vector<int> aMaterials(aShaded.size(), -1);
    std::vector<bool> aTextured(aShaded.size(), false);
    std::map<const CTextureEmbedder::SImage*, int> mapImages;
    std::map<std::pair<int, int>, int> mapTextures;  // (image, wrap) -> texture
    auto addMaterial = [&](std::size_t nMaterial) {
        const SShadedMaterial& m = aShaded[nMaterial];
        const CTextureEmbedder::SImage* pImage = m.bTextured ? textures.Image(m.cTexture.strFile.str()) : nullptr;
        int nTexture = -1;
        if (pImage) {
            auto itImage = mapImages.find(pImage);
            if (itImage == mapImages.end())
                itImage = mapImages.emplace(pImage, writer.AddImage(pImage->aBytes, pImage->pszMimeType, pImage->strStem)).first;
            const CGltfWriter::EWrap eWrap = WrapOf(m.eWrap);
            auto itTexture = mapTextures.find({itImage->second, eWrap});
            if (itTexture == mapTextures.end())
                itTexture = mapTextures.emplace(std::make_pair(itImage->second, int{eWrap}),
                                                writer.AddTexture(itImage->second, eWrap, eWrap)).first;
            nTexture = itTexture->second;
        }
        CGltfWriter::SMaterial g = MaterialOf(m, pImage, nTexture);
        // The shaded materials are the model's, in order, then GL's default, which has no
        // highlight of the file's.
        if (nMaterial < model.m_aMaterials.size()) {
            const S3DSMaterial& stored = model.m_aMaterials[nMaterial];
            g.bSpecular = true;
            for (std::size_t i = 0; i < 3; ++i)
                g.fSpecularColor[i] = std::clamp(stored.fSpecular[i], 0.0f, 1.0f);
            g.fSpecularStrength = static_cast<float>(std::clamp(stored.nShinStrength, 0, 100)) / 100.0f;
        }
        aMaterials[nMaterial] = writer.AddMaterial(g);
        aTextured[nMaterial] = pImage != nullptr;
    };

    std::vector<int> aObjectNodes;
    auto addObject = [&](const SObjectPrimitives& o) {
        std::vector<CGltfWriter::SPrimitive> aPrimitives;
        for (std::size_t k = 0; k < o.nPrimitives; ++k) {
            const auto& [nMaterial, d] = o.aPrimitives[k];
            if (aMaterials[nMaterial] < 0)
                addMaterial(nMaterial);
            CGltfWriter::SPrimitive p;
            p.nPositions = writer.AddVec3(d.aPositions, d.bounds);
            p.nNormals = writer.AddVec3(d.aNormals, false);
            if (aTextured[nMaterial] && !d.aTexCoords.empty())
                p.nTexCoords = writer.AddVec2(d.aTexCoords);
            p.nIndices = writer.AddIndices(d.aIndices, static_cast<std::uint32_t>(d.aPositions.size() / 3));
            p.nMaterial = aMaterials[nMaterial];
            aPrimitives.push_back(p);
        }
        if (aPrimitives.empty())
            return;
        const std::string_view svStored = shading.ObjectName(o.nObject);
        const std::string strName = svStored.empty() ? "object " + std::to_string(o.nObject) : Latin1ToUtf8(svStored);
        CGltfWriter::SNode node;
        node.strName = strName;
        node.nMesh = writer.AddMesh(strName, std::move(aPrimitives));
        aObjectNodes.push_back(writer.AddNode(std::move(node)));
    };

    const std::vector<CShadedMeshBuilder::SPart>& aParts = builder.Parts();
    if (!aParts.empty()) {
        // Object by object, built on worker threads and written here in order: the memory of
        // a few objects at a time rather than of the whole mesh. What one object's primitives
        // were collected in serves a later one, so its pages need not be cleared afresh.
        std::mutex poolMutex;
        std::vector<SObjectPrimitives> aPool;
        InOrder<SObjectPrimitives>(
            aParts.size(), options.nThreads,
            [&](std::size_t i) {
                const SShadedMesh mesh = builder.Build(aParts[i]);
                std::map<std::size_t, std::vector<const SShadedBatch*>> mapMaterials;
                for (const SShadedBatch& b : mesh.aBatches)
                    if (b.nCount >= 3)
                        mapMaterials[MaterialIndex(b, aShaded)].push_back(&b);
                SObjectPrimitives o;
                {
                    const std::lock_guard lock(poolMutex);
                    if (!aPool.empty()) {
                        o = std::move(aPool.back());
                        aPool.pop_back();
                    }
                }
                CollectObject(mesh, aParts[i].nObject, mapMaterials, aShaded, o);
                return o;
            },
            [&](SObjectPrimitives&& o) {
                addObject(o);
                const std::lock_guard lock(poolMutex);
                aPool.push_back(std::move(o));
            });
    } else {
        const SShadedMesh mesh = builder.Whole();
        // Batches come by material, then object; a node wants them by object, then material.
        std::map<std::int32_t, std::map<std::size_t, std::vector<const SShadedBatch*>>> mapObjects;
        for (const SShadedBatch& b : mesh.aBatches)
            if (b.nCount >= 3)
                mapObjects[b.nObject][MaterialIndex(b, aShaded)].push_back(&b);
        SObjectPrimitives o;
        for (const auto& [nObject, mapMaterials] : mapObjects) {
            CollectObject(mesh, nObject, mapMaterials, aShaded, o);
            addObject(o);
        }
    }

    CGltfWriter::SNode root;
    root.strName = strModelName;
    root.aChildren = std::move(aObjectNodes);
    // A quarter turn about X: the file's Z-up becomes glTF's Y-up, its Y points away.
    root.fRotation = {-HALF_SQRT2, 0.0f, 0.0f, HALF_SQRT2};
    // The reader keeps only finite positive scales, but the inverse of a tiny one is no float.
    const float fMaster = shading.m_fMasterScale;
    const float fScale = fMaster > 0.0f ? 1.0f / fMaster : 0.0f;
    const bool bScaled = std::isfinite(fScale) && fScale > 0.0f;
    if (bScaled)
        root.fScale = {fScale, fScale, fScale};
    writer.SetRoots({writer.AddNode(std::move(root))});
    if (bScaled)
        writer.SetAssetExtras(nlohmann::json{{"unit", "the model file's own unit divided by its master scale, taken as "
                                                      "the metre: the root node scales by 1 / masterScale"},
                                             {"masterScale", fMaster}}.dump());
    else
        writer.SetAssetExtras(R"({"unit":"the model file's own unit, taken as the metre"})");
}
