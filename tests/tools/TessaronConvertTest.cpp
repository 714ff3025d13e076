// tessaron-convert as a process on real files: its command line, per-file failures and
// files written whole; the conversion of every real model and every fuzz seed judged by the
// Khronos validator; and the files read back by assimp, compared with full shading's mesh.
#include "GltfFiles.h"
#include "RunProcess.h"
#include "geometry/BuildShadedMesh.h"
#include "model/C3DS.h"
#include "platform/DecodeTexture.h"
#include "platform/CTextureFinder.h"
#include "platform/TextureImages.h"
#include "tools/C3dsWriter.h"
#include "tools/ConvertModel.h"
#include "support/TestFiles.h"

#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace {

SProcessResult Convert(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {TESSARON_CONVERT_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv);
}

std::vector<std::string> FilesIn(const std::string& strDir)
{
    std::vector<std::string> a;
    for (const auto& e : fs::directory_iterator(strDir))
        a.push_back(e.path().filename().string());
    std::sort(a.begin(), a.end());
    return a;
}

std::vector<std::uint8_t> FileBytes(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The real models of the test set, and the fuzzer's seeds: every .3ds the suite knows.
std::vector<std::string> RealModels()
{
    const std::vector<std::string> a = Find3dsFiles(SystemModelFolders());
    EXPECT_GE(a.size(), 10u) << "bootstrap --test installs assimp-testmodels and glmark2-data";
    return a;
}

std::vector<std::string> Seeds()
{
    std::vector<std::string> a;
    for (const auto& e : fs::directory_iterator(FUZZ_SEEDS_DIR))
        a.push_back(e.path().string());
    std::sort(a.begin(), a.end());
    EXPECT_GE(a.size(), 5u) << "the fuzzer's seeds are made by the build";
    return a;
}

// Two objects: a quad in a material textured by CHECKER.TGA, and a triangle in a two-sided,
// half transparent material with a Latin-1 name and a texture that is nowhere.
std::vector<std::uint8_t> TexturedModel()
{
    C3dsWriter w;
    w.LeadIn().BeginMaterial("map", {0, 0, 0}, {40, 40, 40}, {0, 0, 0}, 50).TextureMap("CHECKER.TGA").End();
    w.BeginMaterial("Gr\xFCn", {0, 0, 0}, {0, 255, 0}, {0, 0, 0}, 0, 50).TwoSided().TextureMap("MISSING.PNG", 30).End();
    w.BeginObject("quad").Vertices({0, 0, 0, 2, 0, 0, 2, 2, 0, 0, 2, 0}).Mapping({0, 0, 1, 0, 1, 1, 0, 1});
    w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0}).FaceMaterial("map", {0, 1}).End().End().End();
    w.BeginObject("tri").Vertices({0, 0, 1, 1, 0, 1, 0, 1, 1});
    w.BeginFaces({0, 1, 2, 0}).FaceMaterial("Gr\xFCn", {0});
    return w.Finish().Bytes();
}

struct SDecodedImage {
    int cx = 0, cy = 0;
    std::vector<std::uint8_t> aRGBA;  // top row first
};

SDecodedImage DecodeImage(const std::vector<std::uint8_t>& aBytes)
{
    // The viewer's decoder says whether the bytes are a picture; its texels are bottom row first.
    STextureImage image;
    EXPECT_EQ(DecodeTextureData(aBytes, "", 4096, image), ETextureStatus::ok);
    SDecodedImage d{image.nWidth, image.nHeight, {}};
    for (int y = image.nHeight - 1; y >= 0; --y)
        d.aRGBA.insert(d.aRGBA.end(), image.aRGBA.begin() + 4 * y * image.nWidth,
                       image.aRGBA.begin() + 4 * (y + 1) * image.nWidth);
    return d;
}

} // namespace

