#include "ConvertModel.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>

namespace {

constexpr float HALF_SQRT2 = 0.70710678f;

struct SPrimitiveData {
    std::vector<float> aPositions, aNormals, aTexCoords;
    std::vector<std::uint32_t> aIndices;
};

bool Finite3(const float* p)
{
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// One object's faces of one material as a primitive of its own: only the vertices its
// triangles use, numbered from 0. aLocal maps a mesh vertex to its number here and is
// reset for the vertices used before returning.
SPrimitiveData CollectPrimitive(const SShadedMesh& mesh, const std::vector<const SShadedBatch*>& aBatches,
                                bool bTexCoords, std::vector<std::uint32_t>& aLocal)
{
    constexpr std::uint32_t UNUSED = UINT32_MAX;
    SPrimitiveData d;
    std::vector<std::uint32_t> aUsed;
    const std::size_t nTexVertices = mesh.aTexCoords.size() / 2;
    // Room for every corner at once: a large object's arrays grow without copies.
    std::size_t nCorners = 0;
    for (const SShadedBatch* pBatch : aBatches)
        nCorners += pBatch->nCount;
    const std::size_t nMostVertices = std::min(nCorners, mesh.VertexCount());
    d.aIndices.reserve(nCorners);
    aUsed.reserve(nMostVertices);
    d.aPositions.reserve(3 * nMostVertices);
    d.aNormals.reserve(3 * nMostVertices);
    if (bTexCoords)
        d.aTexCoords.reserve(2 * nMostVertices);
    for (const SShadedBatch* pBatch : aBatches) {
        const std::uint32_t nEnd = pBatch->nFirst + pBatch->nCount;
        for (std::uint32_t i = pBatch->nFirst; i + 3 <= nEnd; i += 3) {
            const std::uint32_t* pCorners = &mesh.aIndices[i];
            if (!std::all_of(pCorners, pCorners + 3, [&](std::uint32_t v) { return Finite3(&mesh.aPositions[3 * std::size_t{v}]); }))
                continue;
            for (int k = 0; k < 3; ++k) {
                const std::uint32_t v = pCorners[k];
                if (aLocal[v] == UNUSED) {
                    aLocal[v] = static_cast<std::uint32_t>(aUsed.size());
                    aUsed.push_back(v);
                    const float* p = &mesh.aPositions[3 * std::size_t{v}];
                    d.aPositions.insert(d.aPositions.end(), p, p + 3);
                    const float* n = &mesh.aNormals[3 * std::size_t{v}];
                    const double dLength = std::sqrt(double{n[0]} * n[0] + double{n[1]} * n[1] + double{n[2]} * n[2]);
                    if (Finite3(n) && std::abs(dLength - 1.0) < 1e-4)
                        d.aNormals.insert(d.aNormals.end(), n, n + 3);
                    else
                        d.aNormals.insert(d.aNormals.end(), {0.0f, 0.0f, 1.0f});
                    if (bTexCoords) {
                        float u = 0.0f, t = 0.0f;
                        if (v < nTexVertices) {
                            u = mesh.aTexCoords[2 * std::size_t{v}];
                            t = mesh.aTexCoords[2 * std::size_t{v} + 1];
                        }
                        // glTF's V runs down the picture, the file's up.
                        const float fV = 1.0f - t;
                        d.aTexCoords.push_back(std::isfinite(u) ? u : 0.0f);
                        d.aTexCoords.push_back(std::isfinite(fV) ? fV : 0.0f);
                    }
                }
                d.aIndices.push_back(aLocal[v]);
            }
        }
    }
    for (const std::uint32_t v : aUsed)
        aLocal[v] = UNUSED;
    return d;
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

void ConvertModel(const SShadedMesh& mesh, const C3DS& model, CTextureEmbedder& textures,
                  const std::string& strModelName, CGltfWriter& writer)
{
    const CShadingData& shading = model.m_cShading;
    // Materials and textures first, each once, in the model's order; images shared by
    // several materials are embedded once.
    std::vector<int> aMaterials(mesh.aMaterials.size(), -1);
    std::vector<bool> aTextured(mesh.aMaterials.size(), false);
    std::map<const CTextureEmbedder::SImage*, int> mapImages;
    std::map<std::pair<int, int>, int> mapTextures;  // (image, wrap) -> texture
    auto materialIndex = [&](const SShadedBatch& b) {
        const std::size_t nMaterial =
            b.nMaterial < 0 ? mesh.aMaterials.size() - 1 : static_cast<std::size_t>(b.nMaterial);
        if (aMaterials[nMaterial] < 0) {
            const SShadedMaterial& m = mesh.aMaterials[nMaterial];
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
            // The mesh's materials are the model's, in order, then GL's default, which has no
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
        }
        return nMaterial;
    };

    // Batches come by material, then object; a node wants them by object, then material.
    std::map<std::int32_t, std::map<std::size_t, std::vector<const SShadedBatch*>>> mapObjects;
    for (const SShadedBatch& b : mesh.aBatches)
        if (b.nCount >= 3)
            mapObjects[b.nObject][materialIndex(b)].push_back(&b);

    // Each mesh vertex belongs to one object and material, so the primitives together hold
    // at most the mesh's vertices and indices, plus each accessor's alignment.
    writer.ReserveBinary(mesh.aPositions.size() * 2 * sizeof(float) + mesh.aTexCoords.size() * sizeof(float) +
                         mesh.aIndices.size() * sizeof(std::uint32_t) + 4 * 4 * mesh.aBatches.size());
    std::vector<std::uint32_t> aLocal(mesh.VertexCount(), UINT32_MAX);
    std::vector<int> aObjectNodes;
    for (const auto& [nObject, mapMaterials] : mapObjects) {
        std::vector<CGltfWriter::SPrimitive> aPrimitives;
        for (const auto& [nMaterial, aBatches] : mapMaterials) {
            SPrimitiveData d = CollectPrimitive(mesh, aBatches, aTextured[nMaterial], aLocal);
            if (d.aIndices.empty())
                continue;
            CGltfWriter::SPrimitive p;
            p.nPositions = writer.AddVec3(d.aPositions, true);
            p.nNormals = writer.AddVec3(d.aNormals, false);
            if (!d.aTexCoords.empty())
                p.nTexCoords = writer.AddVec2(d.aTexCoords);
            p.nIndices = writer.AddIndices(d.aIndices, static_cast<std::uint32_t>(d.aPositions.size() / 3));
            p.nMaterial = aMaterials[nMaterial];
            aPrimitives.push_back(p);
        }
        if (aPrimitives.empty())
            continue;
        const std::string_view svStored = shading.ObjectName(nObject);
        const std::string strName = svStored.empty() ? "object " + std::to_string(nObject) : Latin1ToUtf8(svStored);
        CGltfWriter::SNode node;
        node.strName = strName;
        node.nMesh = writer.AddMesh(strName, std::move(aPrimitives));
        aObjectNodes.push_back(writer.AddNode(std::move(node)));
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
