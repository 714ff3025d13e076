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
    const CJsonLine house(lines[0]), cube(lines[1]), pyramid(lines[2]);
    for (const CJsonLine* p : {&house, &cube, &pyramid})
        EXPECT_EQ(p->Dump("/status"), "1");

    std::map<std::string, std::string> houseMaterials;  // name -> pointer to its entry
    for (std::size_t i = 0; i < house.Size("/materials"); ++i) {
        const std::string strEntry = "/materials/" + std::to_string(i);
        houseMaterials[house.String(strEntry + "/name")] = strEntry;
    }
    for (const char* pszName : {"Walls", "Roof", "Door", "Glass"})
        EXPECT_TRUE(houseMaterials.count(pszName)) << pszName;
    EXPECT_EQ(house.Dump(houseMaterials["Glass"] + "/transparency"), "50");
    EXPECT_GT(house.Number(houseMaterials["Roof"] + "/diffuse/0"), 2 * house.Number(houseMaterials["Roof"] + "/diffuse/1"));
    EXPECT_GE(house.Number("/objects"), 4);
    for (int k = 0; k < 3; ++k) {
        const double dLimit[3] = {1.5, 1.5, 2.0};
        EXPECT_GE(house.Number("/bbox/min/" + std::to_string(k)), k == 2 ? 0.0 : -dLimit[k]);
        EXPECT_LE(house.Number("/bbox/max/" + std::to_string(k)), dLimit[k]);
    }
    EXPECT_EQ(house.Dump("/bbox/min/2"), "0");  // stands on the ground

    EXPECT_EQ(cube.Dump("/objects"), "1");
    EXPECT_EQ(cube.Size("/materials"), 1u);
    EXPECT_EQ(cube.Dump("/bbox"), R"({"max":[0.5,0.5,1],"min":[-0.5,-0.5,0]})");

    EXPECT_EQ(pyramid.Dump("/objects"), "2");
    EXPECT_EQ(pyramid.Size("/materials"), 2u);
}

} // namespace
