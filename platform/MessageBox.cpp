#include "MessageBox.h"

#include <cstdio>

const char* const g_szAppTitle = "Tessaron";

namespace {

int StderrSink(const std::string& strText, const std::string& strCaption, void*, unsigned)
{
    std::fprintf(stderr, "%s: %s\n", strCaption.c_str(), strText.c_str());
    return IDOK;
}

MessageBoxSink& Sink()
{
    static MessageBoxSink s_sink = StderrSink;
    return s_sink;
}

} // namespace

MessageBoxSink SetMessageBoxSink(MessageBoxSink sink)
{
    MessageBoxSink previous = std::move(Sink());
    Sink() = sink ? std::move(sink) : MessageBoxSink(StderrSink);
    return previous;
}

int MessageBox(void* pOwner, const std::string& strText, const std::string& strCaption, unsigned nType)
{
    return Sink()(strText, strCaption, pOwner, nType);
}

int AfxMessageBox(const std::string& strText, unsigned nType)
{
    return Sink()(strText, g_szAppTitle, nullptr, nType);
}
