#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// What the benchmarks that run programs share: a timed run, the environment to give it,
// a program looked up in PATH, and the median of a round's times.

struct SRun {
    double dMillis = 0.0;
    double dCpuMillis = 0.0;  // user and system time of the process
    int nExit = -1;
    long nPeakKiB = 0;
};

// Starts argv (looked up in PATH) with the given environment, its output thrown away, and
// returns at once: the caller waits for it. Ends this process if it cannot start.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env);
// Runs argv as Spawn does, and times it to its exit.
SRun Run(const std::vector<std::string>& argv, const std::vector<std::string>& env);
// This process's environment, without DISPLAY and WAYLAND_DISPLAY unless bDisplay.
std::vector<std::string> Environment(bool bDisplay);
// The program's path, or empty.
std::string FindInPath(const char* pszName);
double Median(std::vector<double> a);
