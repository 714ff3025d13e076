// Benchmark of tessaron-convert, side by side in one run, medians compared:
//   1. the load benchmark's 62.5 MiB scene converted to .glb by the tool, beside the floor
//      of reading it with C3DS::ReadFile and writing as many bytes as the .glb holds; target
//      at most 2x. Without smoothing groups every face is faceted, so the .glb holds three
//      vertices a face. The same scene with its mapping coordinates and smoothing groups
//      (93.8 MiB; smooth normals to find, shared vertices) is measured the same way beside it;
//   2. every .3ds model of Debian's assimp-testmodels and glmark2-data converted in one
//      tessaron-convert process, beside `assimp export FILE OUT.glb` one process per file
//      (assimp-utils); target: the batch faster.
// Rounds alternate the two sides so that a slow moment of the machine hits both.
//
// usage: ConvertBench [--rounds N] [--meshes N]

#include "BenchProcess.h"
#include "TestFiles.h"
#include "TorusScene.h"
#include "model/C3DS.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

void WriteBytes(const std::string& strPath, const std::vector<char>& a)
{
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out.write(a.data(), static_cast<std::streamsize>(a.size()));
    out.flush();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", strPath.c_str());
        std::exit(1);
    }
}

void Ratio(const char* pszName, double dValue, const char* pszTarget, bool bMet)
{
    std::printf("  %-52s %7.2f   target %-8s %s\n", pszName, dValue, pszTarget, bMet ? "met" : "MISSED");
}

} // namespace

int main(int argc, char** argv)
{
    int nRounds = 5;
    int nMeshes = 64;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--rounds")
            nRounds = std::max(1, std::atoi(argv[i + 1]));
        else if (std::string(argv[i]) == "--meshes")
            nMeshes = std::max(1, std::atoi(argv[i + 1]));
    }
    const std::vector<std::string> env = Environment(false);
    const fs::path dir = fs::temp_directory_path() / ("tessaron-convert-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    struct SScene {
        const char* pszName;
        bool bShadingData;
        std::string strFile, strGlb;
        std::vector<char> aGlbSized;  // what the floor writes
        std::vector<double> convertMillis, floorMillis;
    };
    SScene aScenes[2] = {{"scene", false, {}, {}, {}, {}, {}}, {"scene with smoothing and mapping", true, {}, {}, {}, {}, {}}};
    for (SScene& scene : aScenes) {
        const std::string strStem = scene.bShadingData ? "shaded" : "plain";
        scene.strFile = (dir / (strStem + ".3ds")).string();
        scene.strGlb = (dir / (strStem + ".glb")).string();
        const std::vector<std::uint8_t> a = BuildTorusScene(nMeshes, scene.bShadingData);
        std::ofstream(scene.strFile, std::ios::binary).write(reinterpret_cast<const char*>(a.data()),
                                                              static_cast<std::streamsize>(a.size()));
        if (Run({TESSARON_CONVERT_PATH, "-o", scene.strGlb, scene.strFile}, env).nExit != 0) {
            std::fprintf(stderr, "tessaron-convert failed on %s\n", scene.strFile.c_str());
            return 1;
        }
        scene.aGlbSized.assign(static_cast<std::size_t>(fs::file_size(scene.strGlb)), 'x');
    }
    const std::string strFloorOut = (dir / "floor.bin").string();

    // Both packages ship a cube.3ds: the batch reads every model through a link with a
    // numbered name, so each gets a file of its own.
    std::vector<std::string> models;
    fs::create_directories(dir / "links");
    for (const std::string& strModel : Find3dsFiles(SystemModelFolders())) {
        const fs::path link = dir / "links" / (std::to_string(models.size()) + "-" + fs::path(strModel).filename().string());
        fs::create_symlink(strModel, link);
        models.push_back(link.string());
    }
    const std::string strAssimp = FindInPath("assimp");
    std::vector<double> batchMillis, assimpMillis;
    for (int r = 0; r < nRounds; ++r) {
        for (SScene& scene : aScenes) {
            // Each side writes a new file, with no earlier side's pages still on their way to
            // the disk: what is measured is the writing, not the disk's state.
            auto settle = [](const std::string& strOut) {
                std::error_code ec;
                fs::remove(strOut, ec);
                ::sync();
            };
            settle(scene.strGlb);
            scene.convertMillis.push_back(Run({TESSARON_CONVERT_PATH, "-o", scene.strGlb, scene.strFile}, env).dMillis);
            settle(strFloorOut);
            const auto t0 = std::chrono::steady_clock::now();
            {
                C3DS model;
                model.ReadFile(scene.strFile);
                WriteBytes(strFloorOut, scene.aGlbSized);
            }
            scene.floorMillis.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        }

        std::vector<std::string> batch = {TESSARON_CONVERT_PATH, "--output-dir", (dir / "batch").string()};
        batch.insert(batch.end(), models.begin(), models.end());
        batchMillis.push_back(Run(batch, env).dMillis);
        if (!strAssimp.empty()) {
            double dTotal = 0.0;
            for (std::size_t i = 0; i < models.size(); ++i)
                dTotal += Run({strAssimp, "export", models[i], (dir / ("assimp-" + std::to_string(i) + ".glb")).string()},
                              env).dMillis;
            assimpMillis.push_back(dTotal);
        }
    }

    std::printf("ConvertBench: %d rounds, medians\n", nRounds);
    for (const SScene& scene : aScenes)
        std::printf("  %s %.1f MiB, %d meshes: tessaron-convert %.0f ms, read + write %.1f MiB %.0f ms\n", scene.pszName,
                    static_cast<double>(fs::file_size(scene.strFile)) / 1048576.0, nMeshes, Median(scene.convertMillis),
                    static_cast<double>(scene.aGlbSized.size()) / 1048576.0, Median(scene.floorMillis));
    std::printf("  %zu real models: one tessaron-convert batch %.0f ms", models.size(), Median(batchMillis));
    if (!assimpMillis.empty())
        std::printf(", assimp export one process per file %.0f ms", Median(assimpMillis));
    std::printf("\n");
    const double dScene = Median(aScenes[0].convertMillis) / Median(aScenes[0].floorMillis);
    Ratio("scene: tessaron-convert / (ReadFile + write)", dScene, "<= 2", dScene <= 2.0);
    const double dShaded = Median(aScenes[1].convertMillis) / Median(aScenes[1].floorMillis);
    std::printf("  %-52s %7.2f\n", "with smoothing and mapping: the same ratio", dShaded);
    if (!assimpMillis.empty()) {
        const double dBatch = Median(assimpMillis) / Median(batchMillis);
        Ratio("real models: assimp export per file / one batch", dBatch, "> 1", dBatch > 1.0);
    } else {
        std::printf("  assimp (assimp-utils) not installed: no comparison\n");
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
