// One viewer per user and display: the socket another launch hands its files over, and
// what the running viewer does with what arrives there.
#include "AppFixture.h"

#include "app/CViewerSocket.h"
#include "platform/CDocument.h"
#include "platform/CMultiDocTemplate.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A raw connection to a socket path, for what no viewer would send.
class CClient {
public:
    explicit CClient(const std::string& strPath) : m_nFd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, strPath.c_str(), strPath.size() + 1);
        m_bConnected = connect(m_nFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~CClient() { close(m_nFd); }
    CClient(const CClient&) = delete;
    CClient& operator=(const CClient&) = delete;
    bool Connected() const { return m_bConnected; }
    int Fd() const { return m_nFd; }
    void Send(const std::string& str) { EXPECT_EQ(send(m_nFd, str.data(), str.size(), MSG_NOSIGNAL), ssize_t(str.size())); }
    // Whether the other end has hung up, spinning the event loop meanwhile.
    bool WaitForHangUp(int nMs)
    {
        return QTest::qWaitFor([this] {
            char c;
            return recv(m_nFd, &c, 1, MSG_DONTWAIT) == 0;
        }, nMs);
    }

private:
    int m_nFd;
    bool m_bConnected = false;
};

// A socket bound at a path that is never served: listening (a viewer that hangs) or not
// (a viewer that is gone; the file stays when the descriptor closes).
class CDeadSocket {
public:
    CDeadSocket(const std::string& strPath, bool bListen) : m_nFd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, strPath.c_str(), strPath.size() + 1);
        EXPECT_EQ(bind(m_nFd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        if (bListen) {
            EXPECT_EQ(listen(m_nFd, 4), 0);
        }
    }
    ~CDeadSocket() { Close(); }
    CDeadSocket(const CDeadSocket&) = delete;
    CDeadSocket& operator=(const CDeadSocket&) = delete;
    void Close()
    {
        if (m_nFd >= 0)
            close(m_nFd);
        m_nFd = -1;
    }

private:
    int m_nFd;
};

std::string Length(std::uint32_t n)
{
    return std::string{char(n & 0xFF), char((n >> 8) & 0xFF), char((n >> 16) & 0xFF), char(n >> 24)};
}

// A hand-over from another thread, as from another process: the viewer's loop must run
// meanwhile to answer.
EHandOverResult HandOverWhileSpinning(const std::string& strPath, const SHandOver& handOver, int nTimeoutMs = 1000)
{
    EHandOverResult result{};
    bool bDone = false;
    std::thread sender([&] {
        result = HandOverToViewer(strPath, handOver, nTimeoutMs);
        bDone = true;
    });
    (void)QTest::qWaitFor([&] { return bDone; }, nTimeoutMs + 5000);
    sender.join();
    return result;
}

class ViewerSocket : public App {
protected:
    std::unique_ptr<CTessaronApp> StartListening()
    {
        m_args = {"tessaron"};
        m_argv = {m_args[0].data()};
        m_argc = 1;
        auto pApp = std::make_unique<CTessaronApp>(m_argc, m_argv.data());
        pApp->SetLaunchSocketPath(m_strPath);
        EXPECT_TRUE(pApp->InitInstance());
        (void)QTest::qWaitForWindowExposed(pApp->MainFrame());
        return pApp;
    }
    std::vector<std::string> Titles(CTessaronApp& app)
    {
        std::vector<std::string> titles;
        for (QMdiSubWindow* pSub : app.MainFrame()->MdiArea()->subWindowList(QMdiArea::CreationOrder))
            titles.push_back(pSub->windowTitle().toStdString());
        return titles;
    }

    CTempFile m_runtime{{}};
    std::string m_strPath = m_runtime.Dir() + "/tessaron-test.sock";
};

