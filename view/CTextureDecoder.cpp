#include "CTextureDecoder.h"

#include "platform/DecodeTexture.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace {

struct SDecoded {
    ETextureStatus eStatus = ETextureStatus::unreadable;
    STextureImage image;
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
            m_fnAccept(strPath, decoded.eStatus, std::move(decoded.image));
    });
    // The worker gets copies of what it needs and a flag to skip work nobody waits for.
    pWatcher->setFuture(QtConcurrent::run([strPath, nMaxSide, pCancelled = m_pCancelled] {
        SDecoded decoded;
        if (!pCancelled->load())
            decoded.eStatus = DecodeTextureFile(strPath, nMaxSide, decoded.image);
        return decoded;
    }));
}
