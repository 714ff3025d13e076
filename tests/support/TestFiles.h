#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A file in a fresh temporary folder, removed with the object.
class CTempFile {
public:
    explicit CTempFile(const std::vector<std::uint8_t>& bytes, const std::string& strName = "model.3ds");
    ~CTempFile();
    CTempFile(const CTempFile&) = delete;
    CTempFile& operator=(const CTempFile&) = delete;

    const std::string& Path() const { return m_strPath; }
    const std::string& Dir() const { return m_strDir; }

private:
    std::string m_strDir;
    std::string m_strPath;
};

// Every .3ds file (any case of the extension) below the given folders that exist.
std::vector<std::string> Find3dsFiles(const std::vector<std::string>& folders);

// The folders of Debian's assimp-testmodels and glmark2-data that hold .3ds files.
std::vector<std::string> SystemModelFolders();