TEST_F(ViewerSocket, HandedFilesOpenInTheRunningViewerInOrder)
{
    auto pApp = StartListening();
    ASSERT_TRUE(pApp->LaunchSocket() && pApp->LaunchSocket()->IsListening());
    struct stat st {};
    ASSERT_EQ(lstat(m_strPath.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    pApp->MainFrame()->showMinimized();

    SHandOver handOver{{Sample("house.3ds"), "/nowhere/missing.3ds", Sample("cube.3ds")}, "launch_TIME42", ""};
    EXPECT_EQ(HandOverWhileSpinning(m_strPath, handOver), EHandOverResult::Delivered);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Titles(*pApp).size() == 2; }, 10000));
    EXPECT_EQ(Titles(*pApp), (std::vector<std::string>{"house.3ds", "cube.3ds"}));
    ASSERT_EQ(m_recorder.m_aMessages.size(), 1u);
    EXPECT_EQ(m_recorder.m_aMessages[0].strText, FormatFileNotFound("missing.3ds"));
    EXPECT_EQ(pApp->RecentFiles().Entries(), (std::vector<std::string>{Sample("cube.3ds"), Sample("house.3ds")}));
    EXPECT_FALSE(pApp->MainFrame()->isMinimized());

    // The name goes with the viewer, so the next launch starts one of its own at once.
    pApp.reset();
    EXPECT_FALSE(fs::exists(fs::symlink_status(m_strPath)));
}

TEST_F(ViewerSocket, MalformedOversizedAndHalfSentMessagesAreDroppedAndTheViewerGoesOn)
{
    auto pApp = StartListening();
    const std::string strHouse = Sample("house.3ds");
    const std::string strGood = EncodeHandOver({{strHouse}, "", ""});
    ASSERT_FALSE(strGood.empty());
    const std::vector<std::string> bad = {
        "GET / HTTP/1.0\r\n\r\n",
        "TSR1" + Length(100000),                                       // too many files
        "TSR1" + Length(1) + Length(0) + Length(0) + Length(1 << 20),  // a path too long
        "TSR1" + Length(1) + Length(0) + Length(0) + Length(1) + std::string(1, '\0'),
        strGood + "x",  // more than one message
        "TSR1" + Length(1) + Length(3) + "a\nb" + Length(0) + Length(1) + "/",
    };
    for (const std::string& strBad : bad) {
        CClient client(m_strPath);
        ASSERT_TRUE(client.Connected());
        client.Send(strBad);
        EXPECT_TRUE(client.WaitForHangUp(5000)) << strBad.size();
    }
    CClient halfSent(m_strPath);
    halfSent.Send(strGood.substr(0, strGood.size() - 3));
    EXPECT_TRUE(halfSent.WaitForHangUp(5000));
    {
        // Whole, but its sender is gone before the viewer answers.
        CClient gaveUp(m_strPath);
        gaveUp.Send(EncodeHandOver({{Sample("cube.3ds")}, "", ""}));
    }
    EXPECT_TRUE(Titles(*pApp).empty());
    EXPECT_TRUE(m_recorder.m_aMessages.empty());

    EXPECT_EQ(HandOverWhileSpinning(m_strPath, {{strHouse}, "", ""}), EHandOverResult::Delivered);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Titles(*pApp).empty(); }, 10000));
    EXPECT_EQ(Titles(*pApp), (std::vector<std::string>{"house.3ds"}));
    EXPECT_EQ(pApp->RecentFiles().Entries(), (std::vector<std::string>{strHouse}));
}

TEST_F(ViewerSocket, ANameLeftBehindIsTakenOverAndOneMadeByHandIsLeftAlone)
{
    {
        CDeadSocket gone(m_strPath, false);
    }
    ASSERT_TRUE(fs::is_socket(m_strPath));
    EXPECT_EQ(HandOverToViewer(m_strPath, {{Sample("house.3ds")}, "", ""}), EHandOverResult::NoViewer);
    {
        CViewerSocket socket(m_strPath);
        EXPECT_TRUE(socket.Listen());
        SHandOver received;
        socket.m_fnHandedOver = [&](SHandOver h) { received = std::move(h); };
        EXPECT_EQ(HandOverWhileSpinning(m_strPath, {{"/a.3ds", "/b.3ds"}, "id", "token"}), EHandOverResult::Delivered);
        EXPECT_EQ(received.aFiles, (std::vector<std::string>{"/a.3ds", "/b.3ds"}));
        EXPECT_EQ(received.strStartupId, "id");
        EXPECT_EQ(received.strActivationToken, "token");
    }
    for (bool bLink : {false, true}) {
        fs::remove(m_strPath);
        if (bLink)
            fs::create_symlink(m_runtime.Path(), m_strPath);
        else
            std::ofstream(m_strPath) << "not a socket";
        EXPECT_EQ(HandOverToViewer(m_strPath, {{Sample("house.3ds")}, "", ""}), EHandOverResult::NoViewer);
        CViewerSocket socket(m_strPath);
        EXPECT_FALSE(socket.Listen());
        EXPECT_EQ(fs::is_symlink(m_strPath), bLink);
    }
    EXPECT_TRUE(fs::exists(m_runtime.Path()));
}

