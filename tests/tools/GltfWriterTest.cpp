// CGltfWriter on a scene built by hand, judged by the Khronos validator: the binary layout,
// the JSON, the images both embedded and beside a .gltf.
#include "GltfFiles.h"
#include "tools/CGltfWriter.h"
#include "tools/ReplaceFile.h"
#include "tools/WritePng.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

// Two meshes under a turned and scaled root: a textured quad with a cut-out and 16-bit
// indices, and a triangle with 32-bit ones, sharing one material with a specular highlight.
CGltfWriter HandBuiltScene()
{
    CGltfWriter w("tessaron tests");
    const std::vector<std::uint8_t> aPixels = {255, 0, 0, 255, 0, 255, 0, 0, 0, 0, 255, 255, 255, 255, 255, 0};
    std::string strError;
    // A stem that begins with '-', which the image's file beside a .gltf must not.
    const int nImage = w.AddImage(EncodePng(2, 2, 4, aPixels.data(), strError), "image/png", "-checker");
    const int nTexture = w.AddTexture(nImage, CGltfWriter::WRAP_CLAMP_TO_EDGE, CGltfWriter::WRAP_MIRRORED_REPEAT);
    CGltfWriter::SMaterial textured;
    textured.strName = "Gr\xC3\xBCn";
    textured.nBaseColorTexture = nTexture;
    textured.eAlphaMode = CGltfWriter::EAlphaMode::mask;
    textured.bDoubleSided = true;
    const int nTextured = w.AddMaterial(textured);
    CGltfWriter::SMaterial plain;
    plain.fBaseColor = {0.5f, 0.25f, 1.0f, 0.5f};
    plain.eAlphaMode = CGltfWriter::EAlphaMode::blend;
    plain.fRoughness = 0.35f;
    plain.bSpecular = true;
    plain.fSpecularColor = {1.0f, 0.5f, 0.0f};
    plain.fSpecularStrength = 0.25f;
    const int nPlain = w.AddMaterial(plain);

    const std::vector<float> aQuad = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    const std::vector<float> aUp = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
    const std::vector<float> aUv = {0, 1, 1, 1, 1, 0, 0, 0};
    const std::vector<std::uint32_t> aQuadIndices = {0, 1, 2, 0, 2, 3};
    CGltfWriter::SPrimitive quad{w.AddVec3(aQuad, true), w.AddVec3(aUp, false), w.AddVec2(aUv),
                                 w.AddIndices(aQuadIndices, 4), nTextured};
    // A triangle with a 3-byte name breaks 4-byte alignment if the writer forgets it.
    const std::vector<float> aTriangle = {-1, -2, -3, 4, 5, 6, 7, -8, 9.5f};
    const std::vector<float> aTriangleNormals = {0, 1, 0, 0, 1, 0, 0, 1, 0};
    std::vector<std::uint32_t> aBig(3 * 30000);
    for (std::size_t i = 0; i < aBig.size(); ++i)
        aBig[i] = static_cast<std::uint32_t>(i % 3);
    CGltfWriter::SPrimitive triangle{w.AddVec3(aTriangle, true), w.AddVec3(aTriangleNormals, false), -1,
                                     w.AddIndices(aBig, 3), nPlain};
    const std::vector<float> aMany(3 * 70000, 0.25f);
    const std::vector<float> aManyNormals = [] {
        std::vector<float> a(3 * 70000, 0.0f);
        for (std::size_t i = 2; i < a.size(); i += 3)
            a[i] = 1.0f;
        return a;
    }();
    std::vector<std::uint32_t> aWide = {0, 69999, 65535};
    CGltfWriter::SPrimitive wide{w.AddVec3(aMany, true), w.AddVec3(aManyNormals, false), -1,
                                 w.AddIndices(aWide, 70000), nPlain};
    CGltfWriter::SNode a, b, root;
    a.strName = "quad";
    a.nMesh = w.AddMesh("quad", {quad});
    b.strName = "pair";
    b.nMesh = w.AddMesh("", {triangle, wide});
    root.aChildren = {w.AddNode(a), w.AddNode(b)};
    root.fRotation = {-0.70710678f, 0.0f, 0.0f, 0.70710678f};
    root.fScale = {0.5f, 0.5f, 0.5f};
    w.SetRoots({w.AddNode(root)});
    w.SetAssetExtras(R"({"unit":"test"})");
    return w;
}

void ExpectValid(const std::vector<std::string>& aFiles)
{
    for (const SValidation& v : ValidateGltf(aFiles)) {
        EXPECT_EQ(v.nErrors, 0) << v.strFile << "\n" << ::testing::PrintToString(v.aIssues);
        EXPECT_EQ(v.nWarnings, 0) << v.strFile << "\n" << ::testing::PrintToString(v.aIssues);
    }
}

} // namespace

