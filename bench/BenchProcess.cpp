#include "BenchProcess.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env)
{
    std::vector<char*> args, envp;
    for (const std::string& s : argv)
        args.push_back(const_cast<char*>(s.c_str()));
    args.push_back(nullptr);
    for (const std::string& s : env)
        envp.push_back(const_cast<char*>(s.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int nError = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (nError != 0) {
        std::fprintf(stderr, "cannot run %s\n", args[0]);
        std::exit(1);
    }
    return pid;
}

SRun Run(const std::vector<std::string>& argv, const std::vector<std::string>& env)
{
    SRun run;
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = Spawn(argv, env);
    int nStatus = 0;
    struct rusage ru {};
    ::wait4(pid, &nStatus, 0, &ru);
    run.dMillis = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    run.nExit = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    run.nPeakKiB = ru.ru_maxrss;
    run.dCpuMillis = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1000.0 +
                     static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1000.0;
    return run;
}

std::vector<std::string> Environment(bool bDisplay)
{
    std::vector<std::string> env;
    for (char** p = environ; *p; ++p) {
        const std::string s = *p;
        if (bDisplay || (!s.starts_with("DISPLAY=") && !s.starts_with("WAYLAND_DISPLAY=")))
            env.push_back(s);
    }
    return env;
}

std::string FindInPath(const char* pszName)
{
    const char* pszPath = std::getenv("PATH");
    std::string strPath = pszPath ? pszPath : "/usr/bin:/bin";
    for (std::size_t pos = 0; pos <= strPath.size();) {
        std::size_t end = strPath.find(':', pos);
        if (end == std::string::npos)
            end = strPath.size();
        const std::string strFile = strPath.substr(pos, end - pos) + "/" + pszName;
        if (::access(strFile.c_str(), X_OK) == 0)
            return strFile;
        pos = end + 1;
    }
    return {};
}

double Median(std::vector<double> a)
{
    std::sort(a.begin(), a.end());
    const std::size_t n = a.size();
    return n == 0 ? 0.0 : n % 2 ? a[n / 2] : (a[n / 2 - 1] + a[n / 2]) / 2;
}

