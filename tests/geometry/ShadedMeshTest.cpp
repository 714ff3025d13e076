// Full shading's CPU half without a context: the texture map transform, the materials, the
// smoothing by position and the indexed arrays with their batches. Models come from files
// written by the test writer and read by the real reader.
#include "geometry/BuildShadedMesh.h"
#include "geometry/MapTexCoord.h"
#include "support/TestFiles.h"
#include "tools/C3dsWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <tuple>

namespace {

void Read(C3dsWriter& w, C3DS& model)
{
    w.Finish();
    ASSERT_EQ(model.ReadBuffer(w.Bytes().data(), w.Bytes().size()), 1);
}

S3DSTextureMap Map(float fUScale, float fVScale, float fUOffset, float fVOffset, float fRotation)
{
    S3DSTextureMap m;
    m.fUScale = fUScale;
    m.fVScale = fVScale;
    m.fUOffset = fUOffset;
    m.fVOffset = fVOffset;
    m.fRotation = fRotation;
    return m;
}

void ExpectUV(const S3DSTexCoord& uv, float u, float v)
{
    EXPECT_NEAR(uv.u, u, 1e-6f);
    EXPECT_NEAR(uv.v, v, 1e-6f);
}

TEST(MapTexCoord, OffsetsRotationAndScaleFollowTheImportersConvention)
{
    ExpectUV(MapTexCoord(Map(1, 1, 0, 0, 0), {0.3f, 0.7f}), 0.3f, 0.7f);
    // The u offset moves the picture the other way from the v offset.
    ExpectUV(MapTexCoord(Map(1, 1, 0.25f, 0, 0), {0.5f, 0.5f}), 0.25f, 0.5f);
    ExpectUV(MapTexCoord(Map(1, 1, 0, 0.25f, 0), {0.5f, 0.5f}), 0.5f, 0.75f);
    // Scale about the middle of the picture; 0 and NaN count as 1.
    ExpectUV(MapTexCoord(Map(2, 3, 0, 0, 0), {0.0f, 1.0f}), -0.5f, 2.0f);
    ExpectUV(MapTexCoord(Map(0, NAN, 0, 0, 0), {0.2f, 0.9f}), 0.2f, 0.9f);
    // 90 degrees turn the coordinates clockwise about (0.5, 0.5): the picture turns the other way.
    ExpectUV(MapTexCoord(Map(1, 1, 0, 0, 90), {1.0f, 0.5f}), 0.5f, 0.0f);
    ExpectUV(MapTexCoord(Map(1, 1, 0, 0, 90), {0.5f, 1.0f}), 1.0f, 0.5f);
    ExpectUV(MapTexCoord(Map(1, 1, 0, 0, 90 + 3600), {0.5f, 1.0f}), 1.0f, 0.5f);
    // Offset first, then the turn.
    ExpectUV(MapTexCoord(Map(1, 1, 0, 0.5f, 90), {0.5f, 0.5f}), 1.0f, 0.5f);
}

// A quad of two faces, textured: (0,0)..(2,2) with mapping coordinates 0..1.
C3dsWriter TexturedQuad(std::uint16_t nPercent = 100)
{
    C3dsWriter w;
    w.LeadIn().BeginMaterial("map", {0, 0, 0}, {40, 40, 40}, {0, 0, 0}).TextureMap("A.PNG", nPercent).End();
    w.Material("plain", {0, 0, 0}, {200, 0, 0}, {0, 0, 0});
    w.BeginObject("quad").Vertices({0, 0, 0, 2, 0, 0, 2, 2, 0, 0, 2, 0}).Mapping({0, 0, 1, 0, 1, 1, 0, 1});
    w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0}).FaceMaterial("map", {0, 1}).Smoothing({1, 1});
    return w;
}

