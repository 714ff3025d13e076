#include "CTextureDecoder.h"

#include "platform/DecodeTexture.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include <new>

namespace {

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
    pWatcher->setFuture(QtConcurrent::run([strPath, nMaxSide, pCancelled = m_pCancelled] {
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
