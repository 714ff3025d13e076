// tessaron-render: the picture a freshly opened model window shows, written as a PNG without
// any window or display server: for scripts, web pages, servers and the file manager's
// thumbnails. The frame comes from the view's own frame routine, drawn into an EGL context.

#include "BatchFiles.h"
#include "CHeadlessContext.h"
#include "LoadTextureDecoder.h"
#include "WritePng.h"
#include "geometry/CLightSetup.h"
#include "geometry/CShadedModel.h"
#include "geometry/CTextureLibrary.h"
#include "geometry/DrawModel.h"
#include "model/C3DS.h"
#include "model/ReadStatus.h"
#include "view/CScene.h"

#include <GL/gl.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <cerrno>
#include <cstring>
#include <malloc.h>
#include <sys/stat.h>

namespace {

const char* const kUsage =
    "usage: tessaron-render [options] FILE.3ds...\n"
    "       tessaron-render --thumbnail SIZE INPUT OUTPUT\n"
    "Draws each .3ds FILE as the viewer shows it in a freshly opened window of the same size\n"
    "and writes the picture as a PNG. Needs no display server.\n"
    "\n"
    "  --size WxH          picture size in pixels (default 800x600)\n"
    "  --walk              the walk-mode start view\n"
    "  --white             white background\n"
    "  --no-net            no net; the long axes in object mode\n"
    "  --full-shading      every face in its own material, smoothed and textured, as the\n"
    "                      viewer's Full shading switch draws it\n"
    "  --angles X,Y,Z      object-mode angles in degrees (default -70,0,-45)\n"
    "  --distance D        object-mode distance of the model from the eye (default 5)\n"
    "  -o OUT.png          the picture's file, for a single FILE\n"
    "  --output-dir DIR    folder for the pictures, each named after its model with .png\n"
    "                      (default: the current folder)\n"
    "  --thumbnail SIZE INPUT OUTPUT\n"
    "                      file-manager thumbnail: the default view, SIZE pixels on its\n"
    "                      longer side; INPUT larger than 64 MiB is refused\n"
    "  --help              print this text\n"
    "\n"
    "Every file is attempted. A model whose picture would replace one drawn earlier in the\n"
    "same run (two models of the same name) gets none and a line naming both files.\n"
    "\n"
    "Exit status: 0 every picture written; 1 a file not read, read only in part, refused or\n"
    "its picture not written (the other files are still drawn); 2 usage error, nothing\n"
    "drawn; 3 no EGL or OpenGL to draw with.\n"
    "\n"
    "A large folder on all cores, 64 models a process:\n"
    "  find MODELS -iname '*.3ds' -print0 |\n"
    "    xargs -0 -P \"$(nproc)\" -n 64 tessaron-render --output-dir DIR\n";

constexpr int kMaxSide = 16384;
constexpr int kMaxThumbnail = 4096;
// A thumbnailer runs on every file of every folder opened, downloads included: beyond this a
// model is not read at all. The load benchmark's 62.5 MiB scene fits and draws in about a
// second; the limit bounds memory to a few hundred megabytes.
constexpr long long kThumbnailLimit = 64LL << 20;

enum : int { EXIT_NO_GL = 3 };  // beside the batch statuses

struct SOptions {
    int cx = 800;
    int cy = 600;
    bool bWalk = false;
    bool bWhite = false;
    bool bNoNet = false;
    bool bFullShading = false;
    std::optional<float> fAngles[3];
    std::optional<float> fDistance;
    std::string strOutput;     // -o
    std::string strOutputDir;  // --output-dir
    bool bThumbnail = false;
    std::vector<std::string> files;
};

struct SUsageError {
    std::string strText;
};

bool ParseInt(std::string_view s, int nMin, int nMax, int& n)
{
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    return ec == std::errc() && p == s.data() + s.size() && n >= nMin && n <= nMax;
}

bool ParseFloat(std::string_view s, float& f)
{
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), f);
    return !s.empty() && ec == std::errc() && p == s.data() + s.size() && std::isfinite(f);
}

[[noreturn]] void BadValue(const std::string& strOption, std::string_view value, const char* pszExpected)
{
    throw SUsageError{"bad value '" + std::string(value) + "' for " + strOption + " (" + pszExpected + ")"};
}

