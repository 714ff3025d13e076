// How long a launch that hands its files to the running viewer lives, beside the floor of
// starting the same program at all (`tessaron --version`, which ends before the toolkit or
// the display are touched). Rounds interleave the two; medians of wall time. Run it under
// xvfb-run (README.md).
#include "BenchProcess.h"

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv)
{
    int nRounds = 21;
    if (argc == 3 && std::string(argv[1]) == "--rounds")
        nRounds = std::max(1, std::atoi(argv[2]));
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "LaunchBench needs an X display (run it under xvfb-run)\n");
        return 1;
    }
    // A runtime folder and settings of its own: no viewer of the user's is reached.
    char szDir[] = "/tmp/tessaron-launch-bench-XXXXXX";
    if (mkdtemp(szDir) == nullptr)
        return 1;
    const std::string strDir = szDir;
    setenv("XDG_RUNTIME_DIR", strDir.c_str(), 1);
    setenv("XDG_CONFIG_HOME", strDir.c_str(), 1);
    const std::string strModel = std::string(SAMPLES_DIR) + "/house.3ds";

    const std::vector<std::string> env = Environment(true);
    const pid_t viewer = Spawn({TESSARON_PATH, strModel}, env);
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    auto listening = [&] {
        for (const auto& entry : fs::directory_iterator(strDir))
            if (entry.is_socket())
                return true;
        return false;
    };
    while (!listening() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    int nCode = 0;
    if (!listening()) {
        std::fprintf(stderr, "the first viewer never listened\n");
        nCode = 1;
    } else {
        std::vector<double> floor, handOver;
        for (int i = 0; i < nRounds && nCode == 0; ++i) {
            const SRun f = Run({TESSARON_PATH, "--version"}, env);
            const SRun h = Run({TESSARON_PATH, strModel}, env);
            if (f.nExit != 0 || h.nExit != 0)
                nCode = 1;
            floor.push_back(f.dMillis / 1000.0);
            handOver.push_back(h.dMillis / 1000.0);
        }
        std::printf("rounds: %d\n", nRounds);
        std::printf("tessaron --version (start-up floor):  median %.4f s\n", Median(floor));
        std::printf("tessaron FILE handed to the viewer:  median %.4f s (target < 0.3 s)\n", Median(handOver));
        std::printf("ratio hand-over / floor:             %.2f\n", Median(handOver) / Median(floor));
    }
    kill(viewer, SIGTERM);
    waitpid(viewer, nullptr, 0);
    fs::remove_all(strDir);
    return nCode;
}