TEST(TessaronConvert, UsageErrorsAreOneLineAndExitTwo)
{
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{}, {"--bogus", "a.3ds"}, {"-o"}, {"-o", "x.glb", "a.3ds", "b.3ds"},
                                               {"-o", "x.glb", "--output-dir", "d", "a.3ds"}, {"--gltf=yes", "a.3ds"},
                                               {"--output-dir=", "a.3ds"}}) {
        const SProcessResult r = Convert(args);
        EXPECT_EQ(r.nExitCode, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(std::count(r.strErr.begin(), r.strErr.end(), '\n'), 1) << r.strErr;
        EXPECT_TRUE(r.strErr.starts_with("tessaron-convert: ")) << r.strErr;
    }
    const SProcessResult help = Convert({"--help"});
    EXPECT_EQ(help.nExitCode, 0);
    EXPECT_NE(help.strOut.find("usage: tessaron-convert [options] FILE.3ds..."), std::string::npos);
    EXPECT_NE(help.strOut.find("--gltf"), std::string::npos);
}

TEST(TessaronConvert, BatchAttemptsEveryFileAndWritesEachWhole)
{
    const CTempFile dir({'n', 'o', 't', ' ', '3', 'd', 's'}, "junk.3ds");
    const std::string strGood = SAMPLES_DIR "/house.3ds";
    fs::create_directories(dir.Dir() + "/other");
    fs::copy_file(strGood, dir.Dir() + "/other/house.3ds");
    const std::string strOut = dir.Dir() + "/out";
    const SProcessResult r = Convert({"--output-dir", strOut, dir.Dir() + "/missing.3ds", dir.Path(), dir.Dir(), strGood,
                                      dir.Dir() + "/other/house.3ds"});
    EXPECT_EQ(r.nExitCode, 1) << r.strErr;
    // One line each for the missing file, the junk, the folder and the second house.
    EXPECT_EQ(std::count(r.strErr.begin(), r.strErr.end(), '\n'), 4) << r.strErr;
    EXPECT_NE(r.strErr.find("missing.3ds: not converted: read status -1"), std::string::npos) << r.strErr;
    EXPECT_NE(r.strErr.find("(a folder)"), std::string::npos) << r.strErr;
    EXPECT_NE(r.strErr.find("would overwrite the one of " + strGood), std::string::npos) << r.strErr;
    // Only the finished file: nothing written beside it is left behind.
    EXPECT_EQ(FilesIn(strOut), std::vector<std::string>{"house.glb"});

    // A conversion that would land on its own model is refused, and the model kept.
    const std::vector<std::uint8_t> aModel = FileBytes(strGood);
    fs::copy_file(strGood, dir.Dir() + "/self.3ds");
    const SProcessResult self = Convert({"-o", dir.Dir() + "/self.3ds", dir.Dir() + "/self.3ds"});
    EXPECT_EQ(self.nExitCode, 1);
    EXPECT_NE(self.strErr.find("would overwrite the model"), std::string::npos) << self.strErr;
    EXPECT_EQ(FileBytes(dir.Dir() + "/self.3ds"), aModel);

    // An old file of the same name is replaced whole; a folder that cannot take files fails.
    std::ofstream(dir.Dir() + "/old.glb") << "old";
    EXPECT_EQ(Convert({"-o", dir.Dir() + "/old.glb", strGood}).nExitCode, 0);
    EXPECT_EQ(FileBytes(dir.Dir() + "/old.glb"), FileBytes(strOut + "/house.glb"));
    const SProcessResult unwritable = Convert({"-o", "/proc/house.glb", strGood});
    EXPECT_EQ(unwritable.nExitCode, 1);
    EXPECT_NE(unwritable.strErr.find("/proc/house.glb: cannot write the converted file"), std::string::npos)
        << unwritable.strErr;
}

