#pragma once

#include <string>
#include <vector>

struct SProcessResult {
    int nExitCode = -1;  // -1 when the process did not exit normally
    std::string strOut;
    std::string strErr;
};

// Runs a program (argv[0] is its path) with no standard input and collects both of its
// output streams to the end. Fails the calling test when the program cannot be started.
SProcessResult RunProcess(const std::vector<std::string>& argv);
