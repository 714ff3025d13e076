// libFuzzer target for what another process may send the running viewer: any bytes, read
// as one hand-over message. Besides the sanitizers it aborts when a message is taken whose
// bytes would not be written for it, or when a message's beginning is already refused.

#include "app/HandOverMessage.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

[[noreturn]] void Fail(const char* pszRule)
{
    std::fprintf(stderr, "broken rule: %s\n", pszRule);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const std::string_view bytes(reinterpret_cast<const char*>(pData), nSize);
    SHandOver handOver;
    if (DecodeHandOver(bytes, handOver) != EHandOverDecode::Complete)
        return 0;
    if (EncodeHandOver(handOver) != bytes)
        Fail("a message taken is not what its contents encode to");
    // The viewer reads as bytes arrive: no beginning of a good message may be refused.
    for (std::size_t n = 0; n < nSize && n < 2048; ++n) {
        SHandOver partial;
        if (DecodeHandOver(bytes.substr(0, n), partial) != EHandOverDecode::Incomplete)
            Fail("the beginning of a good message is not incomplete");
    }
    return 0;
}