TEST(TessaronConvert, ObjectsMaterialsAndTexturesAsFullShadingHasThem)
{
    const CTempFile dir(TexturedModel());
    fs::create_directories(dir.Dir() + "/textures");
    {
        const std::vector<std::uint8_t> aTga = TinyTga();
        std::ofstream(dir.Dir() + "/textures/checker.tga", std::ios::binary)
            .write(reinterpret_cast<const char*>(aTga.data()), static_cast<std::streamsize>(aTga.size()));
    }
    const SProcessResult r = Convert({"--output-dir", dir.Dir(), dir.Path()});
    EXPECT_EQ(r.nExitCode, 0) << r.strErr;
    // The viewer's own warning for the texture that is nowhere, and nothing else.
    EXPECT_EQ(r.strErr, "tessaron-convert: " + dir.Path() +
                            ": warning: model.3ds: texture MISSING.PNG not found; its material is drawn in its colour.\n");
    const std::string strGlb = dir.Dir() + "/model.glb";
    const SProcessResult gltf = Convert({"--gltf", "--output-dir", dir.Dir() + "/web", dir.Path()});
    EXPECT_EQ(gltf.nExitCode, 0) << gltf.strErr;
    EXPECT_EQ(FilesIn(dir.Dir() + "/web"), (std::vector<std::string>{"model-checker.png", "model.bin", "model.gltf"}));
    for (const SValidation& v : ValidateGltf({strGlb, dir.Dir() + "/web/model.gltf"})) {
        EXPECT_EQ(v.nErrors, 0) << v.strFile << ::testing::PrintToString(v.aIssues);
        EXPECT_EQ(v.nWarnings, 0) << v.strFile << ::testing::PrintToString(v.aIssues);
    }

    std::vector<std::uint8_t> aBin;
    const nlohmann::json j = GltfJson(strGlb, &aBin);
    ExpectAccessorsInBounds(j, aBin);
    EXPECT_EQ(j["asset"]["generator"], "tessaron-convert " TESSARON_VERSION);
    // The root turns Z-up into Y-up; the objects hang below it in the file's order.
    const auto& root = j["nodes"][j["scenes"][0]["nodes"][0].get<int>()];
    EXPECT_EQ(root["name"], "model.3ds");
    EXPECT_NEAR(root["rotation"][0].get<double>(), -std::sqrt(0.5), 1e-7);
    EXPECT_NEAR(root["rotation"][3].get<double>(), std::sqrt(0.5), 1e-7);
    ASSERT_EQ(root["children"].size(), 2u);
    EXPECT_EQ(j["nodes"][root["children"][0].get<int>()]["name"], "quad");
    EXPECT_EQ(j["nodes"][root["children"][1].get<int>()]["name"], "tri");
    EXPECT_FALSE(root.contains("scale"));
    EXPECT_EQ(j["asset"]["extras"]["unit"], "the model file's own unit, taken as the metre");

    const auto& materials = j["materials"];
    ASSERT_EQ(materials.size(), 2u);
    const auto& map = materials[0];
    EXPECT_EQ(map["name"], "map");
    EXPECT_FALSE(map.contains("alphaMode"));
    EXPECT_FALSE(map.contains("doubleSided"));
    // At 100 % the texel shows as it is: the colour gives way to white.
    for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(map["pbrMetallicRoughness"]["baseColorFactor"][k].get<double>(), 1.0, 1e-6);
    EXPECT_EQ(map["pbrMetallicRoughness"]["metallicFactor"], 0.0);
    // Shininess 50 %: the exponent 64, roughness (2 / 66)^(1/4).
    EXPECT_NEAR(map["pbrMetallicRoughness"]["roughnessFactor"].get<double>(), std::pow(2.0 / 66.0, 0.25), 1e-6);
    const auto& green = materials[1];
    EXPECT_EQ(green["name"], "Gr\xC3\xBCn");
    EXPECT_EQ(green["alphaMode"], "BLEND");
    EXPECT_EQ(green["doubleSided"], true);
    EXPECT_FALSE(green["pbrMetallicRoughness"].contains("baseColorTexture"));
    EXPECT_EQ(green["pbrMetallicRoughness"]["baseColorFactor"], nlohmann::json({0.0, 1.0, 0.0, 0.5}));
    EXPECT_EQ(green["pbrMetallicRoughness"]["roughnessFactor"], 1.0);
    // No strength, no highlight: the default material alone goes without the extension.
    EXPECT_EQ(green["extensions"]["KHR_materials_specular"]["specularFactor"], 0.0);

    // The TGA, embedded as a PNG that shows it the right way up: its bottom row is red, green.
    ASSERT_EQ(j["images"].size(), 1u);
    EXPECT_EQ(j["images"][0]["mimeType"], "image/png");
    const auto& view = j["bufferViews"][j["images"][0]["bufferView"].get<int>()];
    const std::vector<std::uint8_t> aPng(aBin.begin() + view["byteOffset"].get<std::ptrdiff_t>(),
                                         aBin.begin() + view["byteOffset"].get<std::ptrdiff_t>() + view["byteLength"].get<std::ptrdiff_t>());
    EXPECT_EQ(aPng, FileBytes(dir.Dir() + "/web/model-checker.png"));
    const SDecodedImage png = DecodeImage(aPng);
    ASSERT_EQ(png.cx, 2);
    ASSERT_EQ(png.cy, 2);
    EXPECT_EQ(std::vector<std::uint8_t>(png.aRGBA.begin() + 8, png.aRGBA.begin() + 11), (std::vector<std::uint8_t>{255, 0, 0}));
    EXPECT_EQ(std::vector<std::uint8_t>(png.aRGBA.begin() + 12, png.aRGBA.begin() + 15), (std::vector<std::uint8_t>{0, 255, 0}));
    // ... and the file's v = 0 is glTF's v = 1.
    const auto& quad = j["meshes"][0]["primitives"][0];
    const auto& uv = j["accessors"][quad["attributes"]["TEXCOORD_0"].get<int>()];
    const auto& uvView = j["bufferViews"][uv["bufferView"].get<int>()];
    std::vector<float> aUv(8);
    std::memcpy(aUv.data(), aBin.data() + uvView["byteOffset"].get<std::size_t>(), 32);
    std::vector<float> aPositions(12);
    const auto& pos = j["accessors"][quad["attributes"]["POSITION"].get<int>()];
    std::memcpy(aPositions.data(), aBin.data() + j["bufferViews"][pos["bufferView"].get<int>()]["byteOffset"].get<std::size_t>(), 48);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(aUv[2 * k + 1], 1.0f - aPositions[3 * k + 1] / 2.0f) << k;
}

