#pragma once

#include "view/CGLDocument.h"

class C3DS;

// The model document: hands the file the framework opened to its view's model and
// reports a failed load. It holds no model data of its own and never writes anything.
class CTessaronDoc : public CGLDocument {
public:
    // m_cGLSetup comes first, from CGLDocument.
    C3DS* m_pC3DS = nullptr;  // the model of the first view, not owned

    bool OnNewDocument() override;
    void Serialize(CArchive& ar) override;
};

// The message a failed load shows, or an empty string for success.
std::string LoadFailureMessage(int nStatus);