TEST(ShadedMesh, ZeroPercentIsNoTextureAndTheFloatPercentageCounts)
{
    for (const auto& [nPercent, fFraction] : {std::pair{0, 0.0f}, std::pair{40, 0.4f}}) {
        C3dsWriter w = TexturedQuad(static_cast<std::uint16_t>(nPercent));
        C3DS model;
        Read(w, model);
        const SShadedMesh mesh = BuildShadedMesh(model);
        ASSERT_EQ(mesh.aMaterials.size(), 3u);
        EXPECT_EQ(mesh.aMaterials[0].bTextured, nPercent > 0);
        EXPECT_EQ(mesh.aMaterials[0].fTextureFraction, fFraction);
        EXPECT_EQ(mesh.aTexCoords.size(), nPercent > 0 ? 8u : 0u);
        EXPECT_TRUE(mesh.aMaterials[2].strName.empty());  // the default, last
        EXPECT_EQ(mesh.aMaterials[2].fDiffuse[0], 0.8f);
    }
    C3dsWriter w;
    w.LeadIn().BeginMaterial("m", {0, 0, 0}, {0, 0, 0}, {0, 0, 0}).TextureMap("A.PNG", 0, 1, 1, 0, 0, 0x2, 0, 62.5f).End();
    w.BeginObject("o").Vertices({0, 0, 0, 1, 0, 0, 0, 1, 0}).BeginFaces({0, 1, 2, 0});
    C3DS model;
    Read(w, model);
    const SShadedMesh mesh = BuildShadedMesh(model);
    EXPECT_TRUE(mesh.aMaterials[0].bTextured);
    EXPECT_EQ(mesh.aMaterials[0].fTextureFraction, 0.625f);
    EXPECT_EQ(mesh.aMaterials[0].eWrap, ETextureWrap::mirror);
}

TEST(ShadedMesh, CornersShareAVertexWherePositionNormalAndCoordinatesAgree)
{
    C3dsWriter w = TexturedQuad();
    C3DS model;
    Read(w, model);
    const SShadedMesh mesh = BuildShadedMesh(model);
    EXPECT_EQ(mesh.VertexCount(), 4u);
    EXPECT_EQ(mesh.aIndices, (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(mesh.aPositions[3 * 2], 2.0f);  // the model's own floats, unscaled
    EXPECT_EQ(mesh.aTexCoords[2 * 2], 1.0f);
    EXPECT_EQ(mesh.aNormals[3 * 1 + 2], 1.0f);
}

// Two objects, two materials each, listed so that the materials interleave; one face of the
// second object points past its vertices and is left out.
TEST(ShadedMesh, BatchesGoByMaterialTexturedFirstThenByObject)
{
    C3dsWriter w;
    w.LeadIn().Material("red", {0, 0, 0}, {255, 0, 0}, {0, 0, 0});
    w.BeginMaterial("wood", {0, 0, 0}, {0, 0, 0}, {0, 0, 0}).TextureMap("W.PNG").End();
    w.Material("red", {0, 0, 0}, {0, 0, 255}, {0, 0, 0});  // a second "red": never used
    const std::vector<float> quad = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    w.BeginObject("one").Vertices(quad).Mapping({0, 0, 1, 0, 1, 1, 0, 1});
    w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0}).FaceMaterial("red", {0}).FaceMaterial("wood", {1}).End().End().End();
    w.BeginObject("two").Vertices(quad).Mapping({0, 0, 1, 0, 1, 1, 0, 1});
    w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0, 0, 1, 9, 0}).FaceMaterial("wood", {0}).FaceMaterial("red", {1});
    C3DS model;
    Read(w, model);
    const SShadedMesh mesh = BuildShadedMesh(model);
    ASSERT_EQ(mesh.aBatches.size(), 4u);
    const std::vector<std::tuple<int, int, unsigned, unsigned>> expected = {{1, 1, 0, 3}, {1, 2, 3, 3}, {0, 1, 6, 3}, {0, 2, 9, 3}};
    for (std::size_t k = 0; k < expected.size(); ++k) {
        const SShadedBatch& b = mesh.aBatches[k];
        EXPECT_EQ(std::make_tuple(b.nMaterial, b.nObject, b.nFirst, b.nCount), expected[k]) << k;
    }
    EXPECT_EQ(mesh.aIndices.size(), 12u);
    // Only wood's vertices have coordinates, and they come first.
    EXPECT_EQ(mesh.aTexCoords.size(), 2u * 6);
    for (std::size_t k = 0; k < 6; ++k)
        EXPECT_LT(mesh.aIndices[k], 6u);
}

