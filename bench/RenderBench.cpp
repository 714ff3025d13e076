// Benchmark of tessaron-render as a thumbnailer runs it: every .3ds model of Debian's
// assimp-testmodels and glmark2-data drawn at 256 x 256, one process per file and all files
// in one batch process, beside f3d --output on the same files at the same size (when f3d is
// installed and an X server is there for it: run this under xvfb-run). tessaron-render
// itself always runs with DISPLAY unset. Runs are interleaved round by round; medians are
// compared. Then the peak memory of drawing the load benchmark's 62.5 MiB scene at 800 x 600,
// above that of drawing an empty scene.
//
// usage: RenderBench [--rounds N] [--meshes N]

#include "tools/C3dsWriter.h"
#include "TestFiles.h"
#include "BenchProcess.h"
#include "TorusScene.h"
#include "model/C3DS.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

void WriteFile(const std::string& strPath, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(strPath, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", strPath.c_str());
        std::exit(1);
    }
}

double MiB(double dBytes)
{
    return dBytes / (1024.0 * 1024.0);
}

void Ratio(const char* pszName, double dValue, const char* pszTarget, bool bMet)
{
    std::printf("  %-44s %7.2f   target %-8s %s\n", pszName, dValue, pszTarget, bMet ? "met" : "MISSED");
}

} // namespace

