#include "CTextureDecoder.h"

#include "platform/DecodeTexture.h"

#include <QFutureWatcher>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <sys/resource.h>
#include <unistd.h>

#include <new>

namespace {

// The decoders' own threads, as many as there are cores. They run below the GUI thread
// (nice 10): on a machine whose cores they fill, the window still gets its turn at once,
// and a texture that shows a little later is not felt the way a window that waits is.
QThreadPool& DecodePool()
{
    static QThreadPool s_pool;
    return s_pool;
}

void LowerThisThreadsPriority()
{
    static thread_local bool s_bLowered = false;
    if (s_bLowered)
        return;
    s_bLowered = true;
    // On Linux a thread's nice value is its own, set through its id; where that is not so,
    // the decoder just runs at the priority it has.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
}

struct SDecoded {
    ETextureStatus eStatus = ETextureStatus::unreadable;
    STextureLevels levels;
};

} // namespace

CTextureDecoder::CTextureDecoder(FAccept fnAccept, QObject* pParent) : QObject(pParent), m_fnAccept(std::move(fnAccept))
{
}

CTextureDecoder::~CTextureDecoder()
{
    m_pCancelled->store(true);
}

bool CTextureDecoder::WaitForWorkers(int nMilliseconds)
{
    return DecodePool().waitForDone(nMilliseconds);
}

int CTextureDecoder::Workers()
{
    return DecodePool().maxThreadCount();
}

void CTextureDecoder::Request(const std::string& strPath, int nMaxSide)
{
    auto* pWatcher = new QFutureWatcher<SDecoded>(this);
    ++m_nPending;
    connect(pWatcher, &QFutureWatcherBase::finished, this, [this, pWatcher, strPath] {
        --m_nPending;
        SDecoded decoded = pWatcher->future().takeResult();
        pWatcher->deleteLater();
        if (m_fnAccept)
            m_fnAccept(strPath, decoded.eStatus, std::move(decoded.levels));
    });
    // The worker gets copies of what it needs and a flag to skip work nobody waits for.
    pWatcher->setFuture(QtConcurrent::run(&DecodePool(), [strPath, nMaxSide, pCancelled = m_pCancelled] {
        LowerThisThreadsPriority();
        SDecoded decoded;
        if (pCancelled->load())
            return decoded;
        STextureImage image;
        decoded.eStatus = DecodeTextureFile(strPath, nMaxSide, image);
        // Its levels take a third more again, and may not find the room.
        try {
            if (decoded.eStatus == ETextureStatus::ok && !pCancelled->load())
                decoded.levels = TextureLevels(std::move(image));
        } catch (const std::bad_alloc&) {
            decoded.levels = {};
            decoded.eStatus = ETextureStatus::tooLarge;
        }
        return decoded;
    }));
}
