// tessaron-info: shows what the viewer's reader makes of .3ds files, so a model can be
// checked from a shell or a script without opening a window.

#include "model/C3DS.h"
#include "model/ReadStatus.h"
#include "platform/CFileException.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>
#include <limits>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

const char* const kUsage =
    "usage: tessaron-info [--json] FILE...\n"
    "Reads each .3ds FILE as the viewer does and prints its read status, the number of\n"
    "meshes, vertices, faces, face-material entries and materials, every material's\n"
    "properties and the bounding box of the vertices.\n"
    "\n"
    "  --json   print one JSON object per line and file\n"
    "  --help   print this text\n"
    "\n"
    "Exit status: 0 when every file reads with status 1, 1 otherwise, 2 for a usage error.\n";

struct SModelStats {
    std::size_t nObjects = 0;  // distinct object numbers among vertices and faces
    bool bHasBox = false;      // false when there are no vertices
    float fMin[3] = {};        // NaN on an axis where some vertex holds NaN
    float fMax[3] = {};
};

SModelStats ComputeStats(const C3DS& model)
{
    SModelStats stats;

    // Object numbers come in runs (the reader appends object by object), so the set sees
    // one insertion per run rather than one per record.
    std::set<std::int32_t> objects;
    auto collect = [&objects](const auto& records) {
        bool bFirst = true;
        std::int32_t nLast = 0;
        for (const auto& r : records) {
            if (bFirst || r.nObject != nLast)
                objects.insert(r.nObject);
            bFirst = false;
            nLast = r.nObject;
        }
    };
    collect(model.m_aVertices);
    collect(model.m_aFaces);
    stats.nObjects = objects.size();

    if (model.m_aVertices.empty())
        return stats;
    stats.bHasBox = true;
    // A NaN coordinate makes its axis unknown whatever order the vertices come in; plain
    // min/max would give an answer that depends on where the NaN stands.
    bool bNaN[3] = {false, false, false};
    for (int k = 0; k < 3; ++k) {
        stats.fMin[k] = std::numeric_limits<float>::infinity();
        stats.fMax[k] = -std::numeric_limits<float>::infinity();
    }
    for (const S3DSVertex& v : model.m_aVertices) {
        const float c[3] = {v.x, v.y, v.z};
        for (int k = 0; k < 3; ++k) {
            if (std::isnan(c[k])) {
                bNaN[k] = true;
                continue;
            }
            if (c[k] < stats.fMin[k])
                stats.fMin[k] = c[k];
            if (c[k] > stats.fMax[k])
                stats.fMax[k] = c[k];
        }
    }
    for (int k = 0; k < 3; ++k) {
        if (bNaN[k])
            stats.fMin[k] = stats.fMax[k] = std::numeric_limits<float>::quiet_NaN();
    }
    return stats;
}

// Length of the well-formed UTF-8 sequence starting at s[i], with its code point in cp;
// 0 when the byte there starts none (overlong forms, surrogates and values beyond
// U+10FFFF are not well-formed).
std::size_t Utf8Sequence(std::string_view s, std::size_t i, char32_t& cp)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        n = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        n = 3;
        lo = b0 == 0xE0 ? 0xA0 : 0x80;
        hi = b0 == 0xED ? 0x9F : 0xBF;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        n = 4;
        lo = b0 == 0xF0 ? 0x90 : 0x80;
        hi = b0 == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (n > s.size() - i)
        return 0;
    cp = b0 & (0x7Fu >> n);
    for (std::size_t k = 1; k < n; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if (b < (k == 1 ? lo : 0x80) || b > (k == 1 ? hi : 0xBF))
            return 0;
        cp = (cp << 6) | (b & 0x3Fu);
    }
    return n;
}

void AppendHex(std::string& out, const char* pszPrefix, unsigned nValue, int nDigits)
{
    char sz[16];
    std::snprintf(sz, sizeof sz, "%s%0*x", pszPrefix, nDigits, nValue);
    out += sz;
}