// The roof: two slopes meeting at a ridge along y at x = 0, smoothed together. bSplit gives
// every face its own copies of its vertices with mapping coordinates of its own, as an
// exporter does at a texture seam.
C3dsWriter Roof(bool bSplit, std::uint32_t nRightMask = 1)
{
    C3dsWriter w;
    w.LeadIn().BeginMaterial("tiles", {0, 0, 0}, {200, 200, 200}, {0, 0, 0}).TextureMap("T.PNG").End();
    const std::vector<float> xyz = {-6, -6, -4, -6, 6, -4, 6, -6, -4, 6, 6, -4, 0, -6, 2, 0, 6, 2};
    const std::vector<std::uint16_t> faces = {0, 4, 5, 0, 0, 5, 1, 0, 4, 2, 3, 0, 4, 3, 5, 0};
    if (!bSplit) {
        w.BeginObject("roof").Vertices(xyz);
        std::vector<float> uv;
        for (std::size_t v = 0; v < xyz.size() / 3; ++v)
            uv.insert(uv.end(), {xyz[3 * v] / 12 + 0.5f, xyz[3 * v + 1] / 12 + 0.5f});
        w.Mapping(uv).BeginFaces(faces);
    } else {
        std::vector<float> split, uv;
        std::vector<std::uint16_t> own;
        for (std::size_t f = 0; f < 4; ++f) {
            for (std::size_t c = 0; c < 3; ++c) {
                const std::size_t v = faces[4 * f + c];
                split.insert(split.end(), {xyz[3 * v], xyz[3 * v + 1], xyz[3 * v + 2]});
                uv.insert(uv.end(), {static_cast<float>(f), static_cast<float>(c)});
                own.push_back(static_cast<std::uint16_t>(3 * f + c));
            }
            own.push_back(0);
        }
        w.BeginObject("roof").Vertices(split).Mapping(uv).BeginFaces(own);
    }
    w.FaceMaterial("tiles", {0, 1, 2, 3}).Smoothing({1, 1, nRightMask, nRightMask});
    return w;
}

// Normals by position, rounded, as a set: what a picture of the model depends on.
std::multiset<std::tuple<float, float, float, long, long, long>> NormalsByPosition(const SShadedMesh& mesh)
{
    std::multiset<std::tuple<float, float, float, long, long, long>> s;
    for (std::uint32_t i : mesh.aIndices) {
        const float* p = &mesh.aPositions[3 * i];
        const float* n = &mesh.aNormals[3 * i];
        s.emplace(p[0], p[1], p[2], std::lround(n[0] * 1e5), std::lround(n[1] * 1e5), std::lround(n[2] * 1e5));
    }
    return s;
}

TEST(ShadedMesh, SmoothingJoinsFacesByPositionAcrossSplitVerticesAndKeepsTheirCoordinates)
{
    C3DS shared, split, unjoined;
    C3dsWriter a = Roof(false), b = Roof(true), c = Roof(true, 2);
    Read(a, shared);
    Read(b, split);
    Read(c, unjoined);
    const SShadedMesh meshShared = BuildShadedMesh(shared), meshSplit = BuildShadedMesh(split);
    EXPECT_EQ(NormalsByPosition(meshSplit), NormalsByPosition(meshShared));
    // The ridge points straight up, weighted by angle though its sides have 1 and 2 faces there.
    for (std::size_t v = 0; v < meshSplit.VertexCount(); ++v) {
        if (meshSplit.aPositions[3 * v] == 0.0f) {
            EXPECT_NEAR(meshSplit.aNormals[3 * v], 0.0f, 1e-6f) << v;
            EXPECT_NEAR(meshSplit.aNormals[3 * v + 2], 1.0f, 1e-6f) << v;
        }
    }
    // Each copy keeps its own coordinates: nothing is shared across the seam.
    EXPECT_EQ(meshSplit.VertexCount(), 12u);
    for (std::size_t k = 0; k < 12; ++k) {
        const std::uint32_t i = meshSplit.aIndices[k];
        EXPECT_EQ(meshSplit.aTexCoords[2 * i + 1], MapTexCoord(S3DSTextureMap{}, {0.0f, static_cast<float>(k % 3)}).v);
    }
    // Masks without a common bit stay creased, split or not.
    const SShadedMesh meshUnjoined = BuildShadedMesh(unjoined);
    for (std::size_t v = 0; v < meshUnjoined.VertexCount(); ++v) {
        if (meshUnjoined.aPositions[3 * v] == 0.0f) {
            EXPECT_NEAR(std::fabs(meshUnjoined.aNormals[3 * v]), std::sqrt(0.5f), 1e-6f) << v;
        }
    }
}

