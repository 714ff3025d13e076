// tessaron-convert: .3ds models as glTF 2.0 files, as the viewer's full shading shows them,
// for the tools of today (Blender, game engines, web viewers). The viewer itself never writes
// a model file; this separate program does, from the same mesh full shading draws.

#include "BatchFiles.h"
#include "CGltfWriter.h"
#include "CTextureEmbedder.h"
#include "ConvertModel.h"
#include "LoadTextureDecoder.h"
#include "ReplaceFile.h"
#include "model/C3DS.h"
#include "model/ReadStatus.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include <malloc.h>
#include <sys/stat.h>

#ifndef TESSARON_VERSION
#define TESSARON_VERSION "unknown"
#endif

namespace {

const char* const kUsage =
    "usage: tessaron-convert [options] FILE.3ds...\n"
    "Writes each .3ds FILE as a glTF 2.0 model, as the viewer's Full shading shows it: every\n"
    "object a node, every face in its own material, smoothed, textures embedded.\n"
    "\n"
    "  --gltf              a .gltf file with its .bin and image files beside it, instead of\n"
    "                      one self-contained .glb file\n"
    "  -o OUT              the converted file, for a single FILE\n"
    "  --output-dir DIR    folder for the converted files, each named after its model with\n"
    "                      .glb or .gltf (default: the current folder)\n"
    "  --help              print this text\n"
    "\n"
    "Every file is attempted. A model whose file would replace one written earlier in the\n"
    "same run (two models of the same name) gets none and a line naming both files. A\n"
    "texture that cannot be found or read leaves its material in its colour and a warning.\n"
    "\n"
    "Exit status: 0 every file written; 1 a file not read, read only in part, refused or\n"
    "its conversion not written (the other files are still converted); 2 usage error,\n"
    "nothing converted.\n";


struct SOptions {
    bool bGltf = false;
    std::string strOutput;     // -o
    std::string strOutputDir;  // --output-dir
    std::vector<std::string> files;
};

struct SUsageError {
    std::string strText;
};

SOptions ParseOptions(int argc, char** argv)
{
    SOptions o;
    bool bOptions = true;
    for (int i = 1; i < argc; ++i) {
        std::string strArg = argv[i];
        if (!bOptions || strArg.size() < 2 || strArg[0] != '-') {
            o.files.push_back(strArg);
            continue;
        }
        if (strArg == "--") {
            bOptions = false;
            continue;
        }
        std::string strValue;
        const auto eq = strArg.find('=');
        const bool bInline = strArg.starts_with("--") && eq != std::string::npos;
        if (bInline) {
            strValue = strArg.substr(eq + 1);
            strArg.resize(eq);
        }
        auto value = [&]() -> std::string {
            if (bInline)
                return strValue;
            if (i + 1 >= argc)
                throw SUsageError{strArg + " needs a value"};
            return argv[++i];
        };
        if (strArg == "--help" || strArg == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(EXIT_OK);
        } else if (strArg == "--gltf" && !bInline) {
            o.bGltf = true;
        } else if (strArg == "-o" || strArg == "--output-dir") {
            std::string& strTarget = strArg == "-o" ? o.strOutput : o.strOutputDir;
            strTarget = value();
            if (strTarget.empty())
                throw SUsageError{"bad value '' for " + strArg + " (a " + (strArg == "-o" ? "file name" : "folder") + ")"};
        } else if (strArg == "--gltf") {
            throw SUsageError{strArg + " takes no value"};
        } else {
            throw SUsageError{"unknown option " + strArg};
        }
    }
    if (o.files.empty())
        throw SUsageError{"no model file given"};
    if (!o.strOutput.empty() && !o.strOutputDir.empty())
        throw SUsageError{"-o and --output-dir exclude each other"};
    if (!o.strOutput.empty() && o.files.size() != 1)
        throw SUsageError{"-o names the converted file of a single model; use --output-dir for several"};
    return o;
}

void Report(const std::string& strFile, const std::string& strText)
{
    ReportFile("tessaron-convert", strFile, strText);
}

std::string FileName(const std::string& strPath)
{
    return strPath.substr(strPath.find_last_of('/') + 1);
}

// Images beside a .gltf are named "model-image.png", so the models of one folder must not
// share a name: "a" with image "b-c" and "a-b" with image "c" would both write a-b-c.png.
// Every '-' of the model's name is doubled and the writer begins no image's part with one,
// so the first run of an odd number of dashes ends the model's part, and two models of
// different names never name one file ("a-b-c.png" and "a--b-c.png").
std::string ImagePrefix(const std::string& strStem)
{
    std::string strPrefix;
    for (const char c : strStem) {
        strPrefix += c;
        if (c == '-')
            strPrefix += c;
    }
    return strPrefix + "-";
}

// The .gltf's parts first, the .gltf last: a reader that sees the new .gltf finds its
// buffer and images there.
bool WriteSeparate(const CGltfWriter& writer, const std::string& strOut, std::string& strError)
{
    const std::string strFolder = strOut.substr(0, strOut.find_last_of('/') + 1);
    std::string strStem = FileName(strOut);
    if (const auto dot = strStem.find_last_of('.'); dot != std::string::npos && dot > 0)
        strStem.resize(dot);
    const CGltfWriter::SSeparate s = writer.Separate(strStem + ".bin", ImagePrefix(strStem));
    if (!s.aBin.empty() && !ReplaceFile(strFolder + strStem + ".bin", s.aBin, strError))
        return false;
    for (std::size_t i = 0; i < s.aImageFiles.size(); ++i)
        if (!ReplaceFile(strFolder + s.aImageFiles[i], writer.ImageBytes(static_cast<int>(i)), strError))
            return false;
    const auto* p = reinterpret_cast<const std::uint8_t*>(s.strJson.data());
    return ReplaceFile(strOut, {p, s.strJson.size()}, strError);
}

bool WriteGlb(const CGltfWriter& writer, const std::string& strOut, std::string& strError)
{
    const CGltfWriter::SGlb glb = writer.GlbPieces();
    std::vector<std::span<const std::uint8_t>> aPieces{glb.aHead};
    aPieces.insert(aPieces.end(), glb.aBody.begin(), glb.aBody.end());
    return ReplaceFile(strOut, aPieces, strError);
}

// Reads, converts and writes one model; returns its exit status. bWritten says whether
// strOut now holds its conversion, which a partly read model has too.
int ConvertFile(const SOptions& o, const std::string& strFile, const std::string& strOut, bool& bWritten)
{
    bWritten = false;
    if (SameFile(strFile, strOut)) {
        Report(strFile, "not converted: the converted file would overwrite the model");
        return EXIT_FILE;
    }
    C3DS model;
    std::string strFailure;
    const int nStatus = ReadModelFile(model, strFile, strFailure);
    if (!strFailure.empty()) {
        Report(strFile, "not converted: " + strFailure);
        return EXIT_FILE;
    }

    std::string strDecoderError;
    // The decoder is loaded only when a model has a texture to embed.
    CTextureEmbedder textures(strFile, [&](const std::string& strPath, int nMaxSide, STextureImage& image) {
        const CTextureLibrary::FDecode fnDecode = LoadTextureDecoder(strDecoderError);
        if (!fnDecode)
            return ETextureStatus::unreadable;
        return fnDecode(strPath, nMaxSide, image);
    });
    CGltfWriter writer("tessaron-convert " TESSARON_VERSION);
    ConvertModel(model, textures, FileName(strFile), writer);
    if (!strDecoderError.empty())
        Report(strFile, "warning: textures cannot be decoded: " + strDecoderError);
    for (const std::string& strWarning : textures.Warnings())
        Report(strFile, "warning: " + strWarning);

    std::string strError;
    const bool bOk = o.bGltf ? WriteSeparate(writer, strOut, strError) : WriteGlb(writer, strOut, strError);
    if (!bOk) {
        Report(strOut, "cannot write the converted file: " + strError);
        return EXIT_FILE;
    }
    bWritten = true;
    if (nStatus != READ_OK) {
        Report(strFile, "warning: read in part, " + StatusText(nStatus) + "; the converted file holds what was read");
        return EXIT_FILE;
    }
    return EXIT_OK;
}

} // namespace

int main(int argc, char** argv)
{
    // Memory a model's objects are built in is freed and asked for again object after
    // object: kept rather than given back to the system, each new object finds its pages
    // already there instead of having them cleared afresh, which costs more than the work
    // done in them. The process ends after its batch, so nothing is kept for long.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    SOptions o;
    try {
        o = ParseOptions(argc, argv);
    } catch (const SUsageError& e) {
        std::fprintf(stderr, "tessaron-convert: %s (see --help)\n", e.strText.c_str());
        return EXIT_USAGE;
    }
    if (!o.strOutputDir.empty() && ::mkdir(o.strOutputDir.c_str(), 0777) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "tessaron-convert: %s: cannot make the folder: %s\n", o.strOutputDir.c_str(),
                     std::strerror(errno));
        return EXIT_FILE;
    }

    return RunBatch("tessaron-convert", {"not converted", "its file"}, o.files, o.strOutput, o.strOutputDir,
                    o.bGltf ? ".gltf" : ".glb",
                    [&](const std::string& strFile, const std::string& strOut, bool& bWritten) {
                        return ConvertFile(o, strFile, strOut, bWritten);
                    });
}