// Object names as the file has them, Latin-1, repeated or missing; and a master scale,
// which scales the root as assimp scales its own import of the .3ds.
TEST(TessaronConvert, ObjectNamesAndTheMasterScaleReachTheNodes)
{
    C3dsWriter w;
    w.LeadIn().MasterScale(2.54f).BeginMaterial("m", {0, 0, 0}, {200, 0, 0}, {255, 51, 0}, 40);
    w.PercentProperty(0xA041, 60).End();
    for (const std::string strName : {"W\xFCrfel", "W\xFCrfel", ""}) {
        const float z = static_cast<float>(w.Size());
        w.BeginObject(strName).Vertices({0, 0, z, 4, 0, z, 0, 4, z}).BeginFaces({0, 1, 2, 0}).FaceMaterial("m", {0});
        w.End().End().End();
    }
    const CTempFile file(w.Finish().Bytes(), "scaled.3ds");
    const SProcessResult r = Convert({"--output-dir", file.Dir(), file.Path()});
    ASSERT_EQ(r.nExitCode, 0) << r.strErr;
    const std::string strGlb = file.Dir() + "/scaled.glb";
    for (const SValidation& v : ValidateGltf({strGlb})) {
        EXPECT_EQ(v.nErrors, 0) << ::testing::PrintToString(v.aIssues);
        EXPECT_EQ(v.nWarnings, 0) << ::testing::PrintToString(v.aIssues);
    }

    const nlohmann::json j = GltfJson(strGlb);
    const auto& root = j["nodes"][j["scenes"][0]["nodes"][0].get<int>()];
    std::vector<std::string> aNodes, aMeshes;
    for (const auto& child : root["children"]) {
        const auto& node = j["nodes"][child.get<int>()];
        aNodes.push_back(node["name"]);
        aMeshes.push_back(j["meshes"][node["mesh"].get<int>()]["name"]);
    }
    const std::vector<std::string> expected = {"W\xC3\xBCrfel", "W\xC3\xBCrfel", "object 3"};
    EXPECT_EQ(aNodes, expected);
    EXPECT_EQ(aMeshes, expected);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(root["scale"][k].get<float>(), 1.0f / 2.54f) << k;
    EXPECT_EQ(j["asset"]["extras"]["masterScale"].get<float>(), 2.54f);
    // The highlight's colour and strength as the file gives them.
    EXPECT_EQ(j["extensionsUsed"], nlohmann::json::array({"KHR_materials_specular"}));
    const auto& specular = j["materials"][0]["extensions"]["KHR_materials_specular"];
    EXPECT_NEAR(specular["specularFactor"].get<double>(), 0.6, 1e-7);
    EXPECT_EQ(specular["specularColorFactor"], nlohmann::json({1.0f, 0.2f, 0.0f}));

    // assimp gives the names back, and the same scale on the root that its own 3DS importer
    // puts on the .3ds.
    auto rootScale = [](const aiScene* pScene) {
        aiVector3D scale, position;
        aiQuaternion rotation;
        pScene->mRootNode->mTransformation.Decompose(scale, rotation, position);
        return scale;
    };
    Assimp::Importer glb, original;
    const aiScene* pGlb = glb.ReadFile(strGlb, 0);
    const aiScene* pOriginal = original.ReadFile(file.Path(), 0);
    ASSERT_NE(pGlb, nullptr) << glb.GetErrorString();
    ASSERT_NE(pOriginal, nullptr) << original.GetErrorString();
    ASSERT_EQ(pGlb->mRootNode->mNumChildren, 3u);
    for (unsigned i = 0; i < 3; ++i)
        EXPECT_EQ(pGlb->mRootNode->mChildren[i]->mName.C_Str(), expected[i]) << i;
    for (const aiScene* pScene : {pGlb, pOriginal})
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(rootScale(pScene)[k], 1.0 / 2.54, 1e-6) << k;
}

