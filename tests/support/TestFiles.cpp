#include "TestFiles.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

CTempFile::CTempFile(const std::vector<std::uint8_t>& bytes, const std::string& strName)
{
    std::string tmpl = (fs::temp_directory_path() / "tessaron-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    m_strDir = tmpl;
    m_strPath = (fs::path(m_strDir) / strName).string();
    std::ofstream out(m_strPath, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + m_strPath);
}

CTempFile::~CTempFile()
{
    std::error_code ec;
    fs::remove_all(m_strDir, ec);
}

std::vector<std::string> Find3dsFiles(const std::vector<std::string>& folders)
{
    std::vector<std::string> files;
    for (const auto& folder : folders) {
        std::error_code ec;
        if (!fs::is_directory(folder, ec))
            continue;
        for (auto it = fs::recursive_directory_iterator(folder, ec); it != fs::recursive_directory_iterator();
             it.increment(ec)) {
            if (ec)
                break;
            std::string ext = it->path().extension().string();
            std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
            if (ext == ".3ds" && it->is_regular_file(ec))
                files.push_back(it->path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> SystemModelFolders()
{
    return {"/usr/share/assimp/models", "/usr/share/glmark2/models"};
}
