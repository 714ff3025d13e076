// Load benchmark for C3DS::ReadFile. Writes one large synthetic .3ds file, then times, side
// by side in the same run, the floor (open, fstat and one read of the whole file into a
// fresh buffer), ReadFile, and lib3ds and assimp where they were found. Runs are
// interleaved round by round so that drift of the virtual machine hits every reader alike;
// the medians are compared. Peak memory is measured per reader in a forked child, less the
// peak of a child that loads nothing.
//
// usage: ReadFileBench [--runs N] [--meshes N]

#include "TestFiles.h"
#include "TorusScene.h"
#include "model/C3DS.h"

#ifdef TESSARON_HAVE_LIB3DS
#include <lib3ds/file.h>
#endif
#ifdef TESSARON_HAVE_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#endif

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <numbers>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Whatever a reader built, kept alive until the clock has stopped.
using Loaded = std::shared_ptr<void>;

struct SReader {
    const char* pszName;
    std::function<Loaded(const std::string&)> load;
    std::vector<double> aMillis;
    long nPeakKiB = 0;
};

Loaded LoadFloor(const std::string& strPath)
{
    const int h = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (h < 0 || ::fstat(h, &st) != 0)
        std::abort();
    const auto nSize = static_cast<std::size_t>(st.st_size);
    std::shared_ptr<unsigned char[]> buffer(new unsigned char[nSize]);
    for (std::size_t nDone = 0; nDone < nSize;) {
        const ssize_t n = ::read(h, buffer.get() + nDone, nSize - nDone);
        if (n <= 0)
            std::abort();
        nDone += static_cast<std::size_t>(n);
    }
    ::close(h);
    return buffer;
}

Loaded LoadTessaron(const std::string& strPath)
{
    auto model = std::make_shared<C3DS>();
    if (model->ReadFile(strPath) != 1)
        std::abort();
    return model;
}

#ifdef TESSARON_HAVE_LIB3DS
Loaded LoadLib3ds(const std::string& strPath)
{
    Lib3dsFile* pFile = lib3ds_file_load(strPath.c_str());
    if (!pFile)
        std::abort();
    return Loaded(pFile, [](void* p) { lib3ds_file_free(static_cast<Lib3dsFile*>(p)); });
}
#endif

#ifdef TESSARON_HAVE_ASSIMP
Loaded LoadAssimp(const std::string& strPath)
{
    auto importer = std::make_shared<Assimp::Importer>();
    if (!importer->ReadFile(strPath, 0))
        std::abort();
    return importer;
}
#endif

double Median(std::vector<double> a)
{
    std::sort(a.begin(), a.end());
    const std::size_t n = a.size();
    return n % 2 ? a[n / 2] : (a[n / 2 - 1] + a[n / 2]) / 2;
}

// Peak resident set of a child that runs fn once, in KiB.
long ChildPeakKiB(const std::function<void()>& fn)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        std::abort();
    if (pid == 0) {
        fn();
        ::_exit(0);
    }
    int nStatus = 0;
    struct rusage ru {};
    if (::wait4(pid, &nStatus, 0, &ru) != pid || !WIFEXITED(nStatus) || WEXITSTATUS(nStatus) != 0) {
        std::fprintf(stderr, "memory child failed\n");
        std::exit(1);
    }
    return ru.ru_maxrss;
}

double MiB(double nBytes)
{
    return nBytes / (1024.0 * 1024.0);
}

void Ratio(const char* pszName, double dValue, const char* pszTarget, bool bMet)
{
    std::printf("  %-32s %6.2f   target %-8s %s\n", pszName, dValue, pszTarget, bMet ? "met" : "MISSED");
}

} // namespace

int main(int argc, char** argv)
{
    int nRuns = 7, nMeshes = 64;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0)
            nRuns = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--meshes") == 0)
            nMeshes = std::max(1, std::atoi(argv[i + 1]));
    }

    std::unique_ptr<CTempFile> file, shadedFile;
    {
        // The bytes are dropped before any child is forked, so no child inherits them.
        const std::vector<std::uint8_t> bytes = BuildTorusScene(nMeshes);
        file = std::make_unique<CTempFile>(bytes, "bench.3ds");
    }
    {
        const std::vector<std::uint8_t> bytes = BuildTorusScene(nMeshes, true);
        shadedFile = std::make_unique<CTempFile>(bytes, "bench-shaded.3ds");
    }
    const std::string strShadedPath = shadedFile->Path();
    const std::string& strPath = file->Path();
    struct stat st {};
    ::stat(strPath.c_str(), &st);
    const auto nFileBytes = static_cast<double>(st.st_size);

    std::vector<SReader> readers;
    readers.push_back({"floor (open+fstat+read)", LoadFloor, {}, 0});
    readers.push_back({"C3DS::ReadFile", LoadTessaron, {}, 0});
    // The same scene with mapping coordinates and smoothing masks, and its own read floor.
    readers.push_back({"floor, with side chunks", [&](const std::string&) { return LoadFloor(strShadedPath); }, {}, 0});
    readers.push_back({"ReadFile, with side chunks", [&](const std::string&) { return LoadTessaron(strShadedPath); }, {}, 0});
    constexpr std::size_t kShadedFloor = 2, kShadedRead = 3;