// Images beside a .gltf are named after their model and themselves; two models of one batch
// must never write one file, whatever their names.
TEST(TessaronConvert, ImageFilesOfTwoModelsNeverClash)
{
    const CTempFile tree({}, "unused");
    auto put = [&](const std::string& strRelative, const std::vector<std::uint8_t>& aBytes) {
        const fs::path path = tree.Dir() + "/" + strRelative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(aBytes.data()),
                                                    static_cast<std::streamsize>(aBytes.size()));
        return path.string();
    };
    auto model = [](const std::string& strTexture) {
        C3dsWriter w;
        w.LeadIn().BeginMaterial("m", {0, 0, 0}, {200, 0, 0}, {0, 0, 0}).TextureMap(strTexture).End();
        w.BeginObject("o").Vertices({0, 0, 0, 1, 0, 0, 0, 1, 0}).Mapping({0, 0, 1, 0, 0, 1});
        w.BeginFaces({0, 1, 2, 0}).FaceMaterial("m", {0});
        return w.Finish().Bytes();
    };
    // "a" with image "b-c" and "a-b" with image "c": both once made a-b-c.png.
    const std::string strA = put("one/a.3ds", model("B-C.TGA"));
    put("one/b-c.tga", TinyTga());
    const std::string strAB = put("two/a-b.3ds", model("C.GIF"));
    put("two/c.gif", TinyGif());
    const std::string strOut = tree.Dir() + "/out/";
    const SProcessResult r = Convert({"--gltf", "--output-dir", strOut, strA, strAB});
    ASSERT_EQ(r.nExitCode, 0) << r.strErr;
    EXPECT_EQ(FilesIn(strOut),
              (std::vector<std::string>{"a--b-c.png", "a-b-c.png", "a-b.bin", "a-b.gltf", "a.bin", "a.gltf"}));
    // Each model's file shows its own picture: the TGA is 2 x 2, the GIF 2 x 1.
    for (const auto& [strGltf, nHeight] : {std::pair<std::string, int>{"a.gltf", 2}, {"a-b.gltf", 1}}) {
        const nlohmann::json j = GltfJson(strOut + strGltf);
        ASSERT_EQ(j["images"].size(), 1u) << strGltf;
        const SDecodedImage image = DecodeImage(FileBytes(strOut + j["images"][0]["uri"].get<std::string>()));
        EXPECT_EQ(image.cy, nHeight) << strGltf;
    }
    for (const SValidation& v : ValidateGltf({strOut + "a.gltf", strOut + "a-b.gltf"})) {
        EXPECT_EQ(v.nErrors, 0) << v.strFile << ::testing::PrintToString(v.aIssues);
        EXPECT_EQ(v.nWarnings, 0) << v.strFile << ::testing::PrintToString(v.aIssues);
    }
}

