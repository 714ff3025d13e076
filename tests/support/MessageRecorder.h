#pragma once

#include "platform/MessageBox.h"

#include <string>
#include <vector>

// Installs a sink that records every message box instead of showing it, for one scope.
class CMessageRecorder {
public:
    struct SMessage {
        std::string strText;
        std::string strCaption;
        void* pOwner;
    };

    CMessageRecorder()
    {
        m_previous = SetMessageBoxSink([this](const std::string& t, const std::string& c, void* o, unsigned) {
            m_aMessages.push_back({t, c, o});
            return IDOK;
        });
    }
    ~CMessageRecorder() { SetMessageBoxSink(std::move(m_previous)); }
    CMessageRecorder(const CMessageRecorder&) = delete;
    CMessageRecorder& operator=(const CMessageRecorder&) = delete;

    std::vector<SMessage> m_aMessages;

private:
    MessageBoxSink m_previous;
};