// Names are raw bytes from the file. Bytes that are not UTF-8 are taken as Latin-1, the
// code page of the Windows tools that wrote most .3ds files, so the output is always valid
// JSON and a name like "Gr\xfcn" still reads as intended.
std::string JsonString(std::string_view s)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size();) {
        char32_t cp = 0;
        const std::size_t n = Utf8Sequence(s, i, cp);
        if (n == 0) {
            AppendHex(out, "\\u", static_cast<unsigned char>(s[i]), 4);
            ++i;
            continue;
        }
        if (cp == '"' || cp == '\\') {
            out += '\\';
            out += static_cast<char>(cp);
        } else if (cp < 0x20 || cp == 0x7F) {
            AppendHex(out, "\\u", static_cast<unsigned>(cp), 4);
        } else {
            out.append(s.substr(i, n));
        }
        i += n;
    }
    return out + '"';
}

// For a terminal: control characters (C0, DEL, C1) and bytes that are not UTF-8 are shown
// as \xNN so that a hostile name cannot move the cursor or change the terminal's state.
std::string TextString(std::string_view s)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size();) {
        char32_t cp = 0;
        std::size_t n = Utf8Sequence(s, i, cp);
        const bool bControl = n == 0 || cp < 0x20 || (cp >= 0x7F && cp < 0xA0);
        if (n == 0)
            n = 1;
        if (bControl) {
            for (std::size_t k = 0; k < n; ++k)
                AppendHex(out, "\\x", static_cast<unsigned char>(s[i + k]), 2);
        } else {
            if (cp == '"' || cp == '\\')
                out += '\\';
            out.append(s.substr(i, n));
        }
        i += n;
    }
    return out + '"';
}

// Shortest text that reads back as the same float.
std::string Number(float f)
{
    char sz[64];
    const auto result = std::to_chars(sz, sz + sizeof sz, f);
    return std::string(sz, result.ptr);
}

// JSON has no NaN or infinity.
std::string JsonNumber(float f)
{
    return std::isfinite(f) ? Number(f) : "null";
}

// Reports are built by appending: GCC 12 warns falsely (-Wrestrict) on "text" + string&&.
template <typename... T>
void Append(std::string& out, const T&... pieces)
{
    (out.append(pieces), ...);
}

std::string JsonTriple(const float f[3])
{
    std::string out;
    Append(out, "[", JsonNumber(f[0]), ",", JsonNumber(f[1]), ",", JsonNumber(f[2]), "]");
    return out;
}

std::string TextTriple(const float f[3])
{
    std::string out;
    Append(out, Number(f[0]), " ", Number(f[1]), " ", Number(f[2]));
    return out;
}

std::string JsonReport(const std::string& strPath, int nStatus, const C3DS& model, const SModelStats& stats)
{
    std::string out;
    Append(out, "{\"file\":", JsonString(strPath), ",\"status\":", std::to_string(nStatus),
           ",\"objects\":", std::to_string(stats.nObjects), ",\"vertices\":", std::to_string(model.m_aVertices.size()),
           ",\"faces\":", std::to_string(model.m_aFaces.size()),
           ",\"face_materials\":", std::to_string(model.m_aFaceMaterials.size()), ",\"materials\":[");
    for (std::size_t i = 0; i < model.m_aMaterials.size(); ++i) {
        const S3DSMaterial& m = model.m_aMaterials[i];
        Append(out, i ? "," : "", "{\"name\":", JsonString(m.strName.view()), ",\"ambient\":", JsonTriple(m.fAmbient),
               ",\"diffuse\":", JsonTriple(m.fDiffuse), ",\"specular\":", JsonTriple(m.fSpecular),
               ",\"shininess\":", std::to_string(m.nShininess), ",\"shin_strength\":", std::to_string(m.nShinStrength),
               ",\"transparency\":", std::to_string(m.nTransparency),
               ",\"trans_falloff\":", std::to_string(m.nTransFalloff),
               ",\"reflect_blur\":", std::to_string(m.nReflectBlur), "}");
    }
    out += "],\"bbox\":";
    if (stats.bHasBox)
        Append(out, "{\"min\":", JsonTriple(stats.fMin), ",\"max\":", JsonTriple(stats.fMax), "}");
    else
        out += "null";
    out += "}\n";
    return out;
}