int main(int argc, char** argv)
{
    int nRounds = 5, nMeshes = 64;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--rounds") == 0)
            nRounds = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--meshes") == 0)
            nMeshes = std::max(1, std::atoi(argv[i + 1]));
    }
    const std::string strRender = TESSARON_RENDER_PATH;
    const std::vector<std::string> files = Find3dsFiles(SystemModelFolders());
    if (files.empty()) {
        std::fprintf(stderr, "no models: install assimp-testmodels and glmark2-data\n");
        return 1;
    }
    const std::string strF3d = std::getenv("DISPLAY") ? FindInPath("f3d") : "";
    if (strF3d.empty())
        std::printf("f3d: %s; only tessaron-render is timed\n\n",
                    std::getenv("DISPLAY") ? "not installed (Debian package f3d)" : "no X server (run under xvfb-run)");

    CTempFile scratch({}, "unused");
    const std::string strDir = scratch.Dir();
    const auto noDisplay = Environment(false), withDisplay = Environment(true);

    // The batch names each picture after its model; Debian ships two cube.3ds, so the batch
    // reads them through links with numbered names.
    std::vector<std::string> batch = {strRender, "--size", "256x256", "--output-dir", strDir + "/batch"};
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string strLink = strDir + "/" + std::to_string(i) + "-" + fs::path(files[i]).filename().string();
        fs::create_symlink(files[i], strLink);
        batch.push_back(strLink);
    }

    const std::string strOut = strDir + "/one.png";

    // Memory first, while this process is small: a child's peak counts the pages of the
    // process it was started from. The big scene against a scene with nothing in it, each
    // drawn at 800 x 600 in a process of its own; the least of the rounds' peaks, as the
    // peak only grows with noise. The scene is written by a child, so its bytes never
    // swell this process either.
    const std::string strBig = strDir + "/torus.3ds", strEmpty = strDir + "/empty.3ds";
    std::fflush(nullptr);
    if (const pid_t pid = ::fork(); pid == 0) {
        WriteFile(strBig, BuildTorusScene(nMeshes));
        WriteFile(strEmpty, C3dsWriter().LeadIn().Finish().Bytes());
        ::_exit(0);
    } else if (int nStatus = 0; pid < 0 || ::waitpid(pid, &nStatus, 0) != pid || nStatus != 0) {
        std::fprintf(stderr, "cannot write the memory scenes\n");
        return 1;
    }
    long nBigKiB = 0, nEmptyKiB = 0, nThumbKiB = 0, nEmptyThumbKiB = 0;
    std::vector<double> bigMillis, thumbMillis;
    for (int round = 0; round < std::max(3, nRounds); ++round) {
        const SRun e = Run({strRender, "-o", strOut, strEmpty}, noDisplay);
        const SRun b = Run({strRender, "-o", strOut, strBig}, noDisplay);
        const SRun et = Run({strRender, "--thumbnail", "256", strEmpty, strOut}, noDisplay);
        const SRun t = Run({strRender, "--thumbnail", "256", strBig, strOut}, noDisplay);
        if (e.nExit != 0 || b.nExit != 0 || et.nExit != 0 || t.nExit != 0) {
            std::fprintf(stderr, "drawing the memory scenes failed\n");
            return 1;
        }
        nEmptyKiB = round == 0 ? e.nPeakKiB : std::min(nEmptyKiB, e.nPeakKiB);
        nBigKiB = round == 0 ? b.nPeakKiB : std::min(nBigKiB, b.nPeakKiB);
        nEmptyThumbKiB = round == 0 ? et.nPeakKiB : std::min(nEmptyThumbKiB, et.nPeakKiB);
        nThumbKiB = round == 0 ? t.nPeakKiB : std::min(nThumbKiB, t.nPeakKiB);
        bigMillis.push_back(b.dMillis);
        thumbMillis.push_back(t.dMillis);
    }

    // Wall times, and beside them the processes' own CPU times, which a busy machine
    // disturbs less.
    std::map<std::string, std::vector<double>> tessaron, f3d, tessaronCpu, f3dCpu;
    std::map<std::string, int> tessaronExit, f3dExit;
    std::vector<double> batchMillis, f3dTotals, batchCpu, f3dCpuTotals;
    // One untimed pass first, so every file and library is in the page cache.
    for (int round = -1; round < nRounds; ++round) {
        double dF3dTotal = 0.0, dF3dCpuTotal = 0.0;
        for (const std::string& strFile : files) {
            const SRun t = Run({strRender, "--size", "256x256", "-o", strOut, strFile}, noDisplay);
            if (round >= 0) {
                tessaron[strFile].push_back(t.dMillis);
                tessaronCpu[strFile].push_back(t.dCpuMillis);
            }
            tessaronExit[strFile] = t.nExit;
            if (!strF3d.empty()) {
                const SRun f = Run({strF3d, "--dry-run", "--resolution", "256,256", "--output", strOut, strFile},
                                   withDisplay);
                if (round >= 0) {
                    f3d[strFile].push_back(f.dMillis);
                    f3dCpu[strFile].push_back(f.dCpuMillis);
                }
                f3dExit[strFile] = f.nExit;
                dF3dTotal += f.dMillis;
                dF3dCpuTotal += f.dCpuMillis;
            }
        }
        const SRun b = Run(batch, noDisplay);
        if (round >= 0) {
            batchMillis.push_back(b.dMillis);
            batchCpu.push_back(b.dCpuMillis);
            f3dTotals.push_back(dF3dTotal);
            f3dCpuTotals.push_back(dF3dCpuTotal);
        }
    }

    std::printf("%zu models at 256 x 256, %d rounds; medians in ms (exit status in brackets)\n\n", files.size(),
                nRounds);
    std::printf("  %-58s %12s %12s %7s\n", "model", "tessaron", "f3d", "ratio");
    std::vector<double> tessaronMedians, f3dMedians, ratios, tessaronCpuMedians, f3dCpuMedians;
    for (const std::string& strFile : files) {
        const double t = Median(tessaron[strFile]);
        tessaronMedians.push_back(t);
        tessaronCpuMedians.push_back(Median(tessaronCpu[strFile]));
        if (!strF3d.empty())
            f3dCpuMedians.push_back(Median(f3dCpu[strFile]));
        std::string strName = strFile.substr(strFile.find("/models/") + 8);
        if (strF3d.empty()) {
            std::printf("  %-58s %8.1f [%d]\n", strName.c_str(), t, tessaronExit[strFile]);
            continue;
        }
        const double f = Median(f3d[strFile]);
        f3dMedians.push_back(f);
        ratios.push_back(f / t);
        std::printf("  %-58s %8.1f [%d] %8.1f [%d] %7.1f\n", strName.c_str(), t, tessaronExit[strFile], f,
                    f3dExit[strFile], f / t);
    }
    const double dBatch = Median(batchMillis);
    std::printf("\n  one process per file, median of the files' medians: %.1f ms (CPU %.1f ms)\n",
                Median(tessaronMedians), Median(tessaronCpuMedians));
    std::printf("  one batch process for all %zu files: %.1f ms, %.1f ms a file (CPU %.1f ms)\n", files.size(), dBatch,
                dBatch / static_cast<double>(files.size()), Median(batchCpu));
    if (!strF3d.empty()) {
        const double dF3dTotal = Median(f3dTotals);
        std::printf("  f3d, median of the files' medians: %.1f ms (CPU %.1f ms); all files: %.1f ms (CPU %.1f ms)\n",
                    Median(f3dMedians), Median(f3dCpuMedians), dF3dTotal, Median(f3dCpuTotals));
        std::printf("\nratios\n");
        const double dPerFile = Median(f3dMedians) / Median(tessaronMedians);
        Ratio("f3d / tessaron-render per file (medians)", dPerFile, ">= 4", dPerFile >= 4.0);
        std::printf("  %-44s %7.2f\n", "  the slowest file's ratio", *std::min_element(ratios.begin(), ratios.end()));
        Ratio("f3d all files / tessaron-render batch", dF3dTotal / dBatch, ">= 25", dF3dTotal / dBatch >= 25.0);
        std::printf("the same in CPU time (not the target's measure)\n");
        const double dCpuPerFile = Median(f3dCpuMedians) / Median(tessaronCpuMedians);
        Ratio("f3d / tessaron-render per file, CPU", dCpuPerFile, ">= 4", dCpuPerFile >= 4.0);
        const double dCpuBatch = Median(f3dCpuTotals) / Median(batchCpu);
        Ratio("f3d all files / tessaron-render batch, CPU", dCpuBatch, ">= 25", dCpuBatch >= 25.0);
    }

    struct stat st {};
    ::stat(strBig.c_str(), &st);
    const auto dFileBytes = static_cast<double>(st.st_size);
    double dModelBytes = 0.0;
    {
        C3DS model;
        model.ReadFile(strBig);
        dModelBytes = static_cast<double>(ModelBytes(model));
    }
    const double dFramebufferBytes = 800.0 * 600.0 * (4 + 4);  // RGBA8 colour, 24-bit depth with stencil
    const double dAbove = static_cast<double>(nBigKiB - nEmptyKiB) * 1024.0;
    const double dBudget = dFileBytes + dModelBytes + dFramebufferBytes;
    std::printf("\n%.1f MiB scene of %d meshes at 800 x 600: %.0f ms (as a 256 thumbnail: %.0f ms)\n",
                MiB(dFileBytes), nMeshes, Median(bigMillis), Median(thumbMillis));
    std::printf("  peak %.1f MiB, empty scene %.1f MiB: %.1f MiB above it\n", static_cast<double>(nBigKiB) / 1024.0,
                static_cast<double>(nEmptyKiB) / 1024.0, MiB(dAbove));
    std::printf("  file %.1f + model %.1f + framebuffer %.1f = %.1f MiB\n", MiB(dFileBytes), MiB(dModelBytes),
                MiB(dFramebufferBytes), MiB(dBudget));
    Ratio("peak above empty / (file + model + framebuffer)", dAbove / dBudget, "<= 1.25", dAbove / dBudget <= 1.25);
    // A thumbnail reads no side data and holds the file's bytes only until the walk is past
    // them; the GL driver's own share is what a thumbnail of an empty scene peaks at.
    const double dThumbAbove = static_cast<double>(nThumbKiB - nEmptyThumbKiB) * 1024.0;
    std::printf("  --thumbnail 256: peak %.1f MiB, of an empty scene %.1f MiB: %.1f MiB above it\n",
                static_cast<double>(nThumbKiB) / 1024.0, static_cast<double>(nEmptyThumbKiB) / 1024.0, MiB(dThumbAbove));
    Ratio("--thumbnail peak above empty / file", dThumbAbove / dFileBytes, "<= 2.5", dThumbAbove / dFileBytes <= 2.5);
    std::printf("  %-44s %7.2f\n", "--thumbnail peak / file, the driver's share too",
                static_cast<double>(nThumbKiB) * 1024.0 / dFileBytes);
    return 0;
}