TEST(TessaronConvert, EveryRealModelAndSeedConvertsToAValidFile)
{
    const CTempFile dir({}, "unused");
    std::vector<std::string> aModels = RealModels();
    // The seeds convert in one batch of their own: their names may repeat the models'.
    const std::vector<std::string> aSeeds = Seeds();
    const SProcessResult models = Convert([&] {
        std::vector<std::string> a = {"--output-dir", dir.Dir() + "/models"};
        a.insert(a.end(), aModels.begin(), aModels.end());
        return a;
    }());
    const SProcessResult seeds = Convert([&] {
        std::vector<std::string> a = {"--output-dir", dir.Dir() + "/seeds"};
        a.insert(a.end(), aSeeds.begin(), aSeeds.end());
        return a;
    }());
    // assimp's own test set holds an empty file, and some seeds are no 3ds file at all (a
    // lead-in refused: statuses -3 to -5); every other file converts, some read in part.
    std::size_t nRefused = 0;
    for (const std::string& strErr : {models.strErr, seeds.strErr})
        for (std::size_t at = strErr.find("not converted"); at != std::string::npos; at = strErr.find("not converted", at + 1)) {
            ++nRefused;
            const std::string strLine = strErr.substr(at, strErr.find('\n', at) - at);
            EXPECT_TRUE(strLine.starts_with("not converted: read status -3,") ||
                        strLine.starts_with("not converted: read status -4,") ||
                        strLine.starts_with("not converted: read status -5,")) << strLine;
        }
    const SProcessResult gltf = Convert({"--gltf", "--output-dir", dir.Dir() + "/gltf", aModels.front(), aModels.back()});
    std::vector<std::string> aFiles;
    for (const char* pszSub : {"/models", "/seeds", "/gltf"})
        for (const std::string& strName : FilesIn(dir.Dir() + pszSub))
            if (strName.ends_with(".glb") || strName.ends_with(".gltf"))
                aFiles.push_back(dir.Dir() + pszSub + "/" + strName);
    EXPECT_EQ(aFiles.size(), aModels.size() + aSeeds.size() - nRefused + 2) << models.strErr << seeds.strErr;
    EXPECT_EQ(gltf.nExitCode, 0) << gltf.strErr;
    for (const SValidation& v : ValidateGltf(aFiles)) {
        EXPECT_EQ(v.nErrors, 0) << v.strFile << "\n" << ::testing::PrintToString(v.aIssues);
        EXPECT_EQ(v.nWarnings, 0) << v.strFile << "\n" << ::testing::PrintToString(v.aIssues);
    }
}