TEST(GltfWriter, HandBuiltSceneIsValidAsGlbAndAsGltfWithItsFiles)
{
    const CTempFile dir({}, "unused");
    const CGltfWriter w = HandBuiltScene();
    const std::string strGlb = dir.Dir() + "/scene.glb";
    std::string strError;
    ASSERT_TRUE(ReplaceFile(strGlb, w.Glb(), strError)) << strError;

    const CGltfWriter::SSeparate s = w.Separate("my scene.bin", "my scene-");
    ASSERT_EQ(s.aImageFiles, std::vector<std::string>{"my scene-_-checker.png"});
    ASSERT_TRUE(ReplaceFile(dir.Dir() + "/my scene.bin", s.aBin, strError));
    ASSERT_TRUE(ReplaceFile(dir.Dir() + "/" + s.aImageFiles[0], w.ImageBytes(0), strError));
    const std::string strGltf = dir.Dir() + "/my scene.gltf";
    ASSERT_TRUE(ReplaceFile(strGltf, {reinterpret_cast<const std::uint8_t*>(s.strJson.data()), s.strJson.size()}, strError));
    ExpectValid({strGlb, strGltf});

    std::vector<std::uint8_t> aBin;
    const nlohmann::json j = GltfJson(strGlb, &aBin);
    ExpectAccessorsInBounds(j, aBin);
    EXPECT_EQ(j["asset"]["generator"], "tessaron tests");
    EXPECT_EQ(j["asset"]["extras"]["unit"], "test");
    EXPECT_EQ(j["materials"][0]["name"], "Gr\xC3\xBCn");
    EXPECT_EQ(j["materials"][0]["alphaMode"], "MASK");
    EXPECT_EQ(j["materials"][1]["alphaMode"], "BLEND");
    EXPECT_FALSE(j["materials"][0].contains("extensions"));
    EXPECT_EQ(j["materials"][1]["extensions"]["KHR_materials_specular"]["specularFactor"], 0.25);
    EXPECT_EQ(j["extensionsUsed"], nlohmann::json::array({"KHR_materials_specular"}));
    EXPECT_EQ(j["nodes"][j["scenes"][0]["nodes"][0].get<int>()]["scale"], nlohmann::json({0.5, 0.5, 0.5}));
    EXPECT_EQ(j["samplers"][0]["wrapS"], 33071);
    EXPECT_EQ(j["samplers"][0]["wrapT"], 33648);
    // 16-bit indices while they fit, 32-bit from 65536 vertices on.
    EXPECT_EQ(j["accessors"][j["meshes"][0]["primitives"][0]["indices"].get<int>()]["componentType"], 5123);
    EXPECT_EQ(j["accessors"][j["meshes"][1]["primitives"][1]["indices"].get<int>()]["componentType"], 5125);
    EXPECT_EQ(j["accessors"][j["meshes"][1]["primitives"][0]["indices"].get<int>()]["count"], 90000);
    EXPECT_EQ(GltfJson(strGltf)["buffers"][0]["uri"], "my%20scene.bin");
}

// Enough data to fill several of the writer's blocks, in accessors of odd sizes (16-bit
// indices of an odd count end off the 4-byte grid): every accessor's bytes must be where
// its view says, in the .glb and in a .gltf's buffer alike.
TEST(GltfWriter, DataOverManyBlocksReadsBackAtEveryAccessorsView)
{
    CGltfWriter w("tessaron tests");
    std::vector<std::pair<int, std::vector<std::uint8_t>>> aAdded;  // accessor, its bytes
    auto bytesOf = [](const auto& a) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(a.data());
        return std::vector<std::uint8_t>(p, p + a.size() * sizeof(a[0]));
    };
    for (std::uint32_t k = 0; k < 60; ++k) {
        std::vector<float> aFloats(3 * (1 + (k * 977) % 9000));
        for (std::size_t i = 0; i < aFloats.size(); ++i)
            aFloats[i] = static_cast<float>(k * 100000 + i);
        aAdded.emplace_back(w.AddVec3(aFloats, k % 2 == 0), bytesOf(aFloats));
        std::vector<std::uint32_t> aIndices(3 * (2 * k + 1));
        for (std::size_t i = 0; i < aIndices.size(); ++i)
            aIndices[i] = static_cast<std::uint32_t>((i * 7 + k) % 3);
        const std::vector<std::uint16_t> aShort(aIndices.begin(), aIndices.end());
        aAdded.emplace_back(w.AddIndices(aIndices, 3), bytesOf(aShort));
    }
    const CTempFile dir({}, "unused");
    std::string strError;
    ASSERT_TRUE(ReplaceFile(dir.Dir() + "/blocks.glb", w.Glb(), strError)) << strError;
    std::vector<std::uint8_t> aBin;
    const nlohmann::json j = GltfJson(dir.Dir() + "/blocks.glb", &aBin);
    ExpectAccessorsInBounds(j, aBin);
    const std::vector<std::uint8_t> aSeparate = w.Separate("blocks.bin", "blocks-").aBin;
    ASSERT_GT(aSeparate.size(), std::size_t{1} << 20);  // more than the first few blocks
    ASSERT_GE(aBin.size(), aSeparate.size());
    EXPECT_TRUE(std::equal(aSeparate.begin(), aSeparate.end(), aBin.begin()));
    for (const auto& [nAccessor, aBytes] : aAdded) {
        const nlohmann::json& view = j["bufferViews"][j["accessors"][nAccessor]["bufferView"].get<std::size_t>()];
        const std::size_t nOffset = view.value("byteOffset", std::size_t{0});
        ASSERT_EQ(view["byteLength"].get<std::size_t>(), aBytes.size());
        ASSERT_EQ(nOffset % 4, 0u);
        ASSERT_LE(nOffset + aBytes.size(), aSeparate.size());
        EXPECT_TRUE(std::equal(aBytes.begin(), aBytes.end(), aSeparate.begin() + static_cast<std::ptrdiff_t>(nOffset)))
            << "accessor " << nAccessor;
    }
}

TEST(GltfWriter, AnEmptySceneIsValid)
{
    const CTempFile dir({}, "unused");
    CGltfWriter w("tessaron tests");
    CGltfWriter::SNode empty;
    empty.strName = "empty";
    w.SetRoots({w.AddNode(empty)});
    std::string strError;
    ASSERT_TRUE(ReplaceFile(dir.Dir() + "/empty.glb", w.Glb(), strError));
    CGltfWriter none("tessaron tests");
    ASSERT_TRUE(ReplaceFile(dir.Dir() + "/none.glb", none.Glb(), strError));
    ExpectValid({dir.Dir() + "/empty.glb", dir.Dir() + "/none.glb"});
}