std::string TextReport(const std::string& strPath, int nStatus, const C3DS& model, const SModelStats& stats)
{
    std::string out;
    Append(out, TextString(strPath), "\n",
           "  status          ", std::to_string(nStatus), " (", ReadStatusText(nStatus), ")\n",
           "  objects         ", std::to_string(stats.nObjects), "\n",
           "  vertices        ", std::to_string(model.m_aVertices.size()), "\n",
           "  faces           ", std::to_string(model.m_aFaces.size()), "\n",
           "  face materials  ", std::to_string(model.m_aFaceMaterials.size()), "\n",
           "  materials       ", std::to_string(model.m_aMaterials.size()), "\n");
    for (const S3DSMaterial& m : model.m_aMaterials) {
        Append(out, "    ", TextString(m.strName.view()), "\n",
               "      ambient ", TextTriple(m.fAmbient), "  diffuse ", TextTriple(m.fDiffuse),
               "  specular ", TextTriple(m.fSpecular), "\n",
               "      shininess ", std::to_string(m.nShininess), "  shin strength ", std::to_string(m.nShinStrength),
               "  transparency ", std::to_string(m.nTransparency), "  trans falloff ", std::to_string(m.nTransFalloff),
               "  reflect blur ", std::to_string(m.nReflectBlur), "\n");
    }
    if (stats.bHasBox)
        Append(out, "  bbox            min ", TextTriple(stats.fMin), "  max ", TextTriple(stats.fMax), "\n");
    else
        out += "  bbox            none\n";
    return out;
}

// True when the file read with status 1. Every other outcome, a thrown error included, is
// a failure for the exit status, and the remaining files are still reported.
bool ReportFile(const std::string& strPath, bool bJson, bool bFirst)
{
    try {
        C3DS model;  // a fresh model per file: the reader carries some state across reads
        model.m_bKeepShadingData = false;  // nothing here reports it
        const int nStatus = model.ReadFile(strPath);
        const SModelStats stats = ComputeStats(model);
        std::string out = bJson || bFirst ? "" : "\n";
        out += bJson ? JsonReport(strPath, nStatus, model, stats) : TextReport(strPath, nStatus, model, stats);
        std::fwrite(out.data(), 1, out.size(), stdout);
        return nStatus == READ_OK;
    } catch (const CFileException& e) {
        std::fprintf(stderr, "tessaron-info: %s\n", e.what());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tessaron-info: %s: %s\n", strPath.c_str(), e.what());
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    bool bJson = false;
    bool bOptions = true;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string strArg = argv[i];
        if (bOptions && strArg == "--") {
            bOptions = false;
        } else if (bOptions && (strArg == "--help" || strArg == "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (bOptions && strArg == "--json") {
            bJson = true;
        } else if (bOptions && strArg.size() > 1 && strArg[0] == '-') {
            std::fprintf(stderr, "tessaron-info: unknown option %s\n", strArg.c_str());
            std::fputs(kUsage, stderr);
            return 2;
        } else {
            files.push_back(strArg);
        }
    }
    if (files.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    bool bAllRead = true;
    for (std::size_t i = 0; i < files.size(); ++i)
        bAllRead = ReportFile(files[i], bJson, i == 0) && bAllRead;

    // A report that did not reach its destination (a full disk, a closed pipe) is not a success.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::perror("tessaron-info: writing the report");
        return 1;
    }
    return bAllRead ? 0 : 1;
}