TEST(TessaronConvert, ObjectByObjectOnThreadsWritesTheFileTheWholeMeshWrites)
{
    std::size_t nSplit = 0;
    for (const std::string& strModel : RealModels()) {
        SCOPED_TRACE(strModel);
        C3DS model;
        model.ReadFile(strModel);
        nSplit += CShadedMeshBuilder(model).Parts().size() > 1;
        std::vector<std::uint8_t> aFirst;
        for (const SConvertOptions& options : {SConvertOptions{2, false}, SConvertOptions{1, false}, SConvertOptions{1, true}}) {
            CTextureEmbedder textures(strModel, DecodeTextureFile);
            CGltfWriter writer("test");
            ConvertModel(model, textures, "m.3ds", writer, options);
            const std::vector<std::uint8_t> aGlb = writer.Glb();
            if (aFirst.empty())
                aFirst = aGlb;
            else
                EXPECT_TRUE(aGlb == aFirst) << options.nThreads << " threads, whole " << options.bWhole;
        }
    }
    EXPECT_GE(nSplit, 3u);  // the models of several objects
}

TEST(TessaronConvert, AssimpReadsBackTheTrianglesPositionsColoursAndTexturesOfEveryRealModel)
{
    const CTempFile dir({}, "unused");
    for (const std::string& strModel : RealModels()) {
        SCOPED_TRACE(strModel);
        C3DS model;
        if (model.ReadFile(strModel) < 1 && model.m_aFaces.empty())
            continue;  // nothing read, nothing to compare
        const std::string strOut = dir.Dir() + "/" + fs::path(strModel).stem().string() + ".glb";
        Convert({"-o", strOut, strModel});
        const SShadedMesh mesh = BuildShadedMesh(model);

        Assimp::Importer importer;
        const aiScene* pScene = importer.ReadFile(strOut, 0);
        ASSERT_NE(pScene, nullptr) << importer.GetErrorString();

        // The model's size: its bounding box's diagonal.
        float fMin[3] = {INFINITY, INFINITY, INFINITY}, fMax[3] = {-INFINITY, -INFINITY, -INFINITY};
        for (std::size_t i = 0; i < mesh.aPositions.size(); ++i) {
            fMin[i % 3] = std::min(fMin[i % 3], mesh.aPositions[i]);
            fMax[i % 3] = std::max(fMax[i % 3], mesh.aPositions[i]);
        }
        const double dSize = std::hypot(fMax[0] - fMin[0], fMax[1] - fMin[1], fMax[2] - fMin[2]);

        // Full shading's triangles per material name, corner positions in object order.
        std::map<std::string, std::vector<std::array<float, 3>>> expected, got;
        std::map<std::int32_t, std::vector<const SShadedBatch*>> byObject;
        for (const SShadedBatch& b : mesh.aBatches)
            byObject[b.nObject].push_back(&b);
        for (const auto& [nObject, aBatches] : byObject)
            for (const SShadedBatch* b : aBatches)
                for (std::uint32_t i = b->nFirst; i < b->nFirst + b->nCount; ++i) {
                    const float* p = &mesh.aPositions[3 * std::size_t{mesh.aIndices[i]}];
                    expected[Latin1ToUtf8(mesh.Material(b->nMaterial).strName.str())].push_back({p[0], p[1], p[2]});
                }
        for (unsigned m = 0; m < pScene->mNumMeshes; ++m) {
            const aiMesh* pMesh = pScene->mMeshes[m];
            aiString name;
            pScene->mMaterials[pMesh->mMaterialIndex]->Get(AI_MATKEY_NAME, name);
            for (unsigned f = 0; f < pMesh->mNumFaces; ++f) {
                ASSERT_EQ(pMesh->mFaces[f].mNumIndices, 3u);
                for (int k = 0; k < 3; ++k) {
                    const aiVector3D& v = pMesh->mVertices[pMesh->mFaces[f].mIndices[k]];
                    got[name.C_Str()].push_back({v.x, v.y, v.z});
                }
            }
        }
        // Every object's node under the root, named as the file names it.
        std::vector<std::string> aExpectedNames, aGotNames;
        for (const auto& [nObject, aBatches] : byObject) {
            const std::string_view svName = model.m_cShading.ObjectName(nObject);
            aExpectedNames.push_back(svName.empty() ? "object " + std::to_string(nObject) : Latin1ToUtf8(svName));
        }
        for (unsigned i = 0; i < pScene->mRootNode->mNumChildren; ++i)
            aGotNames.push_back(pScene->mRootNode->mChildren[i]->mName.C_Str());
        EXPECT_EQ(aGotNames, aExpectedNames);

        ASSERT_EQ(got.size(), expected.size());
        for (const auto& [strName, aCorners] : expected) {
            const auto& aGot = got[strName];
            ASSERT_EQ(aGot.size(), aCorners.size()) << strName;
            for (std::size_t i = 0; i < aCorners.size(); ++i)
                for (int k = 0; k < 3; ++k)
                    ASSERT_NEAR(aGot[i][k], aCorners[i][k], 1e-6 * dSize) << strName << " corner " << i;
        }

        // The file's colours, and every texture the viewer finds, embedded and decodable.
        std::set<unsigned> used;  // assimp adds a default material of its own, used by nothing
        for (unsigned m = 0; m < pScene->mNumMeshes; ++m)
            used.insert(pScene->mMeshes[m]->mMaterialIndex);
        for (const unsigned m : used) {
            const aiMaterial* pMaterial = pScene->mMaterials[m];
            aiString name;
            pMaterial->Get(AI_MATKEY_NAME, name);
            aiColor4D colour;
            ASSERT_EQ(pMaterial->Get(AI_MATKEY_BASE_COLOR, colour), aiReturn_SUCCESS);
            // Names may repeat (the default material and one named "" both have none): the
            // material is one of that name with these colours.
            const auto it = std::find_if(mesh.aMaterials.begin(), mesh.aMaterials.end(), [&](const SShadedMaterial& s) {
                const bool bFound = s.bTextured && !FindTextureFile(strModel, s.cTexture.strFile.str()).empty();
                const float fWhite = bFound ? s.fTextureFraction : 0.0f;
                auto near = [](float x, float y) { return std::abs(x - y) <= 1e-6f; };
                return Latin1ToUtf8(s.strName.str()) == name.C_Str() &&
                       near(colour.r, s.fDiffuse[0] + (1 - s.fDiffuse[0]) * fWhite) &&
                       near(colour.g, s.fDiffuse[1] + (1 - s.fDiffuse[1]) * fWhite) &&
                       near(colour.b, s.fDiffuse[2] + (1 - s.fDiffuse[2]) * fWhite) && near(colour.a, s.fDiffuse[3]);
            });
            ASSERT_NE(it, mesh.aMaterials.end()) << "no material \"" << name.C_Str() << "\" of colour " << colour.r
                                                 << " " << colour.g << " " << colour.b << " " << colour.a;
            const bool bFound = it->bTextured && !FindTextureFile(strModel, it->cTexture.strFile.str()).empty();
            aiString texture;
            const bool bTexture = pMaterial->GetTexture(aiTextureType_BASE_COLOR, 0, &texture) == aiReturn_SUCCESS ||
                                  pMaterial->GetTexture(aiTextureType_DIFFUSE, 0, &texture) == aiReturn_SUCCESS;
            EXPECT_EQ(bTexture, bFound) << name.C_Str();
            if (!bTexture)
                continue;
            const aiTexture* pTexture = pScene->GetEmbeddedTexture(texture.C_Str());
            ASSERT_NE(pTexture, nullptr) << texture.C_Str();
            ASSERT_EQ(pTexture->mHeight, 0u);  // compressed: the file's bytes
            const auto* p = reinterpret_cast<const std::uint8_t*>(pTexture->pcData);
            EXPECT_GT(DecodeImage({p, p + pTexture->mWidth}).cx, 0);
        }
    }
}