// Each part's mesh against the whole one's batches of its object: the same batches, and the
// same vertices in the order the whole first uses them, bit for bit.
void ExpectPartsAreTheirShareOfTheWhole(const C3DS& model)
{
    const CShadedMeshBuilder builder(model);
    const SShadedMesh whole = builder.Whole();
    std::size_t nIndices = 0;
    for (const CShadedMeshBuilder::SPart& part : builder.Parts()) {
        SCOPED_TRACE(part.nObject);
        const SShadedMesh mesh = builder.Build(part);
        EXPECT_TRUE(mesh.aMaterials.empty());
        std::vector<const SShadedBatch*> aWhole;
        for (const SShadedBatch& b : whole.aBatches)
            if (b.nObject == part.nObject)
                aWhole.push_back(&b);
        ASSERT_EQ(aWhole.size(), mesh.aBatches.size());
        std::map<std::uint32_t, std::uint32_t> mapNumbers;
        for (std::size_t k = 0; k < aWhole.size(); ++k) {
            const SShadedBatch &w = *aWhole[k], &b = mesh.aBatches[k];
            ASSERT_EQ(std::tie(w.nMaterial, w.nObject, w.nCount), std::tie(b.nMaterial, b.nObject, b.nCount));
            for (std::uint32_t i = 0; i < w.nCount; ++i) {
                const std::uint32_t vWhole = whole.aIndices[w.nFirst + i], v = mesh.aIndices[b.nFirst + i];
                const auto [it, bNew] = mapNumbers.try_emplace(vWhole, static_cast<std::uint32_t>(mapNumbers.size()));
                ASSERT_EQ(it->second, v);
                if (!bNew)
                    continue;
                for (int d = 0; d < 3; ++d) {
                    ASSERT_EQ(std::memcmp(&whole.aPositions[3 * vWhole + d], &mesh.aPositions[3 * v + d], 4), 0);
                    ASSERT_EQ(std::memcmp(&whole.aNormals[3 * vWhole + d], &mesh.aNormals[3 * v + d], 4), 0);
                }
                const bool bMapped = 2 * vWhole < whole.aTexCoords.size();
                ASSERT_EQ(bMapped, 2 * v < mesh.aTexCoords.size());
                if (bMapped) {
                    ASSERT_EQ(std::memcmp(&whole.aTexCoords[2 * vWhole], &mesh.aTexCoords[2 * v], 8), 0);
                }
            }
        }
        EXPECT_EQ(mapNumbers.size(), mesh.VertexCount());
        nIndices += mesh.aIndices.size();
    }
    if (!builder.Parts().empty()) {
        EXPECT_EQ(nIndices, whole.aIndices.size());
    }
}

