#pragma once

#include "HandOverMessage.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

class QSocketNotifier;
class QTimer;

// Where the running viewer of this user on this display takes other launches' files: a
// socket in $XDG_RUNTIME_DIR named after the display. Empty where there is no safe place:
// no such variable, or a folder that is not the user's own or that others may enter.
std::string ViewerSocketPath(const std::string& strDisplay);

enum class EHandOverResult {
    Delivered,  // the running viewer has the files
    NoViewer,   // nobody listens there (no socket, or one left behind)
    NoAnswer,   // something listens but did not take the files in time
};

// Hands the files to the viewer listening at the path, waiting at most nTimeoutMs for it to
// take them. Plain POSIX calls: it runs before the toolkit is started, so a launch that
// only hands its files over stays short.
EHandOverResult HandOverToViewer(const std::string& strSocketPath, const SHandOver& handOver, int nTimeoutMs = 1000);

// The running viewer's end. Only a peer of this user is read, and of that only one bounded
// message; a connection that sends anything else, or too slowly, is dropped.
class CViewerSocket : public QObject {
    Q_OBJECT
public:
    explicit CViewerSocket(std::string strPath, QObject* pParent = nullptr);
    ~CViewerSocket() override;
    CViewerSocket(const CViewerSocket&) = delete;
    CViewerSocket& operator=(const CViewerSocket&) = delete;

    // Takes the name when it is free or left behind by a viewer that is gone. While another
    // viewer answers there it tries again now and then, so that this one takes over once
    // that one is gone. False when it does not listen now.
    bool Listen();
    bool IsListening() const { return m_nListenFd >= 0; }
    const std::string& Path() const { return m_strPath; }

    // Told of each complete message, after its sender has had its answer.
    std::function<void(SHandOver)> m_fnHandedOver;

private:
    struct SConnection;

    bool Bind();
    void Accept();
    void Read(SConnection* pConnection);
    void Drop(SConnection* pConnection);

    std::string m_strPath;
    int m_nListenFd = -1;
    dev_t m_nDevice = 0;  // the socket file this viewer made, removed only if still there
    ino_t m_nInode = 0;
    QSocketNotifier* m_pListenNotifier = nullptr;
    QTimer* m_pRetry = nullptr;
    std::vector<std::unique_ptr<SConnection>> m_connections;
};
