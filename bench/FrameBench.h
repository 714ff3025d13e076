#pragma once

// What the frame benchmarks share: one set-up of the process and its GL context, and the
// timing of GL work, as wall time and the process's CPU time (all threads, llvmpipe's
// included) of one call, from a cleared framebuffer to glFinish. The machine is shared, so
// CPU time is the steadier figure; both are reported.

#include "geometry/CLightSetup.h"
#include "support/GLTestContext.h"
#include "view/CScene.h"

#include <GL/gl.h>
#include <malloc.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <vector>

// The rounds asked for with --rounds N (default 9), after the process and a 64 x 64 context
// under the viewer's light set-up are made ready for steady timings.
inline int SetUpFrameBench(int argc, char** argv)
{
    int nRounds = 9;
    for (int k = 1; k + 1 < argc; k += 2) {
        if (std::strcmp(argv[k], "--rounds") == 0)
            nRounds = std::max(1, std::atoi(argv[k + 1]));
    }
    // Mesa orphans its vertex buffer many times a frame. With glibc's sliding mmap threshold,
    // whether each new buffer is fresh mmapped memory (a page fault per page) or recycled heap
    // depends on the process's allocation history, which swings frame times by 2x between
    // otherwise identical loops. A fixed threshold keeps every frame on the heap.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    // Rasterising 64 x 64 pixels needs no helper threads; without them llvmpipe's timings
    // do not depend on how the scheduler treats its threads on a shared machine.
    setenv("LP_NUM_THREADS", "0", 0);
    CGLTestContext::Instance();
    glViewport(0, 0, CGLTestContext::kWidth, CGLTestContext::kHeight);
    glMatrixMode(GL_PROJECTION);
    glOrtho(-0.1, 1.1, -0.1, 1.1, -2.0, 2.0);
    glMatrixMode(GL_MODELVIEW);
    CScene::PrepareContext(CLightSetup());
    return nRounds;
}

struct STimes {
    double dWall;
    double dCpu;
};

inline double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

inline STimes Frame(const std::function<void()>& draw)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFinish();
    const double dCpu = CpuMs();
    const auto start = std::chrono::steady_clock::now();
    draw();
    glFinish();
    return {std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(),
            CpuMs() - dCpu};
}

inline double Median(std::vector<double> a)
{
    std::sort(a.begin(), a.end());
    return a[a.size() / 2];
}

// The times of repeated rounds, and their medians.
struct SSeries {
    std::vector<double> aWall, aCpu;
    void Add(const STimes& t)
    {
        aWall.push_back(t.dWall);
        aCpu.push_back(t.dCpu);
    }
    STimes Medians() const { return {Median(aWall), Median(aCpu)}; }
};

// The medians of three drawings, each drawn once first and then nRounds times in rotating
// order, so that no one of them always follows the same other.
inline std::array<STimes, 3> MeasureRotating(const std::function<void()> (&aDraws)[3], int nRounds)
{
    SSeries aSeries[3];
    for (const auto& draw : aDraws)
        Frame(draw);
    for (int r = 0; r < nRounds; ++r) {
        for (int k = 0; k < 3; ++k) {
            const int n = (r + k) % 3;
            aSeries[n].Add(Frame(aDraws[n]));
        }
    }
    return {aSeries[0].Medians(), aSeries[1].Medians(), aSeries[2].Medians()};
}
