#include "CTessaronDoc.h"

#include "model/ReadStatus.h"
#include "platform/CArchive.h"
#include "platform/MessageBox.h"
#include "view/CTessaronView.h"

bool CTessaronDoc::OnNewDocument()
{
    return CGLDocument::OnNewDocument();
}

std::string LoadFailureMessage(int nStatus)
{
    if (nStatus == READ_OK)
        return {};
    if (IsNotA3dsFile(nStatus))
        return "Not a 3ds file.";
    return "ERROR " + std::to_string(nStatus) + " in m_c3DS.ReadFile()";
}

void CTessaronDoc::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
        return;  // nothing is ever written back
    auto* pView = dynamic_cast<CTessaronView*>(GetFirstView());
    if (pView == nullptr)
        return;
    m_pC3DS = &pView->m_c3DS;
    m_pC3DS->m_pArchive = &ar;
    const int nStatus = m_pC3DS->ReadFile("");
    m_pC3DS->m_pArchive = nullptr;  // the archive lives only for this load
    const std::string strMessage = LoadFailureMessage(nStatus);
    if (!strMessage.empty())
        MessageBox(nullptr, strMessage, "Import 3DS", MB_OK);
}
