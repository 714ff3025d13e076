#include "CViewerSocket.h"

#include <QSocketNotifier>
#include <QTimer>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kMaxConnections = 8;
constexpr int kReadTimeoutMs = 2000;  // a sender that stalls longer is dropped
constexpr int kRetryMs = 3000;        // how often a viewer without the name asks for it
constexpr char kAccepted = 'K';

bool MakeAddress(const std::string& strPath, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (strPath.empty() || strPath.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, strPath.data(), strPath.size());
    return true;
}

bool PeerIsThisUser(int nFd)
{
    ucred cred{};
    socklen_t nLength = sizeof cred;
    return getsockopt(nFd, SOL_SOCKET, SO_PEERCRED, &cred, &nLength) == 0 && nLength == sizeof cred &&
           cred.uid == geteuid();
}

// 0 when connected, else the errno of the attempt (EAGAIN: the listener's queue is full).
int ConnectNow(int nFd, const std::string& strPath)
{
    sockaddr_un address;
    if (!MakeAddress(strPath, address))
        return ENAMETOOLONG;
    if (connect(nFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return 0;
    return errno;
}

class CFd {
public:
    explicit CFd(int nFd) : m_nFd(nFd) {}
    ~CFd()
    {
        if (m_nFd >= 0)
            close(m_nFd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_nFd; }

private:
    int m_nFd;
};

int MillisecondsLeft(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

bool WaitFor(int nFd, short nEvents, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        pollfd pfd{nFd, nEvents, 0};
        const int n = poll(&pfd, 1, MillisecondsLeft(deadline));
        if (n > 0)
            return (pfd.revents & nEvents) != 0;
        if (n == 0 || errno != EINTR)
            return false;
    }
}

} // namespace

std::string ViewerSocketPath(const std::string& strDisplay)
{
    const char* pszDir = std::getenv("XDG_RUNTIME_DIR");
    if (pszDir == nullptr || pszDir[0] != '/')
        return {};
    // The folder itself keeps other users out, so it must be the user's own and closed to
    // everyone else; a link could be turned to another folder in between.
    struct stat st {};
    if (lstat(pszDir, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid() || (st.st_mode & 077) != 0)
        return {};
    std::string strName;
    for (char c : strDisplay.substr(0, 64))
        strName += std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' ? c : '_';
    std::string strPath = std::string(pszDir) + (std::string_view(pszDir).ends_with('/') ? "" : "/") + "tessaron-" +
                          (strName.empty() ? "default" : strName) + ".sock";
    sockaddr_un address;
    return MakeAddress(strPath, address) ? strPath : std::string();
}

EHandOverResult HandOverToViewer(const std::string& strSocketPath, const SHandOver& handOver, int nTimeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
    const std::string strMessage = EncodeHandOver(handOver);
    if (strMessage.empty())
        return EHandOverResult::NoAnswer;
    struct stat st {};
    if (lstat(strSocketPath.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode))
        return EHandOverResult::NoViewer;
    CFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (fd.Get() < 0)
        return EHandOverResult::NoAnswer;
    const int nError = ConnectNow(fd.Get(), strSocketPath);
    if (nError == ECONNREFUSED || nError == ENOENT)
        return EHandOverResult::NoViewer;
    // A Unix socket connects at once or not at all; a full queue (EAGAIN) is a viewer
    // that does not take its calls.
    if (nError != 0 || !PeerIsThisUser(fd.Get()))
        return EHandOverResult::NoAnswer;

    std::size_t nSent = 0;
    while (nSent < strMessage.size()) {
        const ssize_t n = send(fd.Get(), strMessage.data() + nSent, strMessage.size() - nSent, MSG_NOSIGNAL);
        if (n > 0) {
            nSent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            if (!WaitFor(fd.Get(), POLLOUT, deadline))
                return EHandOverResult::NoAnswer;
        } else {
            return EHandOverResult::NoAnswer;
        }
    }
    while (WaitFor(fd.Get(), POLLIN, deadline)) {
        char c = 0;
        const ssize_t n = recv(fd.Get(), &c, 1, 0);
        if (n == 1)
            return c == kAccepted ? EHandOverResult::Delivered : EHandOverResult::NoAnswer;
        if (n == 0 || (errno != EINTR && errno != EAGAIN))
            break;
    }
    return EHandOverResult::NoAnswer;
}

struct CViewerSocket::SConnection {
    int nFd = -1;
    QSocketNotifier* pNotifier = nullptr;
    QTimer* pTimeout = nullptr;
    std::string strBytes;
};

CViewerSocket::CViewerSocket(std::string strPath, QObject* pParent) : QObject(pParent), m_strPath(std::move(strPath))
{
}

CViewerSocket::~CViewerSocket()
{
    while (!m_connections.empty())
        Drop(m_connections.back().get());
    if (m_nListenFd < 0)
        return;
    delete m_pListenNotifier;
    close(m_nListenFd);
    // Only the file this viewer made: another viewer may have taken the name since.
    struct stat st {};
    if (lstat(m_strPath.c_str(), &st) == 0 && st.st_dev == m_nDevice && st.st_ino == m_nInode)
        unlink(m_strPath.c_str());
}

bool CViewerSocket::Listen()
{
    if (m_nListenFd >= 0)
        return true;
    struct stat st {};
    if (lstat(m_strPath.c_str(), &st) == 0) {
        // Whatever else stands there was not made by a viewer of this user: leave it be.
        if (!S_ISSOCK(st.st_mode) || st.st_uid != geteuid())
            return false;
        CFd probe(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (probe.Get() < 0)
            return false;
        const int nError = ConnectNow(probe.Get(), m_strPath);
        if (nError == ECONNREFUSED) {
            unlink(m_strPath.c_str());  // left behind by a viewer that is gone
        } else if (nError != ENOENT) {
            // Another viewer answers, or hangs with its queue full.
            if (m_pRetry == nullptr) {
                m_pRetry = new QTimer(this);
                connect(m_pRetry, &QTimer::timeout, this, [this] { Listen(); });
                m_pRetry->start(kRetryMs);
            }
            return false;
        }
    } else if (errno != ENOENT) {
        return false;
    }
    return Bind();
}

bool CViewerSocket::Bind()
{
    sockaddr_un address;
    if (!MakeAddress(m_strPath, address))
        return false;
    const int nFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (nFd < 0)
        return false;
    if (bind(nFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(nFd);
        return false;  // another viewer came first; the retry timer, if any, goes on
    }
    struct stat st {};
    if (chmod(m_strPath.c_str(), 0600) != 0 || lstat(m_strPath.c_str(), &st) != 0 || listen(nFd, 16) != 0) {
        unlink(m_strPath.c_str());
        close(nFd);
        return false;
    }
    m_nListenFd = nFd;
    m_nDevice = st.st_dev;
    m_nInode = st.st_ino;
    if (m_pRetry) {
        m_pRetry->stop();
        m_pRetry->deleteLater();
        m_pRetry = nullptr;
    }
    m_pListenNotifier = new QSocketNotifier(nFd, QSocketNotifier::Read, this);
    connect(m_pListenNotifier, &QSocketNotifier::activated, this, &CViewerSocket::Accept);
    return true;
}

void CViewerSocket::Accept()
{
    for (;;) {
        const int nFd = accept4(m_nListenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (nFd < 0)
            return;
        if (m_connections.size() >= kMaxConnections || !PeerIsThisUser(nFd)) {
            close(nFd);
            continue;
        }
        auto connection = std::make_unique<SConnection>();
        SConnection* p = connection.get();
        p->nFd = nFd;
        p->pNotifier = new QSocketNotifier(nFd, QSocketNotifier::Read, this);
        connect(p->pNotifier, &QSocketNotifier::activated, this, [this, p] { Read(p); });
        p->pTimeout = new QTimer(this);
        p->pTimeout->setSingleShot(true);
        connect(p->pTimeout, &QTimer::timeout, this, [this, p] { Drop(p); });
        p->pTimeout->start(kReadTimeoutMs);
        m_connections.push_back(std::move(connection));
    }
}

void CViewerSocket::Read(SConnection* p)
{
    char buffer[16384];
    for (;;) {
        const ssize_t n = recv(p->nFd, buffer, std::min(sizeof buffer, kMaxHandOverBytes + 1 - p->strBytes.size()), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return;
        if (n <= 0) {
            Drop(p);  // closed before a whole message came
            return;
        }
        p->strBytes.append(buffer, static_cast<std::size_t>(n));
        SHandOver handOver;
        switch (DecodeHandOver(p->strBytes, handOver)) {
        case EHandOverDecode::Incomplete: break;
        case EHandOverDecode::Malformed: Drop(p); return;
        case EHandOverDecode::Complete: {
            // A sender that gave up waiting has started a viewer of its own with these
            // files: opening them here too would show each twice.
            const bool bAnswered = send(p->nFd, &kAccepted, 1, MSG_NOSIGNAL | MSG_DONTWAIT) == 1;
            Drop(p);
            if (bAnswered && m_fnHandedOver)
                m_fnHandedOver(std::move(handOver));
            return;
        }
        }
    }
}

void CViewerSocket::Drop(SConnection* p)
{
    auto it = std::find_if(m_connections.begin(), m_connections.end(), [p](const auto& c) { return c.get() == p; });
    if (it == m_connections.end())
        return;
    // Either may be the sender of the signal being handled.
    p->pNotifier->setEnabled(false);
    p->pNotifier->deleteLater();
    p->pTimeout->stop();
    p->pTimeout->deleteLater();
    close(p->nFd);
    m_connections.erase(it);
}
