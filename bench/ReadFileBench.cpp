// Load benchmark for C3DS::ReadFile. Writes one large synthetic .3ds file, then times, side
// by side in the same run, the floor (open, fstat and one read of the whole file into a
// fresh buffer), ReadFile, and lib3ds and assimp where they were found. Runs are
// interleaved round by round so that drift of the virtual machine hits every reader alike;
// the medians are compared. The floor and ReadFile are timed twice a round: on a quiet
// machine, and right after a child process has allocated, touched and freed 1 GiB, as a
// peer reader, a browser or a build leaves the kernel's free memory. Peak memory is
// measured per reader in a forked child, less the peak of a child that loads nothing, and
// for tessaron-info as a process of its own.
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

Loaded LoadTessaron(const std::string& strPath, bool bShadingData)
{
    auto model = std::make_shared<C3DS>();
    model->m_bKeepShadingData = bShadingData;
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

// What a program that has just used and freed a lot of memory leaves behind: a child that
// allocates 1 GiB, writes every page and exits, and a few seconds for the system to take
// the freed memory in hand. On the virtual machines this was measured on, the host takes
// back freed memory in large blocks within about two seconds, and a huge page made of such
// a block is the slowest memory there is to touch.
void Churn()
{
    ChildPeakKiB([] {
        constexpr std::size_t kBytes = std::size_t{1} << 30;
        auto* p = static_cast<unsigned char*>(std::malloc(kBytes));
        if (p == nullptr)
            std::abort();
        std::memset(p, 1, kBytes);
        std::free(p);
    });
    ::sleep(3);
}

// Peak resident set of tessaron-info reading strPath, as a process of its own, in KiB. Forked
// and executed, not spawned: a spawned child shares this process's memory until it runs the
// program, and the kernel then counts this process's own peak as the child's.
long InfoPeakKiB(const std::string& strPath)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        std::abort();
    if (pid == 0) {
        const int h = ::open("/dev/null", O_WRONLY);
        ::dup2(h, 1);
        ::execl(TESSARON_INFO_PATH, TESSARON_INFO_PATH, strPath.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int nStatus = 0;
    struct rusage ru {};
    if (::wait4(pid, &nStatus, 0, &ru) != pid || !WIFEXITED(nStatus) || WEXITSTATUS(nStatus) != 0) {
        std::fprintf(stderr, "tessaron-info failed on %s\n", strPath.c_str());
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
    readers.push_back({"C3DS::ReadFile", [](const std::string& p) { return LoadTessaron(p, true); }, {}, 0});
    readers.push_back({"ReadFile, no side data", [](const std::string& p) { return LoadTessaron(p, false); }, {}, 0});
    // The same scene with mapping coordinates and smoothing masks, and its own read floor.
    readers.push_back({"floor, with side chunks", [&](const std::string&) { return LoadFloor(strShadedPath); }, {}, 0});
    readers.push_back({"ReadFile, with side chunks",
                       [&](const std::string&) { return LoadTessaron(strShadedPath, true); }, {}, 0});
    readers.push_back({"  the same, no side data",
                       [&](const std::string&) { return LoadTessaron(strShadedPath, false); }, {}, 0});
    constexpr std::size_t kFloor = 0, kRead = 1, kReadBare = 2, kShadedFloor = 3, kShadedRead = 4, kShadedBare = 5;
    const std::size_t nOwn = readers.size();
#ifdef TESSARON_HAVE_LIB3DS
    readers.push_back({"lib3ds_file_load", LoadLib3ds, {}, 0});
#endif
#ifdef TESSARON_HAVE_ASSIMP
    readers.push_back({"Assimp::Importer::ReadFile", LoadAssimp, {}, 0});
#endif
    // The floor and ReadFile again, each right after a child has used and freed 1 GiB.
    std::vector<SReader> churned = {{"floor, after 1 GiB freed", LoadFloor, {}, 0},
                                    {"ReadFile, after 1 GiB freed", readers[kRead].load, {}, 0}};

    // Memory first, while this process holds nothing large for the children to inherit.
    const long nBaseKiB = ChildPeakKiB([] {});
    for (SReader& r : readers)
        r.nPeakKiB = ChildPeakKiB([&] { Loaded kept = r.load(strPath); }) - nBaseKiB;
    const long nInfoKiB = InfoPeakKiB(strPath), nInfoShadedKiB = InfoPeakKiB(strShadedPath);

    // One untimed load each, so the file is in the page cache and every library is loaded.
    for (SReader& r : readers)
        r.load(strPath);
    auto time = [&](SReader& r) {
        const auto t0 = std::chrono::steady_clock::now();
        Loaded kept = r.load(strPath);
        const auto t1 = std::chrono::steady_clock::now();
        r.aMillis.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    };
    for (int run = 0; run < nRuns; ++run) {
        for (SReader& r : readers)
            time(r);
        for (SReader& r : churned) {
            Churn();
            time(r);
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
    auto row = [](const SReader& r) {
        std::printf("  %-28s %9.1f %9.1f %9.1f", r.pszName, Median(r.aMillis),
                    *std::min_element(r.aMillis.begin(), r.aMillis.end()),
                    *std::max_element(r.aMillis.begin(), r.aMillis.end()));
        if (r.nPeakKiB > 0)
            std::printf(" %10.1f", static_cast<double>(r.nPeakKiB) / 1024.0);
        std::printf("\n");
    };
    for (const SReader& r : readers)
        row(r);
    for (const SReader& r : churned)
        row(r);

    const double dFloor = Median(readers[kFloor].aMillis), dRead = Median(readers[kRead].aMillis);
    const double dChurnFloor = Median(churned[0].aMillis), dChurnRead = Median(churned[1].aMillis);
    std::printf("\nratios of medians\n");
    Ratio("ReadFile / floor, quiet", dRead / dFloor, "<= 2.5", dRead / dFloor <= 2.5);
    Ratio("ReadFile / floor, after 1 GiB freed", dChurnRead / dChurnFloor, "<= 2.5", dChurnRead / dChurnFloor <= 2.5);
    Ratio("ReadFile after 1 GiB freed / quiet", dChurnRead / dRead, "", true);
    Ratio("ReadFile no side data / with", Median(readers[kReadBare].aMillis) / dRead, "", true);
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
                             *std::min_element(readers[kRead].aMillis.begin(), readers[kRead].aMillis.end());
        const double dFileRatio = static_cast<double>(stShaded.st_size) / nFileBytes;
        std::printf("  side-chunk file %.1f MiB (%.3fx the plain file), side data %.1f MiB\n",
                    MiB(static_cast<double>(stShaded.st_size)), dFileRatio, MiB(static_cast<double>(shaded.m_cShading.Bytes())));
        Ratio("with side chunks / floor, same file", Median(aShaded) / Median(aFloor), "<= 2.5",
              Median(aShaded) / Median(aFloor) <= 2.5);
        Ratio("ReadFile with / without side chunks, best", dBest, "<= 1.1 x file ratio", dBest <= 1.1 * dFileRatio);
        Ratio("ReadFile with / without side chunks, median", Median(aShaded) / dRead, "", true);
        const auto nShadedBytes = static_cast<double>(stShaded.st_size);
        const double dShadedPeak = static_cast<double>(readers[kShadedRead].nPeakKiB) * 1024.0 /
                                   static_cast<double>(ModelBytes(shaded) + shaded.m_cShading.Bytes());
        Ratio("peak / (model + side data), side chunks", dShadedPeak, "<= 1.25", dShadedPeak <= 1.25);
        const double dBarePeak = static_cast<double>(readers[kShadedBare].nPeakKiB) * 1024.0 / nShadedBytes;
        Ratio("peak no side data / file, side chunks", dBarePeak, "<= 2.5", dBarePeak <= 2.5);
        const double dInfo = static_cast<double>(nInfoShadedKiB) * 1024.0 / nShadedBytes;
        Ratio("tessaron-info peak / file, side chunks", dInfo, "<= 2.5", dInfo <= 2.5);
    }
    for (std::size_t i = nOwn; i < readers.size(); ++i) {
        const bool bLib3ds = std::strncmp(readers[i].pszName, "lib3ds", 6) == 0;
        const double dRatio = Median(readers[i].aMillis) / dRead;
        Ratio(bLib3ds ? "lib3ds / ReadFile" : "assimp / ReadFile", dRatio, bLib3ds ? ">= 3" : ">= 8",
              dRatio >= (bLib3ds ? 3.0 : 8.0));
    }
    // The model's arrays are 2.25 times the file: the file's buffer is given back behind
    // the walk, so the peak is the model, not the file beside the model.
    const double dPeak = static_cast<double>(readers[kRead].nPeakKiB) * 1024.0 / nModelBytes;
    Ratio("ReadFile peak / model", dPeak, "<= 1.25", dPeak <= 1.25);
    const double dPeakFile = static_cast<double>(readers[kReadBare].nPeakKiB) * 1024.0 / nFileBytes;
    Ratio("ReadFile peak no side data / file", dPeakFile, "<= 2.5", dPeakFile <= 2.5);
    const double dInfo = static_cast<double>(nInfoKiB) * 1024.0 / nFileBytes;
    std::printf("  tessaron-info peak %.1f MiB\n", static_cast<double>(nInfoKiB) / 1024.0);
    Ratio("tessaron-info peak / file", dInfo, "<= 2.5", dInfo <= 2.5);
    return 0;
}