TEST_F(ViewerSocket, AViewerThatHangsHoldsUpALaunchForOneSecondAtMost)
{
    CDeadSocket hung(m_strPath, true);
    const auto start = Clock::now();
    EXPECT_EQ(HandOverToViewer(m_strPath, {{Sample("house.3ds")}, "", ""}), EHandOverResult::NoAnswer);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    EXPECT_LT(waited, std::chrono::milliseconds(2500));

    // The new viewer runs without the name, and takes it once the hung one is gone.
    CViewerSocket socket(m_strPath);
    EXPECT_FALSE(socket.Listen());
    hung.Close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return socket.IsListening(); }, 10000));
}

TEST_F(ViewerSocket, APeerOfAnotherUserIsNotRead)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "acting as another user needs root";
    CViewerSocket socket(m_strPath);
    ASSERT_TRUE(socket.Listen());
    bool bReceived = false;
    socket.m_fnHandedOver = [&](SHandOver) { bReceived = true; };
    // Only the folder and the socket's mode keep others out otherwise: open both.
    chmod(m_runtime.Dir().c_str(), 0711);
    chmod(m_strPath.c_str(), 0666);
    const std::string strMessage = EncodeHandOver({{"/a.3ds"}, "", ""});
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        CClient client(m_strPath);
        if (!client.Connected())
            _exit(4);
        (void)send(client.Fd(), strMessage.data(), strMessage.size(), MSG_NOSIGNAL);
        char c = 0;
        _exit(recv(client.Fd(), &c, 1, 0) == 1 ? 1 : 0);  // hung up on, unanswered
    }
    int nStatus = -1;
    EXPECT_TRUE(QTest::qWaitFor([&] { return waitpid(pid, &nStatus, WNOHANG) == pid; }, 10000));
    chmod(m_runtime.Dir().c_str(), 0700);
    EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0) << nStatus;
    EXPECT_FALSE(bReceived);
}

TEST(ViewerSocketPath, OnlyInARuntimeFolderOfTheUsersOwnThatOthersCannotEnter)
{
    const QByteArray previous = qgetenv("XDG_RUNTIME_DIR");
    CTempFile runtime({});
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.Dir()));
    EXPECT_EQ(ViewerSocketPath(":0"), runtime.Dir() + "/tessaron-_0.sock");
    EXPECT_EQ(ViewerSocketPath("wayland-1"), runtime.Dir() + "/tessaron-wayland-1.sock");
    EXPECT_EQ(ViewerSocketPath("../x:1.0"), runtime.Dir() + "/tessaron-.._x_1.0.sock");
    const std::string strLink = runtime.Dir() + "-link";
    fs::create_directory_symlink(runtime.Dir(), strLink);
    for (const std::string& strDir : {strLink, std::string("relative"), std::string()}) {
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(strDir));
        EXPECT_EQ(ViewerSocketPath(":0"), "") << strDir;
    }
    fs::remove(strLink);
    chmod(runtime.Dir().c_str(), 0750);
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.Dir()));
    EXPECT_EQ(ViewerSocketPath(":0"), "");
    chmod(runtime.Dir().c_str(), 0700);
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(ViewerSocketPath(":0"), "");
    if (!previous.isNull())
        qputenv("XDG_RUNTIME_DIR", previous);
}

} // namespace
