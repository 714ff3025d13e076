// The built viewer as real processes on an X server of their own: options, one viewer that
// takes a second launch's files, viewers that are gone or hang, and a model opened by the
// desktop's own plumbing. Windows are read as the X server shows them.
#include "RunProcess.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string kSamples = SAMPLES_DIR;

std::vector<std::string> Lines(const std::string& str)
{
    std::vector<std::string> lines;
    std::istringstream in(str);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

// Waits for a condition, checking every 50 ms for at most nMs.
template <class F>
bool WaitUntil(F condition, int nMs = 20000)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(nMs);
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// The captions of the viewer's main windows on the screen, sorted.
std::vector<std::string> MainWindowTitles()
{
    std::vector<std::string> titles;
    const SProcessResult ids = RunProcess({XDOTOOL, "search", "--onlyvisible", "--name", "^Tessaron( - .*)?$"});
    for (const std::string& id : Lines(ids.strOut)) {
        const SProcessResult name = RunProcess({XDOTOOL, "getwindowname", id});
        if (name.nExitCode == 0 && !Lines(name.strOut).empty())
            titles.push_back(Lines(name.strOut).front());
    }
    std::sort(titles.begin(), titles.end());
    return titles;
}

// Waits until the captions on the screen are these; names the last ones seen if never.
::testing::AssertionResult ShowsTitles(const std::vector<std::string>& expected)
{
    std::vector<std::string> seen;
    if (WaitUntil([&] { return (seen = MainWindowTitles()) == expected; }))
        return ::testing::AssertionSuccess();
    std::string strSeen;
    for (const std::string& title : seen)
        strSeen += " '" + title + "'";
    return ::testing::AssertionFailure() << "windows on the screen:" << strSeen;
}

std::string WindowOfTitle(const std::string& strTitle)
{
    const SProcessResult ids = RunProcess({XDOTOOL, "search", "--onlyvisible", "--name", "^" + strTitle + "$"});
    const auto lines = Lines(ids.strOut);
    return lines.size() == 1 ? lines.front() : std::string();
}

// Each test's own runtime folder, settings and home, so no viewer of another test or of
// the user is ever reached and no settings file but the test's own is written.
class CSession {
public:
    CSession()
    {
        fs::create_directory(Runtime());
        fs::permissions(Runtime(), fs::perms::owner_all, fs::perm_options::replace);
        fs::create_directory(m_root.Dir() + "/config");
    }
    std::string Runtime() const { return m_root.Dir() + "/runtime"; }
    std::string Root() const { return m_root.Dir(); }
    std::map<std::string, std::string> Environment() const
    {
        return {{"XDG_RUNTIME_DIR", Runtime()}, {"XDG_CONFIG_HOME", m_root.Dir() + "/config"}, {"HOME", m_root.Dir()}};
    }
    bool HasSocket() const
    {
        for (const auto& entry : fs::directory_iterator(Runtime()))
            if (entry.is_socket())
                return true;
        return false;
    }

private:
    CTempFile m_root{{}};
};

// A process started in a folder with variables of its own; ended with the object.
class CProcess {
public:
    CProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
             const std::string& strDir = kSamples)
    {
        m_pid = fork();
        if (m_pid == 0) {
            const int nNull = open("/dev/null", O_RDWR);
            dup2(nNull, 0);
            dup2(nNull, 1);
            if (chdir(strDir.c_str()) != 0)
                _exit(126);
            unsetenv("DESKTOP_STARTUP_ID");
            unsetenv("XDG_ACTIVATION_TOKEN");
            for (const auto& [name, value] : env)
                setenv(name.c_str(), value.c_str(), 1);
            std::vector<char*> args;
            for (const std::string& s : argv)
                args.push_back(const_cast<char*>(s.c_str()));
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
    }
    ~CProcess()
    {
        if (Running()) {
            kill(m_pid, SIGCONT);
            kill(m_pid, SIGTERM);
            Wait(10000);
        }
    }
    CProcess(const CProcess&) = delete;
    CProcess& operator=(const CProcess&) = delete;

    bool Running()
    {
        if (m_nStatus >= 0)
            return false;
        int nStatus = 0;
        if (waitpid(m_pid, &nStatus, WNOHANG) == m_pid) {
            m_nStatus = nStatus;
            return false;
        }
        return true;
    }
    // The exit code, -1 while it runs or when a signal ended it.
    int Wait(int nMs)
    {
        WaitUntil([this] { return !Running(); }, nMs);
        return m_nStatus >= 0 && WIFEXITED(m_nStatus) ? WEXITSTATUS(m_nStatus) : -1;
    }
    void Signal(int nSignal) { kill(m_pid, nSignal); }

private:
    pid_t m_pid = -1;
    int m_nStatus = -1;
};

// An X server for this run alone. Started here rather than by xvfb-run, so that it is gone
// for good (its socket removed) before the next test's server takes the same number.
class CXServer : public ::testing::Environment {
public:
    void SetUp() override
    {
        // A server that announces its number but then cannot be reached (it lost the number
        // to another one starting at the same moment) is ended and another started.
        for (int nTry = 0; nTry < 3; ++nTry) {
            const std::string strNumber = Start();
            if (!strNumber.empty() && Reachable(strNumber)) {
                setenv("DISPLAY", (":" + strNumber).c_str(), 1);
                unsetenv("XAUTHORITY");
                return;
            }
            TearDown();
        }
        FAIL() << "Xvfb did not start";
    }
    void TearDown() override
    {
        if (m_pid <= 0)
            return;
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    // The display number the server announces, empty when it announces none.
    std::string Start()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return {};
        m_pid = fork();
        if (m_pid == 0) {
            close(fds[0]);
            const std::string strFd = std::to_string(fds[1]);
            execl(XVFB, XVFB, "-displayfd", strFd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string strNumber;
        char c = 0;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            strNumber += c;
        close(fds[0]);
        return strNumber;
    }

    // Whether a client can connect to the server's socket within 10 s, while it runs.
    bool Reachable(const std::string& strNumber)
    {
        const std::string strSocket = "/tmp/.X11-unix/X" + strNumber;
        bool bConnected = false;
        WaitUntil([&] {
            if (waitpid(m_pid, nullptr, WNOHANG) != 0) {
                m_pid = -1;  // ended, and reaped
                return true;
            }
            const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::snprintf(address.sun_path, sizeof address.sun_path, "%s", strSocket.c_str());
            bConnected = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
            close(fd);
            return bConnected;
        }, 10000);
        return bConnected && m_pid > 0;
    }

    pid_t m_pid = -1;
};

[[maybe_unused]] ::testing::Environment* const g_pXServer = ::testing::AddGlobalTestEnvironment(new CXServer);

std::vector<std::string> Viewer(std::vector<std::string> args)
{
    args.insert(args.begin(), TESSARON_PATH);
    return args;
}

TEST(TessaronProcess, OptionsAnswerOnTheTerminalWithoutAnyWindow)
{
    const SProcessResult help = RunProcess({"/usr/bin/env", "-u", "DISPLAY", TESSARON_PATH, "--help", "x.3ds"});
    EXPECT_EQ(help.nExitCode, 0);
    EXPECT_TRUE(help.strOut.starts_with("Usage: tessaron [OPTION]... [FILE]...\n")) << help.strOut;
    EXPECT_NE(help.strOut.find("--new-instance"), std::string::npos);
    EXPECT_EQ(help.strErr, "");
    const SProcessResult version = RunProcess({"/usr/bin/env", "-u", "DISPLAY", TESSARON_PATH, "--version"});
    EXPECT_EQ(version.nExitCode, 0);
    EXPECT_EQ(version.strOut, "tessaron " TESSARON_VERSION "\n");

    CSession session;
    CProcess unknown(Viewer({"house.3ds", "--frobnicate"}), session.Environment());
    EXPECT_EQ(unknown.Wait(20000), 2);
    const SProcessResult error = RunProcess({TESSARON_PATH, "-x.3ds"});
    EXPECT_EQ(error.nExitCode, 2);
    EXPECT_EQ(error.strOut, "");
    EXPECT_EQ(Lines(error.strErr), (std::vector<std::string>{"tessaron: unknown option '-x.3ds' (see tessaron --help)"}));
    EXPECT_TRUE(MainWindowTitles().empty());
    EXPECT_FALSE(session.HasSocket());
}

TEST(TessaronProcess, ASecondLaunchHandsItsFilesToTheRunningViewerAndEnds)
{
    CSession session;
    CProcess first(Viewer({"house.3ds"}), session.Environment());
    ASSERT_TRUE(ShowsTitles({"Tessaron - house.3ds"}));
    ASSERT_TRUE(WaitUntil([&] { return session.HasSocket(); }));

    auto env = session.Environment();
    env["DESKTOP_STARTUP_ID"] = "launcher-1_TIME4242";
    CProcess second(Viewer({"cube.3ds", "--", "pyramid.3ds"}), env);
    EXPECT_EQ(second.Wait(10000), 0);
    EXPECT_TRUE(ShowsTitles({"Tessaron - pyramid.3ds"}));
    EXPECT_TRUE(first.Running());
    const SProcessResult startupId =
        RunProcess({XPROP, "-id", WindowOfTitle("Tessaron - pyramid.3ds"), "_NET_STARTUP_ID"});
    EXPECT_EQ(startupId.strOut, "_NET_STARTUP_ID(UTF8_STRING) = \"launcher-1_TIME4242\"\n");

    CProcess own(Viewer({"--new-instance", "cube.3ds"}), session.Environment());
    EXPECT_TRUE(ShowsTitles({"Tessaron - cube.3ds", "Tessaron - pyramid.3ds"}));
    EXPECT_TRUE(own.Running());
}

TEST(TessaronProcess, AViewerThatIsGoneOrHangsDoesNotHoldUpTheNextLaunch)
{
    CSession session;
    {
        CProcess crashed(Viewer({}), session.Environment());
        ASSERT_TRUE(WaitUntil([&] { return session.HasSocket() && !MainWindowTitles().empty(); }));
        crashed.Signal(SIGKILL);
        EXPECT_EQ(crashed.Wait(10000), -1);
    }
    ASSERT_TRUE(session.HasSocket());  // left behind
    CProcess next(Viewer({"house.3ds"}), session.Environment());
    ASSERT_TRUE(ShowsTitles({"Tessaron - house.3ds"}));
    // It took the name over: the launch after it hands over.
    CProcess handing(Viewer({"cube.3ds"}), session.Environment());
    EXPECT_EQ(handing.Wait(10000), 0);
    EXPECT_TRUE(ShowsTitles({"Tessaron - cube.3ds"}));

    next.Signal(SIGSTOP);
    CProcess beside(Viewer({"pyramid.3ds"}), session.Environment());
    EXPECT_TRUE(ShowsTitles({"Tessaron - cube.3ds", "Tessaron - pyramid.3ds"}));
    EXPECT_TRUE(beside.Running());
    // Once it is going again, the hung viewer does not open what the launch opened itself.
    next.Signal(SIGCONT);
    CProcess last(Viewer({"house.3ds"}), session.Environment());
    EXPECT_EQ(last.Wait(10000), 0);
    EXPECT_TRUE(ShowsTitles({"Tessaron - house.3ds", "Tessaron - pyramid.3ds"}));
}

TEST(TessaronProcess, TheDesktopOpensAModelInTheViewerThroughItsEntry)
{
    CSession session;
    const std::string strData = session.Root() + "/data";
    fs::create_directories(strData + "/applications");
    {
        std::ifstream in(std::string(SOURCE_DIR) + "/app/resources/tessaron.desktop");
        std::ofstream out(strData + "/applications/tessaron.desktop");
        for (std::string line; std::getline(in, line);)
            out << (line.starts_with("Exec=tessaron ") ? "Exec=" TESSARON_PATH + line.substr(13) : line) << "\n";
    }
    EXPECT_EQ(RunProcess({UPDATE_DESKTOP_DATABASE, strData + "/applications"}).nExitCode, 0);
    auto env = session.Environment();
    env["XDG_DATA_HOME"] = strData;
    auto gio = [&](std::vector<std::string> args) {
        std::vector<std::string> argv = {"/usr/bin/env"};
        for (const auto& [name, value] : env)
            argv.push_back(name + "=" + value);
        argv.push_back(GIO);
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProcess(argv);
    };
    // Shared-mime-info gives *.3ds to a game cartridge too; the model's first bytes decide.
    EXPECT_NE(gio({"info", "-a", "standard::content-type", kSamples + "/house.3ds"}).strOut.find(
                  "standard::content-type: image/x-3ds\n"),
              std::string::npos);
    EXPECT_EQ(gio({"mime", "image/x-3ds", "tessaron.desktop"}).nExitCode, 0);
    // Not through RunProcess: the viewer that gio starts keeps its output streams open.
    CProcess opener({GIO, "open", kSamples + "/house.3ds"}, env, "/");
    EXPECT_EQ(opener.Wait(10000), 0);
    EXPECT_TRUE(ShowsTitles({"Tessaron - house.3ds"}));
    // The caption can be on the screen a moment before the search finds exactly one window
    // of it with its process id.
    std::string strPid;
    EXPECT_TRUE(WaitUntil([&] {
        const std::string strWindow = WindowOfTitle("Tessaron - house.3ds");
        const auto lines = strWindow.empty() ? std::vector<std::string>{}
                                             : Lines(RunProcess({XDOTOOL, "getwindowpid", strWindow}).strOut);
        strPid = lines.empty() ? std::string() : lines.front();
        return !strPid.empty();
    }, 10000));
    ASSERT_FALSE(strPid.empty());
    kill(std::stoi(strPid), SIGTERM);
    EXPECT_TRUE(ShowsTitles({}));
}

} // namespace