// Three objects: a textured one of two materials, smoothed; a faceted one; one with a face
// past the end of the vertex array. nReach > 0 gives the first object a face that reaches
// nReach vertices past its own, into the next object's.
C3dsWriter ThreeObjects(std::uint16_t nReach = 0)
{
    C3dsWriter w;
    w.LeadIn().BeginMaterial("wood", {0, 0, 0}, {40, 40, 40}, {0, 0, 0}).TextureMap("WOOD.PNG").End();
    w.Material("red", {0, 0, 0}, {200, 0, 0}, {0, 0, 0});
    const std::vector<float> quad = {0, 0, 0, 2, 0, 0, 2, 2, 1, 0, 2, 0};
    w.BeginObject("one").Vertices(quad).Mapping({0, 0, 1, 0, 1, 1, 0, 1});
    w.BeginFaces({0, 1, 2, 0, 0, 2, static_cast<std::uint16_t>(3 + nReach), 0, 2, 1, 3, 0})
        .FaceMaterial("red", {0})
        .FaceMaterial("wood", {1, 2})
        .Smoothing({1, 1, 3})
        .End().End().End();
    w.BeginObject("two").Vertices(quad).BeginFaces({0, 1, 2, 0, 0, 2, 3, 0}).FaceMaterial("red", {1}).End().End().End();
    w.BeginObject("three").Vertices({0, 0, 0, 1, 0, 0, 0, 1, 0}).BeginFaces({0, 1, 2, 0, 0, 1, 9, 0});
    return w;
}

TEST(ShadedMesh, ObjectsThatKeepToThemselvesBuildOneByOneAsTheirShareOfTheWhole)
{
    C3dsWriter w = ThreeObjects();
    C3DS model;
    Read(w, model);
    const CShadedMeshBuilder builder(model);
    ASSERT_EQ(builder.Parts().size(), 3u);
    EXPECT_EQ(builder.Parts()[0].nEndVertex - builder.Parts()[0].nFirstVertex, 4u);
    ExpectPartsAreTheirShareOfTheWhole(model);
    // The whole is what full shading draws.
    const SShadedMesh whole = builder.Whole(), drawn = BuildShadedMesh(model);
    EXPECT_EQ(whole.aPositions, drawn.aPositions);
    EXPECT_EQ(whole.aNormals, drawn.aNormals);
    EXPECT_EQ(whole.aIndices, drawn.aIndices);
    EXPECT_EQ(whole.aTexCoords, drawn.aTexCoords);
    // Only the faces that keep within the vertex array are drawn.
    EXPECT_EQ(builder.Build(builder.Parts()[2]).aIndices.size(), 3u);

    // A face that reaches into the next object's vertices shares them with that object's
    // faces: the model is built whole only.
    C3dsWriter reach = ThreeObjects(1);
    C3DS reaching;
    Read(reach, reaching);
    const CShadedMeshBuilder whole2(reaching);
    EXPECT_TRUE(whole2.Parts().empty());
    EXPECT_EQ(whole2.Whole().aIndices.size(), 18u);
    EXPECT_TRUE(CShadedMeshBuilder(model, false).Parts().empty());
}

TEST(ShadedMesh, RealModelsBuiltObjectByObjectAreTheirShareOfTheWhole)
{
    std::size_t nSplit = 0;
    const std::vector<std::string> files = Find3dsFiles(SystemModelFolders());
    ASSERT_GE(files.size(), 10u);
    for (const std::string& strFile : files) {
        SCOPED_TRACE(strFile);
        C3DS model;
        model.ReadFile(strFile);
        nSplit += CShadedMeshBuilder(model).Parts().size() > 1;
        ExpectPartsAreTheirShareOfTheWhole(model);
    }
    EXPECT_GE(nSplit, 3u);  // the models of several objects
}

TEST(ShadedMesh, FacesOutsideTheVerticesLeaveMaterialsButNothingToDraw)
{
    C3dsWriter w;
    w.LeadIn().Material("m", {0, 0, 0}, {0, 0, 0}, {0, 0, 0});
    w.BeginObject("o").Vertices({0, 0, 0, 1, 0, 0, 0, 1, 0}).BeginFaces({0, 1, 7, 0});
    C3DS model;
    Read(w, model);
    const SShadedMesh mesh = BuildShadedMesh(model);
    EXPECT_EQ(mesh.aMaterials.size(), 2u);
    EXPECT_TRUE(mesh.aBatches.empty());
    EXPECT_TRUE(mesh.aIndices.empty());
    EXPECT_EQ(mesh.VertexCount(), 0u);
}

} // namespace
