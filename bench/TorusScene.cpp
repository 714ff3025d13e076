#include "TorusScene.h"

#include "tools/C3dsWriter.h"
#include "model/C3DS.h"

#include <cmath>
#include <numbers>
#include <set>
#include <string>

namespace {

constexpr int kRingVertices = 160;  // around the tube
constexpr int kRings = 200;         // 32,000 vertices and 64,000 faces per mesh
constexpr int kMaterials = 4;

std::string MaterialName(int i)
{
    return "material-" + std::to_string(i);
}

} // namespace

// Each mesh is a torus, so every face is a real triangle and every corner index is valid
// for the peers that check them. Its mesh matrix holds the torus' centre, as exporters
// write it.
std::vector<std::uint8_t> BuildTorusScene(int nMeshes)
{
    return BuildTorusScene(nMeshes, false);
}

std::vector<std::uint8_t> BuildTorusScene(int nMeshes, bool bShadingData)
{
    C3dsWriter w;
    w.LeadIn();
    for (int i = 0; i < kMaterials; ++i) {
        const auto c = static_cast<std::uint8_t>(60 * i);
        w.Material(MaterialName(i), {c, 20, 20}, {c, 120, 200}, {255, 255, 255}, 30, static_cast<std::uint16_t>(10 * i));
    }
    const int nVertices = kRingVertices * kRings;
    const int nFaces = 2 * nVertices;
    std::vector<float> xyz(3 * static_cast<std::size_t>(nVertices));
    std::vector<std::uint16_t> abcFlags(4 * static_cast<std::size_t>(nFaces));
    for (int mesh = 0; mesh < nMeshes; ++mesh) {
        const float fCx = static_cast<float>(mesh % 8) * 30.0f, fCy = static_cast<float>(mesh / 8) * 30.0f;
        for (int r = 0; r < kRings; ++r) {
            for (int k = 0; k < kRingVertices; ++k) {
                const double u = 2 * std::numbers::pi * r / kRings, v = 2 * std::numbers::pi * k / kRingVertices;
                const std::size_t i = 3 * static_cast<std::size_t>(r * kRingVertices + k);
                xyz[i] = fCx + static_cast<float>((10 + 3 * std::cos(v)) * std::cos(u));
                xyz[i + 1] = fCy + static_cast<float>((10 + 3 * std::cos(v)) * std::sin(u));
                xyz[i + 2] = static_cast<float>(3 * std::sin(v));
            }
        }
        std::size_t f = 0;
        for (int r = 0; r < kRings; ++r) {
            for (int k = 0; k < kRingVertices; ++k) {
                const int r1 = (r + 1) % kRings, k1 = (k + 1) % kRingVertices;
                const auto v00 = static_cast<std::uint16_t>(r * kRingVertices + k);
                const auto v01 = static_cast<std::uint16_t>(r * kRingVertices + k1);
                const auto v10 = static_cast<std::uint16_t>(r1 * kRingVertices + k);
                const auto v11 = static_cast<std::uint16_t>(r1 * kRingVertices + k1);
                for (std::uint16_t w16 : {v00, v10, v11, std::uint16_t(7), v00, v11, v01, std::uint16_t(7)})
                    abcFlags[f++] = w16;
            }
        }
        w.BeginObject("torus-" + std::to_string(mesh)).Vertices(xyz);
        w.MeshMatrix({1, 0, 0, 0, 1, 0, 0, 0, 1, fCx, fCy, 0});
        if (bShadingData) {
            std::vector<float> uv(2 * static_cast<std::size_t>(nVertices));
            for (int k = 0; k < nVertices; ++k) {
                uv[2 * static_cast<std::size_t>(k)] = static_cast<float>(k / kRingVertices) / kRings;
                uv[2 * static_cast<std::size_t>(k) + 1] = static_cast<float>(k % kRingVertices) / kRingVertices;
            }
            w.Mapping(uv);
        }
        w.BeginFaces(abcFlags);
        // Contiguous runs of faces per material, covering every face.
        const int nPerMaterial = nFaces / kMaterials;
        for (int m = 0; m < kMaterials; ++m) {
            std::vector<std::uint16_t> faces(static_cast<std::size_t>(nPerMaterial));
            for (int i = 0; i < nPerMaterial; ++i)
                faces[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(m * nPerMaterial + i);
            w.FaceMaterial(MaterialName((m + mesh) % kMaterials), faces);
        }
        if (bShadingData) {
            std::vector<std::uint32_t> masks(static_cast<std::size_t>(nFaces));
            for (int i = 0; i < nFaces; ++i)
                masks[static_cast<std::size_t>(i)] = (i / 2) % kRingVertices < kRingVertices / 2 ? 1u : 2u;
            w.Smoothing(masks);
        }
        w.End().End().End();  // face list, triangle mesh, named object
    }
    return w.Finish().Bytes();
}

// Bytes the model holds once loaded: every array's capacity, and each shared name once.
std::size_t ModelBytes(const C3DS& m)
{
    std::size_t n = m.m_aVertices.capacity() * sizeof(S3DSVertex) + m.m_aFaces.capacity() * sizeof(S3DSFace) +
                    m.m_aFaceMaterials.capacity() * sizeof(S3DSFaceMaterial) +
                    m.m_aMaterials.capacity() * sizeof(S3DSMaterial);
    std::set<const char*> strings;
    auto add = [&](const CSharedString& s) {
        if (!s.empty() && strings.insert(s.c_str()).second)
            n += 2 * sizeof(std::size_t) + s.size() + 1;  // count, length, characters, zero
    };
    for (const auto& mat : m.m_aMaterials)
        add(mat.strName);
    for (const auto& fm : m.m_aFaceMaterials)
        add(fm.strMaterial);
    return n;
}
