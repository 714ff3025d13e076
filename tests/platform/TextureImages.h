#pragma once

// Small texture images written by hand, for formats Qt can read but not write, and a
// folder tree that a test fills with files.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A 2 x 2 uncompressed 24-bit TGA stored bottom row first (its default origin): bottom
// left red, bottom right green, top left blue, top right white. With the TGA 2.0 footer,
// without which Qt's reader takes a file this short for a broken one.
inline std::vector<std::uint8_t> TinyTga()
{
    std::vector<std::uint8_t> a = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0,
                                   0, 0, 255, 0, 255, 0, /* top row */ 255, 0, 0, 255, 255, 255};  // BGR
    a.insert(a.end(), 8, 0);
    for (const char c : std::string("TRUEVISION-XFILE."))
        a.push_back(static_cast<std::uint8_t>(c));
    a.push_back(0);
    return a;
}

// A 2 x 1 GIF: red left, blue right, as a 3-bit LZW stream of clear, 0, 1, end.
inline std::vector<std::uint8_t> TinyGif()
{
    return {'G', 'I', 'F', '8', '9', 'a', 2, 0, 1, 0, 0x91, 0, 0,
            255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0,
            0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0, 2, 2, 0x44, 0x0A, 0, 0x3B};
}

// A fresh temporary folder, removed with the object.
class CTempTree {
public:
    enum EWhere { kOnDisk, kInMemory };  // in memory: /dev/shm where there is one
    explicit CTempTree(EWhere eWhere = kOnDisk);
    ~CTempTree();
    CTempTree(const CTempTree&) = delete;
    CTempTree& operator=(const CTempTree&) = delete;

    // Writes bytes to the path below the folder, making its folders; returns the full path.
    std::string Write(const std::string& strRelative, const std::vector<std::uint8_t>& aBytes = {1}) const;
    std::string Path(const std::string& strRelative) const { return (m_root / strRelative).string(); }

private:
    std::filesystem::path m_root;
};
