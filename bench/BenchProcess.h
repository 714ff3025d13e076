#pragma once

#include <string>
#include <vector>

// What the benchmarks that run programs share: a timed run, the environment to give it,
// a program looked up in PATH, and the median of a round's times.

struct SRun {
    double dMillis = 0.0;
    double dCpuMillis = 0.0;  // user and system time of the process
    int nExit = -1;
    long nPeakKiB = 0;
};

// Runs argv with the given environment, output thrown away, and times it to its exit.
SRun Run(const std::vector<std::string>& argv, const std::vector<std::string>& env);
// This process's environment, without DISPLAY and WAYLAND_DISPLAY unless bDisplay.
std::vector<std::string> Environment(bool bDisplay);
// The program's path, or empty.
std::string FindInPath(const char* pszName);
double Median(std::vector<double> a);