SOptions ParseOptions(int argc, char** argv)
{
    SOptions o;
    bool bObjectOption = false;
    bool bViewOption = false;
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
        // --name=value is taken like --name value.
        std::optional<std::string> inlineValue;
        if (const auto eq = strArg.find('='); strArg.starts_with("--") && eq != std::string::npos) {
            inlineValue = strArg.substr(eq + 1);
            strArg.resize(eq);
        }
        auto value = [&]() -> std::string {
            if (inlineValue)
                return *std::exchange(inlineValue, std::nullopt);
            if (i + 1 >= argc)
                throw SUsageError{strArg + " needs a value"};
            return argv[++i];
        };

        if (strArg == "--help" || strArg == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(EXIT_OK);
        } else if (strArg == "--size") {
            const std::string v = value();
            const auto x = v.find('x');
            if (x == std::string::npos || !ParseInt(std::string_view(v).substr(0, x), 1, kMaxSide, o.cx) ||
                !ParseInt(std::string_view(v).substr(x + 1), 1, kMaxSide, o.cy))
                BadValue(strArg, v, "WxH, each 1 to 16384, e.g. 800x600");
            bViewOption = true;
        } else if (strArg == "--walk") {
            o.bWalk = bViewOption = true;
        } else if (strArg == "--white") {
            o.bWhite = bViewOption = true;
        } else if (strArg == "--no-net") {
            o.bNoNet = bViewOption = true;
        } else if (strArg == "--full-shading") {
            o.bFullShading = bViewOption = true;
        } else if (strArg == "--angles") {
            const std::string v = value();
            std::string_view rest = v;
            for (int k = 0; k < 3; ++k) {
                const auto comma = k < 2 ? rest.find(',') : rest.size();
                float f = 0.0f;
                if (comma == std::string_view::npos || !ParseFloat(rest.substr(0, comma), f))
                    BadValue(strArg, v, "three degrees X,Y,Z, e.g. -70,0,-45");
                o.fAngles[k] = f;
                rest.remove_prefix(std::min(comma + 1, rest.size()));
            }
            bObjectOption = bViewOption = true;
        } else if (strArg == "--distance") {
            const std::string v = value();
            float f = 0.0f;
            if (!ParseFloat(v, f))
                BadValue(strArg, v, "a number, e.g. 5");
            o.fDistance = f;
            bObjectOption = bViewOption = true;
        } else if (strArg == "-o") {
            o.strOutput = value();
            if (o.strOutput.empty())
                BadValue(strArg, o.strOutput, "a file name");
        } else if (strArg == "--output-dir") {
            o.strOutputDir = value();
            if (o.strOutputDir.empty())
                BadValue(strArg, o.strOutputDir, "a folder");
        } else if (strArg == "--thumbnail") {
            int nSize = 0;
            const std::string v = value();
            if (!ParseInt(v, 1, kMaxThumbnail, nSize))
                BadValue(strArg, v, "the longer side in pixels, 1 to 4096");
            if (i + 2 >= argc)
                throw SUsageError{"--thumbnail needs SIZE INPUT OUTPUT"};
            o.bThumbnail = true;
            // The default view's 4:3, rounded.
            o.cx = nSize;
            o.cy = std::max(1, (nSize * 3 + 2) / 4);
            o.files.push_back(argv[++i]);
            o.strOutput = argv[++i];
        } else {
            throw SUsageError{"unknown option " + strArg};
        }
        if (inlineValue)
            throw SUsageError{strArg + " takes no value"};
    }

    if (o.bThumbnail) {
        if (o.files.size() != 1 || bViewOption || !o.strOutputDir.empty())
            throw SUsageError{"--thumbnail takes SIZE INPUT OUTPUT and nothing else"};
        return o;
    }
    if (o.files.empty())
        throw SUsageError{"no model file given"};
    if (o.bWalk && bObjectOption)
        throw SUsageError{"--angles and --distance set the object-mode view, not the walk view"};
    if (!o.strOutput.empty() && !o.strOutputDir.empty())
        throw SUsageError{"-o and --output-dir exclude each other"};
    if (!o.strOutput.empty() && o.files.size() != 1)
        throw SUsageError{"-o names the picture of a single file; use --output-dir for several"};
    return o;
}

void Report(const std::string& strFile, const std::string& strText)
{
    ReportFile("tessaron-render", strFile, strText);
}

// The view's state in a freshly opened window, changed only where an option says so.
CScene SceneFor(const SOptions& o)
{
    CScene scene;
    scene.m_bWalkAround = o.bWalk;
    scene.m_bWhiteBackground = o.bWhite;
    scene.m_bFullShading = o.bFullShading;
    if (o.bNoNet) {
        scene.m_bShowNet = false;
        scene.m_bShowAxes = true;
    }
    if (o.fAngles[0]) {
        scene.m_fAngleX = *o.fAngles[0];
        scene.m_fAngleY = *o.fAngles[1];
        scene.m_fAngleZ = *o.fAngles[2];
    }
    if (o.fDistance)
        scene.m_fDistance = *o.fDistance;
    return scene;
}

