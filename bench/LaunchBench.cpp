// How long a launch that hands its files to the running viewer lives, beside the floor of
// starting the same program at all (`tessaron --version`, which ends before the toolkit or
// the display are touched). Rounds interleave the two; medians of wall time. Run it under
// xvfb-run (README.md).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

pid_t Spawn(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& s : argv)
        args.push_back(const_cast<char*>(s.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Wall time of one run in seconds; negative when it failed.
double Time(const std::vector<std::string>& argv)
{
    const auto start = Clock::now();
    const pid_t pid = Spawn(argv);
    int nStatus = 0;
    if (pid < 0 || waitpid(pid, &nStatus, 0) != pid || !WIFEXITED(nStatus) || WEXITSTATUS(nStatus) != 0)
        return -1;
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> a)
{
    std::sort(a.begin(), a.end());
    return a.empty() ? 0 : a[a.size() / 2];
}

} // namespace

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

    const pid_t viewer = Spawn({TESSARON_PATH, strModel});
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
            const double fFloor = Time({TESSARON_PATH, "--version"});
            const double fHandOver = Time({TESSARON_PATH, strModel});
            if (fFloor < 0 || fHandOver < 0)
                nCode = 1;
            floor.push_back(fFloor);
            handOver.push_back(fHandOver);
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
