#pragma once

// Timing of GL work for the frame benchmarks: wall time and the process's CPU time (all
// threads, llvmpipe's included) of one call, from a cleared framebuffer to glFinish. The
// machine is shared, so CPU time is the steadier figure; both are reported.

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <functional>
#include <vector>

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
