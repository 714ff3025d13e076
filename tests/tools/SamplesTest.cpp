#include "JsonLines.h"
#include "RunProcess.h"
#include "model/C3DS.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <utility>

namespace {

const std::string kSamplesDir = SAMPLES_DIR;

std::string FileBytes(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    EXPECT_TRUE(in) << "cannot open " << strPath;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Samples, TheGeneratorReproducesTheCommittedFiles)
{
    CTempFile scratch({});
    const SProcessResult r = RunProcess({MAKE_SAMPLES_PATH, scratch.Dir()});
    ASSERT_EQ(r.nExitCode, 0) << r.strErr;
    for (const char* pszName : {"house.3ds", "cube.3ds", "pyramid.3ds"}) {
        const std::string strCommitted = FileBytes(kSamplesDir + "/" + pszName);
        EXPECT_FALSE(strCommitted.empty()) << pszName;
        EXPECT_TRUE(FileBytes(scratch.Dir() + "/" + pszName) == strCommitted)
            << pszName << " is out of date: run make-samples samples";
    }
}

using Vec3 = std::array<double, 3>;

Vec3 Sub(const Vec3& a, const Vec3& b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

Vec3 Cross(const Vec3& a, const Vec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double Dot(const Vec3& a, const Vec3& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// Each sample is star-shaped around its point: seen from there, every face must show its
// back, that is every normal points away from it.
TEST(Samples, EveryFaceIsWoundOutwardAndHasExactlyOneKnownMaterial)
{
    const std::pair<const char*, Vec3> samples[] = {
        {"house.3ds", {0, 0, 0.9}}, {"cube.3ds", {0, 0, 0.5}}, {"pyramid.3ds", {0, 0, 0.05}}};
    for (const auto& [pszName, inside] : samples) {
        SCOPED_TRACE(pszName);
        C3DS model;
        ASSERT_EQ(model.ReadFile(kSamplesDir + "/" + pszName), 1);
        ASSERT_FALSE(model.m_aFaces.empty());

        std::map<int, std::pair<std::size_t, std::size_t>> vertexRange;  // object -> first, count
        for (std::size_t i = 0; i < model.m_aVertices.size(); ++i) {
            auto [it, bNew] = vertexRange.try_emplace(model.m_aVertices[i].nObject, i, 0);
            ++it->second.second;
        }
        std::set<std::string> materialNames;
        for (const S3DSMaterial& m : model.m_aMaterials)
            materialNames.insert(m.strName.str());
        std::map<std::pair<int, int>, int> materialsPerFace;
        for (const S3DSFaceMaterial& fm : model.m_aFaceMaterials) {
            ++materialsPerFace[{fm.wObject, fm.wFace}];
            EXPECT_TRUE(materialNames.count(fm.strMaterial.str())) << fm.strMaterial.str();
        }

        std::map<int, int> facesSoFar;
        for (const S3DSFace& f : model.m_aFaces) {
            const int nFace = facesSoFar[f.nObject]++;
            EXPECT_EQ((materialsPerFace[{f.nObject, nFace}]), 1) << "object " << f.nObject << " face " << nFace;
            const auto [nFirst, nCount] = vertexRange[f.nObject];
            ASSERT_TRUE(f.a < nCount && f.b < nCount && f.c < nCount);
            auto at = [&, nFirst = nFirst](std::uint16_t k) {
                const S3DSVertex& v = model.m_aVertices[nFirst + k];
                return Vec3{v.x, v.y, v.z};
            };
            const Vec3 a = at(f.a), b = at(f.b), c = at(f.c);
            const Vec3 normal = Cross(Sub(b, a), Sub(c, a));
            const Vec3 centroid = {(a[0] + b[0] + c[0]) / 3, (a[1] + b[1] + c[1]) / 3, (a[2] + b[2] + c[2]) / 3};
            EXPECT_GT(Dot(normal, normal), 1e-6) << "degenerate: object " << f.nObject << " face " << nFace;
            EXPECT_GT(Dot(normal, Sub(centroid, inside)), 0.0) << "inward: object " << f.nObject << " face " << nFace;
        }
    }
}

TEST(Samples, TheToolReadsEverySample)
{
    const SProcessResult r = RunProcess({TESSARON_INFO_PATH, "--json", kSamplesDir + "/house.3ds",
                                         kSamplesDir + "/cube.3ds", kSamplesDir + "/pyramid.3ds"});
    EXPECT_EQ(r.nExitCode, 0);
    EXPECT_EQ(r.strErr, "");
    const auto lines = SplitLines(r.strOut);
    ASSERT_EQ(lines.size(), 3u);
    const nlohmann::json house = ParseJsonLine(lines[0]), cube = ParseJsonLine(lines[1]),
                         pyramid = ParseJsonLine(lines[2]);
    for (const nlohmann::json* p : {&house, &cube, &pyramid})
        EXPECT_EQ((*p)["status"], 1);

    std::map<std::string, nlohmann::json> houseMaterials;
    for (const auto& m : house["materials"])
        houseMaterials[m["name"]] = m;
    for (const char* pszName : {"Walls", "Roof", "Door", "Glass"})
        EXPECT_TRUE(houseMaterials.count(pszName)) << pszName;
    EXPECT_EQ(houseMaterials["Glass"]["transparency"], 50);
    EXPECT_GT(houseMaterials["Roof"]["diffuse"][0].get<float>(), 2 * houseMaterials["Roof"]["diffuse"][1].get<float>());
    EXPECT_GE(house["objects"], 4);
    for (int k = 0; k < 3; ++k) {
        const float fLimit[3] = {1.5f, 1.5f, 2.0f};
        EXPECT_GE(house["bbox"]["min"][k].get<float>(), k == 2 ? 0.0f : -fLimit[k]);
        EXPECT_LE(house["bbox"]["max"][k].get<float>(), fLimit[k]);
    }
    EXPECT_EQ(house["bbox"]["min"][2], 0);  // stands on the ground

    EXPECT_EQ(cube["objects"], 1);
    EXPECT_EQ(cube["materials"].size(), 1u);
    EXPECT_EQ(cube["bbox"], nlohmann::json::parse(R"({"min":[-0.5,-0.5,0],"max":[0.5,0.5,1]})"));

    EXPECT_EQ(pyramid["objects"], 2);
    EXPECT_EQ(pyramid["materials"].size(), 2u);
}

} // namespace
