#pragma once

#include "geometry/TextureLevels.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

// Decodes a view's texture files on worker threads of a pool of their own, so a model with
// many large textures never holds up the window. A worker does only the pure work from a
// file's bytes to pixels (DecodeTextureFile) and on to the texture's whole mipmap chain
// (TextureLevels), so the GUI thread is left only copying texels into GL, and touches
// nothing shared; its result comes
// back to this object's thread through the queued signal of a future watcher, and only
// there is it handed to fnAccept. No locks.
//
// Destroying the decoder drops every answer not yet delivered: the watchers go with it, so
// no queued answer can reach a view that is gone; decodes not yet started are skipped, and
// one under way finishes on its worker and is freed there.
class CTextureDecoder : public QObject {
    Q_OBJECT
public:
    using FAccept = std::function<void(const std::string& strPath, ETextureStatus eStatus, STextureLevels levels)>;

    explicit CTextureDecoder(FAccept fnAccept, QObject* pParent = nullptr);
    ~CTextureDecoder() override;

    // Starts decoding strPath at most nMaxSide a side; fnAccept hears of it later.
    void Request(const std::string& strPath, int nMaxSide);
    // Decodes asked for whose answers are not yet delivered.
    int Pending() const { return m_nPending; }
    // Every decoder's workers are idle (within nMilliseconds), and how many there are.
    static bool WaitForWorkers(int nMilliseconds = -1);
    static int Workers();

private:
    FAccept m_fnAccept;
    std::shared_ptr<std::atomic<bool>> m_pCancelled = std::make_shared<std::atomic<bool>>(false);
    int m_nPending = 0;
};
