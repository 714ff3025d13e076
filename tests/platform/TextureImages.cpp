#include "TextureImages.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

CTempTree::CTempTree(EWhere eWhere)
{
    std::error_code ec;
    const fs::path base = eWhere == kInMemory && fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm")
                                                                                  : fs::temp_directory_path();
    std::string strTemplate = (base / "tessaron-tex-XXXXXX").string();
    if (!::mkdtemp(strTemplate.data()))
        throw std::runtime_error("mkdtemp failed");
    m_root = fs::canonical(strTemplate);  // what the texture lookup answers, links resolved
}

CTempTree::~CTempTree()
{
    std::error_code ec;
    fs::remove_all(m_root, ec);
}

std::string CTempTree::Write(const std::string& strRelative, const std::vector<std::uint8_t>& aBytes) const
{
    const fs::path path = m_root / strRelative;
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(aBytes.data()), static_cast<std::streamsize>(aBytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
    return path.string();
}
