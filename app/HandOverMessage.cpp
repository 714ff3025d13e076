#include "HandOverMessage.h"

#include <cstdint>
#include <optional>

namespace {

constexpr std::string_view kMagic = "TSR1";

void PutLength(std::string& str, std::size_t n)
{
    for (int i = 0; i < 4; ++i)
        str += static_cast<char>((n >> (8 * i)) & 0xFF);
}

bool IsToken(std::string_view str)
{
    if (str.size() > kMaxHandOverToken)
        return false;
    for (char c : str)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

bool IsPath(std::string_view str)
{
    return !str.empty() && str.size() <= kMaxHandOverPath && str.find('\0') == std::string_view::npos;
}

// A cursor over the bytes that have arrived; every read is checked against their end.
class CReader {
public:
    explicit CReader(std::string_view bytes) : m_bytes(bytes) {}
    // Nullopt when the bytes end first.
    std::optional<std::size_t> Length()
    {
        if (m_bytes.size() - m_nPos < 4)
            return std::nullopt;
        std::uint32_t n = 0;
        for (int i = 0; i < 4; ++i)
            n |= static_cast<std::uint32_t>(static_cast<unsigned char>(m_bytes[m_nPos + i])) << (8 * i);
        m_nPos += 4;
        return n;
    }
    std::optional<std::string_view> Bytes(std::size_t n)
    {
        if (n > m_bytes.size() - m_nPos)
            return std::nullopt;
        std::string_view sv = m_bytes.substr(m_nPos, n);
        m_nPos += n;
        return sv;
    }
    bool AtEnd() const { return m_nPos == m_bytes.size(); }

private:
    std::string_view m_bytes;
    std::size_t m_nPos = 0;
};

} // namespace

std::string EncodeHandOver(const SHandOver& handOver)
{
    if (handOver.aFiles.empty() || handOver.aFiles.size() > kMaxHandOverFiles || !IsToken(handOver.strStartupId) ||
        !IsToken(handOver.strActivationToken))
        return {};
    std::string str(kMagic);
    PutLength(str, handOver.aFiles.size());
    for (const std::string* pToken : {&handOver.strStartupId, &handOver.strActivationToken}) {
        PutLength(str, pToken->size());
        str += *pToken;
    }
    for (const std::string& strFile : handOver.aFiles) {
        if (!IsPath(strFile))
            return {};
        PutLength(str, strFile.size());
        str += strFile;
    }
    return str.size() <= kMaxHandOverBytes ? str : std::string();
}

EHandOverDecode DecodeHandOver(std::string_view bytes, SHandOver& handOver)
{
    // This never looks past the bytes given and always ends: every length is checked
    // against its bound before any byte of it is awaited.
    if (bytes.size() > kMaxHandOverBytes)
        return EHandOverDecode::Malformed;
    if (bytes.substr(0, kMagic.size()) != kMagic.substr(0, bytes.size()))
        return EHandOverDecode::Malformed;
    CReader reader(bytes);
    if (!reader.Bytes(kMagic.size()))
        return EHandOverDecode::Incomplete;
    SHandOver result;
    const auto nFiles = reader.Length();
    if (!nFiles)
        return EHandOverDecode::Incomplete;
    if (*nFiles == 0 || *nFiles > kMaxHandOverFiles)
        return EHandOverDecode::Malformed;
    for (std::string* pToken : {&result.strStartupId, &result.strActivationToken}) {
        const auto nLength = reader.Length();
        if (!nLength)
            return EHandOverDecode::Incomplete;
        if (*nLength > kMaxHandOverToken)
            return EHandOverDecode::Malformed;
        const auto token = reader.Bytes(*nLength);
        if (token && !IsToken(*token))
            return EHandOverDecode::Malformed;
        if (!token)
            return EHandOverDecode::Incomplete;
        *pToken = std::string(*token);
    }
    for (std::size_t i = 0; i < *nFiles; ++i) {
        const auto nLength = reader.Length();
        if (!nLength)
            return EHandOverDecode::Incomplete;
        if (*nLength == 0 || *nLength > kMaxHandOverPath)
            return EHandOverDecode::Malformed;
        const auto path = reader.Bytes(*nLength);
        if (!path)
            return EHandOverDecode::Incomplete;
        if (!IsPath(*path))
            return EHandOverDecode::Malformed;
        result.aFiles.emplace_back(*path);
    }
    if (!reader.AtEnd())
        return EHandOverDecode::Malformed;
    handOver = std::move(result);
    return EHandOverDecode::Complete;
}