// Reads, draws and writes one model; returns its exit status. bWritten says whether strOut
// now holds its picture, which a partly read model has too.
int RenderFile(const SOptions& o, const std::string& strFile, const std::string& strOut, CHeadlessContext& context,
               bool& bWritten)
{
    bWritten = false;
    struct stat st {};
    if (o.bThumbnail && ::stat(strFile.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > kThumbnailLimit) {
        Report(strFile, "not rendered: " + std::to_string(st.st_size) +
                            " bytes, more than the thumbnail limit of 64 MiB");
        return EXIT_FILE;
    }
    if (SameFile(strFile, strOut)) {
        Report(strFile, "not rendered: the picture would overwrite the model");
        return EXIT_FILE;
    }

    C3DS model;
    model.m_bKeepShadingData = o.bFullShading;  // only full shading draws it; thumbnails never do
    std::string strFailure;
    const int nStatus = ReadModelFile(model, strFile, strFailure);
    if (!strFailure.empty()) {
        Report(strFile, "not rendered: " + strFailure);
        return EXIT_FILE;
    }

    CScene scene = SceneFor(o);
    scene.SetProjection(context.Width(), context.Height(), 1.0);
    // Full shading as a view draws it: built on the first frame, textures found beside the
    // model and decoded by the viewer's decoder, which is loaded only now.
    CShadedModel shaded;
    std::unique_ptr<CTextureLibrary> pTextures;
    if (o.bFullShading) {
        scene.m_pShaded = &shaded;
        scene.m_fnResolveTexture = [&](const S3DSTextureMap& map) {
            if (!pTextures) {
                std::string strError;
                CTextureLibrary::FDecode fnDecode = LoadTextureDecoder(strError);
                if (!fnDecode)
                    Report(strFile, "warning: textures cannot be decoded: " + strError);
                pTextures = std::make_unique<CTextureLibrary>(strFile, std::move(fnDecode));
            }
            return pTextures->Texture(map);
        };
    }
    // A window never shows its very first frame for long: it is drawn again at once, and
    // from the second frame on the net and axes are lit with the normal the model's last
    // face left behind. The picture is that settled frame. A frame changes only the walk
    // scale of the view's state, which the second frame then reuses, as the window does.
    if (!model.m_aVertices.empty() && !model.m_aFaces.empty())
        scene.DrawScene(model);
    scene.DrawScene(model);
    glFinish();
    shaded.ReleaseContext();
    if (pTextures) {
        pTextures->ReleaseTextures();
        for (const std::string& strWarning : pTextures->Warnings())
            Report(strFile, "warning: " + strWarning);
    }
    std::string strError;
    // A thumbnailer's caller may read the picture through the file it made and holds open.
    if (!WritePng(strOut, context.Width(), context.Height(), context.ReadRgb(), strError,
                  o.bThumbnail ? EPngWrite::intoFile : EPngWrite::replace)) {
        Report(strOut, "cannot write the picture: " + strError);
        return EXIT_FILE;
    }
    bWritten = true;
    if (nStatus != READ_OK) {
        Report(strFile, "warning: read in part, " + StatusText(nStatus) + "; the picture shows what was read");
        return EXIT_FILE;
    }
    return EXIT_OK;
}

} // namespace

int main(int argc, char** argv)
{
    // Mesa's immediate mode hands llvmpipe a fresh vertex buffer of half a megabyte every
    // few thousand triangles. Above glibc's mmap threshold each is mapped, faulted in page by
    // page, zeroed and unmapped again, which cost a large model more than its drawing. Kept
    // in the heap, the same pages serve every buffer; larger blocks (the file's buffer, the
    // model's arrays) are still mapped and given back.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
    // One frame per process: llvmpipe's rasteriser threads cost more to start and feed
    // than they save, and their bins hold memory of their own. Unless told otherwise, it
    // rasterises in this thread; the pixels are the same either way.
    ::setenv("LP_NUM_THREADS", "0", 0);

    SOptions o;
    try {
        o = ParseOptions(argc, argv);
    } catch (const SUsageError& e) {
        std::fprintf(stderr, "tessaron-render: %s (see --help)\n", e.strText.c_str());
        return EXIT_USAGE;
    }

    CHeadlessContext context;
    std::string strError;
    if (!context.Create(strError)) {
        std::fprintf(stderr, "tessaron-render: %s\n", strError.c_str());
        return EXIT_NO_GL;
    }
    if (!context.CreateFramebuffer(o.cx, o.cy, strError)) {
        std::fprintf(stderr, "tessaron-render: %s\n", strError.c_str());
        return EXIT_NO_GL;
    }
    CScene::PrepareContext(CLightSetup());

    if (!o.strOutputDir.empty() && ::mkdir(o.strOutputDir.c_str(), 0777) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "tessaron-render: %s: cannot make the folder: %s\n", o.strOutputDir.c_str(),
                     std::strerror(errno));
        return EXIT_FILE;
    }

    return RunBatch("tessaron-render", {"not rendered", "its picture"}, o.files, o.strOutput, o.strOutputDir, ".png",
                    [&](const std::string& strFile, const std::string& strOut, bool& bWritten) {
                        return RenderFile(o, strFile, strOut, context, bWritten);
                    });
}