#ifdef TESSARON_HAVE_LIB3DS
    readers.push_back({"lib3ds_file_load", LoadLib3ds, {}, 0});
#endif
#ifdef TESSARON_HAVE_ASSIMP
    readers.push_back({"Assimp::Importer::ReadFile", LoadAssimp, {}, 0});
#endif

    // Memory first, while this process holds nothing large for the children to inherit.
    const long nBaseKiB = ChildPeakKiB([] {});
    for (SReader& r : readers)
        r.nPeakKiB = ChildPeakKiB([&] { Loaded kept = r.load(strPath); }) - nBaseKiB;

    // One untimed load each, so the file is in the page cache and every library is loaded.
    for (SReader& r : readers)
        r.load(strPath);
    for (int run = 0; run < nRuns; ++run) {
        for (SReader& r : readers) {
            const auto t0 = std::chrono::steady_clock::now();
            Loaded kept = r.load(strPath);
            const auto t1 = std::chrono::steady_clock::now();
            r.aMillis.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        }
    }

    C3DS model;
    model.ReadFile(strPath);
    const auto nModelBytes = static_cast<double>(ModelBytes(model));
    std::printf("file   %.1f MiB: %d meshes, %zu vertices, %zu faces, %zu face-material entries, %zu materials\n",
                MiB(nFileBytes), nMeshes, model.m_aVertices.size(), model.m_aFaces.size(),
                model.m_aFaceMaterials.size(), model.m_aMaterials.size());
    std::printf("model  %.1f MiB (array capacities and shared names)\n", MiB(nModelBytes));
    std::printf("runs   %d each, interleaved; times in ms\n\n", nRuns);
    std::printf("  %-28s %9s %9s %9s %10s\n", "reader", "median", "min", "max", "peak MiB");
    for (const SReader& r : readers)
        std::printf("  %-28s %9.1f %9.1f %9.1f %10.1f\n", r.pszName, Median(r.aMillis),
                    *std::min_element(r.aMillis.begin(), r.aMillis.end()),
                    *std::max_element(r.aMillis.begin(), r.aMillis.end()), static_cast<double>(r.nPeakKiB) / 1024.0);

    const double dFloor = Median(readers[0].aMillis), dRead = Median(readers[1].aMillis);
    std::printf("\nratios of medians\n");
    Ratio("ReadFile / floor", dRead / dFloor, "<= 2.5", dRead / dFloor <= 2.5);
    {
        // Reading the side data costs what its bytes cost: compared with the read of the
        // same bytes, and with the plain scene's ReadFile, best runs and medians.
        struct stat stShaded {};
        ::stat(strShadedPath.c_str(), &stShaded);
        C3DS shaded;
        shaded.ReadFile(strShadedPath);
        const auto& aFloor = readers[kShadedFloor].aMillis;
        const auto& aShaded = readers[kShadedRead].aMillis;
        const double dBest = *std::min_element(aShaded.begin(), aShaded.end()) /
                             *std::min_element(readers[1].aMillis.begin(), readers[1].aMillis.end());
        const double dFileRatio = static_cast<double>(stShaded.st_size) / nFileBytes;
        std::printf("  side-chunk file %.1f MiB (%.3fx the plain file), side data %.1f MiB\n",
                    MiB(static_cast<double>(stShaded.st_size)), dFileRatio, MiB(static_cast<double>(shaded.m_cShading.Bytes())));
        Ratio("with side chunks / floor, same file", Median(aShaded) / Median(aFloor), "<= 2.5",
              Median(aShaded) / Median(aFloor) <= 2.5);
        Ratio("ReadFile with / without side chunks, best", dBest, "<= 1.1 x file ratio", dBest <= 1.1 * dFileRatio);
        Ratio("ReadFile with / without side chunks, median", Median(aShaded) / dRead, "", true);
        const double dShadedPeak =
            static_cast<double>(readers[kShadedRead].nPeakKiB) * 1024.0 /
            (static_cast<double>(stShaded.st_size) + static_cast<double>(ModelBytes(shaded) + shaded.m_cShading.Bytes()));
        Ratio("peak / (file + model + side data)", dShadedPeak, "<= 1.25", dShadedPeak <= 1.25);
    }
    for (std::size_t i = kShadedRead + 1; i < readers.size(); ++i) {
        const bool bLib3ds = std::strncmp(readers[i].pszName, "lib3ds", 6) == 0;
        const double dRatio = Median(readers[i].aMillis) / dRead;
        Ratio(bLib3ds ? "lib3ds / ReadFile" : "assimp / ReadFile", dRatio, bLib3ds ? ">= 3" : ">= 8",
              dRatio >= (bLib3ds ? 3.0 : 8.0));
    }
    const double dPeak = static_cast<double>(readers[1].nPeakKiB) * 1024.0 / (nFileBytes + nModelBytes);
    Ratio("ReadFile peak / (file + model)", dPeak, "<= 1.25", dPeak <= 1.25);
    return 0;
}
