// tessaron-render as a process with DISPLAY unset: statuses, usage, the thumbnailer entry as
// installed, and its size limit. That its pictures equal the viewer's is shown in the view
// tests, where a window can be opened.
#include "RunProcess.h"
#include "tools/C3dsWriter.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <png.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string kSamplesDir = SAMPLES_DIR;

SProcessResult Render(const std::vector<std::string>& args, const std::vector<std::string>& env = {})
{
    std::vector<std::string> argv = {"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY"};
    argv.insert(argv.end(), env.begin(), env.end());
    argv.push_back(TESSARON_RENDER_PATH);
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv);
}

struct SPicture {
    int cx = 0;
    int cy = 0;
    std::vector<png_byte> rgb;
    std::array<int, 3> At(int x, int y) const
    {
        const std::size_t i = (static_cast<std::size_t>(y) * cx + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

// Empty (cx 0) when the file is missing or not a PNG.
SPicture ReadPng(const std::string& strPath)
{
    SPicture picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, strPath.c_str()))
        return picture;
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
        return picture;
    picture.cx = static_cast<int>(image.width);
    picture.cy = static_cast<int>(image.height);
    picture.rgb = std::move(rgb);
    return picture;
}

std::vector<std::uint8_t> FileBytes(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Exists(const std::string& strPath)
{
    struct stat st {};
    return ::stat(strPath.c_str(), &st) == 0;
}

// The background, 0.3 0.6 0.6: 76.5 may round either way.
bool IsTeal(const std::array<int, 3>& c)
{
    return (c[0] == 76 || c[0] == 77) && c[1] == 153 && c[2] == 153;
}

TEST(TessaronRender, BatchAttemptsEveryFileAndExitsWithTheWorstStatus)
{
    CTempFile notModel({'P', 'K', 3, 4}, "notes.3ds");
    std::vector<std::uint8_t> cut = FileBytes(kSamplesDir + "/house.3ds");
    cut.resize(cut.size() - 3);
    CTempFile partial(cut, "partial.3ds");
    const std::string strMissing = notModel.Dir() + "/missing.3ds";
    const std::string strOut = notModel.Dir() + "/out";

    const SProcessResult r = Render({"--size", "64x48", "--output-dir", strOut, kSamplesDir + "/cube.3ds",
                                     strMissing, notModel.Path(), partial.Path(), kSamplesDir + "/pyramid.3ds"});
    EXPECT_EQ(r.nExitCode, 1);
    EXPECT_EQ(r.strOut, "");
    EXPECT_EQ(r.strErr,
              "tessaron-render: " + strMissing + ": not rendered: read status -1, the file cannot be opened "
              "(No such file or directory)\n"
              "tessaron-render: " + notModel.Path() + ": not rendered: read status -3, no main chunk (0x4D4D) "
              "at position 0\n"
              "tessaron-render: " + partial.Path() + ": warning: read in part, read status -21, a chunk's data "
              "runs past the end of the file; the picture shows what was read\n");
    for (const char* pszName : {"cube", "pyramid", "partial"}) {
        const SPicture picture = ReadPng(strOut + "/" + pszName + ".png");
        EXPECT_EQ(picture.cx, 64) << pszName;
        EXPECT_EQ(picture.cy, 48) << pszName;
    }
    EXPECT_FALSE(Exists(strOut + "/missing.png"));
    EXPECT_FALSE(Exists(strOut + "/notes.png"));

    const SProcessResult ok = Render({"--size", "64x48", "-o", strOut + "/one.png", kSamplesDir + "/cube.3ds"});
    EXPECT_EQ(ok.nExitCode, 0) << ok.strErr;
    EXPECT_EQ(ok.strErr, "");
    // Nothing the user owns is written: a picture that would replace its model is refused.
    const SProcessResult self = Render({"-o", partial.Path(), partial.Path()});
    EXPECT_EQ(self.nExitCode, 1);
    EXPECT_EQ(self.strErr, "tessaron-render: " + partial.Path() + ": not rendered: the picture would overwrite the model\n");
}

// Same-named models, a folder, an unwritable picture: each fails alone and the rest is drawn.
TEST(TessaronRender, PerFileProblemsFailOnlyTheirFile)
{
    CTempFile first(FileBytes(kSamplesDir + "/house.3ds"), "cube.3ds");
    const std::string strDir = first.Dir();
    for (const char* pszDir : {"/b", "/c", "/folder.3ds", "/out", "/out/blocked.png"})
        ASSERT_EQ(::mkdir((strDir + pszDir).c_str(), 0755), 0) << pszDir;
    std::ofstream(strDir + "/b/cube.3ds", std::ios::binary) << std::ifstream(kSamplesDir + "/cube.3ds").rdbuf();
    std::ofstream(strDir + "/c/x.3ds", std::ios::binary) << std::ifstream(kSamplesDir + "/pyramid.3ds").rdbuf();
    std::ofstream(strDir + "/blocked.3ds", std::ios::binary) << std::ifstream(kSamplesDir + "/cube.3ds").rdbuf();
    const std::string strOut = strDir + "/out";

    // The first missing x.3ds writes nothing, so the second one still has its picture.
    const SProcessResult r =
        Render({"--size", "64x48", "--output-dir", strOut, first.Path(), strDir + "/b/cube.3ds", strDir + "/folder.3ds",
                strDir + "/gone/x.3ds", strDir + "/c/x.3ds", strDir + "/blocked.3ds", kSamplesDir + "/pyramid.3ds"});
    EXPECT_EQ(r.nExitCode, 1);
    EXPECT_EQ(r.strErr,
              "tessaron-render: " + strDir + "/b/cube.3ds: not rendered: its picture " + strOut +
              "/cube.png would overwrite the one of " + first.Path() + "\n"
              "tessaron-render: " + strDir + "/folder.3ds: not rendered: read status -1, the file cannot be opened "
              "(a folder)\n"
              "tessaron-render: " + strDir + "/gone/x.3ds: not rendered: read status -1, the file cannot be opened "
              "(No such file or directory)\n"
              "tessaron-render: " + strOut + "/blocked.png: cannot write the picture: Is a directory\n");
    EXPECT_EQ(ReadPng(strOut + "/x.png").cx, 64);
    EXPECT_EQ(ReadPng(strOut + "/pyramid.png").cx, 64);
    EXPECT_FALSE(Exists(strOut + "/folder.png"));
    const SProcessResult house = Render({"--size", "64x48", "-o", strDir + "/house.png", first.Path()});
    ASSERT_EQ(house.nExitCode, 0) << house.strErr;
    EXPECT_EQ(FileBytes(strOut + "/cube.png"), FileBytes(strDir + "/house.png")) << "the later cube replaced the first";

    // A usage error still stops the batch before anything is drawn.
    const std::string strUnused = strDir + "/unused";
    const SProcessResult bad =
        Render({"--output-dir", strUnused, "--size", "0x0", first.Path(), strDir + "/b/cube.3ds"});
    EXPECT_EQ(bad.nExitCode, 2);
    EXPECT_FALSE(Exists(strUnused));
}

// A picture replaces the old file rather than rewriting it, so a reader, or a second process
// drawing a model of the same name, never sees half of one; a failed write removes no device.
TEST(TessaronRender, PicturesReplaceTheOldFileWhole)
{
    CTempFile old({}, "old.png");
    const std::string strPicture = old.Dir() + "/cube.png";
    ASSERT_EQ(::link(old.Path().c_str(), strPicture.c_str()), 0);
    const SProcessResult r = Render({"--size", "32x24", "--output-dir", old.Dir(), kSamplesDir + "/cube.3ds"});
    ASSERT_EQ(r.nExitCode, 0) << r.strErr;
    EXPECT_EQ(ReadPng(strPicture).cx, 32);
    EXPECT_TRUE(FileBytes(old.Path()).empty()) << "the picture was written into the old file";
    struct stat st {};
    ASSERT_EQ(::stat(strPicture.c_str(), &st), 0);
    const mode_t nMask = ::umask(0);
    ::umask(nMask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~nMask);
    ::unlink(strPicture.c_str());
    ::unlink(old.Path().c_str());

    const std::string strFull = old.Dir() + "/full.png";
    ASSERT_EQ(::symlink("/dev/full", strFull.c_str()), 0);
    const SProcessResult full = Render({"--size", "32x24", "-o", strFull, kSamplesDir + "/cube.3ds"});
    EXPECT_EQ(full.nExitCode, 1);
    EXPECT_EQ(full.strErr, "tessaron-render: " + strFull + ": cannot write the picture: No space left on device\n");
    struct stat link {};
    EXPECT_EQ(::lstat(strFull.c_str(), &link), 0) << "the link to the device was removed";
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(old.Dir()))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"full.png"}) << "a temporary file was left behind";
}

// XFCE's tumbler makes the output file itself, keeps it open while the thumbnailer runs and
// then reads the picture through its own descriptor, never by name again.
TEST(TessaronRender, ThumbnailGoesIntoTheFileItsCallerHoldsOpen)
{
    // An older, longer content: nothing of it may be left behind the picture.
    CTempFile held(std::vector<std::uint8_t>(200000, 0xFF), "tumbler-1234567.png");
    const int fd = ::open(held.Path().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const SProcessResult r = Render({"--thumbnail", "128", kSamplesDir + "/house.3ds", held.Path()});
    std::vector<std::uint8_t> bytes(300000);
    const ssize_t n = ::pread(fd, bytes.data(), bytes.size(), 0);
    ::close(fd);
    ASSERT_EQ(r.nExitCode, 0) << r.strErr;
    ASSERT_GT(n, 0);
    bytes.resize(static_cast<std::size_t>(n));

    // The same view drawn by name is the same file, byte for byte.
    const std::string strByName = held.Dir() + "/by-name.png";
    const SProcessResult byName = Render({"--size", "128x96", "-o", strByName, kSamplesDir + "/house.3ds"});
    ASSERT_EQ(byName.nExitCode, 0) << byName.strErr;
    EXPECT_TRUE(bytes == FileBytes(strByName)) << "the descriptor reads " << bytes.size() << " bytes";
    EXPECT_EQ(ReadPng(held.Path()).cx, 128);
    ::unlink(strByName.c_str());
}

TEST(TessaronRender, UsageErrorsAreOneLineAndExitTwo)
{
    const std::string strCube = kSamplesDir + "/cube.3ds";
    const std::vector<std::vector<std::string>> bad = {
        {"--frobnicate", strCube},
        {"--size", "0x600", strCube},
        {"--size", "800", strCube},
        {"--size=800x600x2", strCube},
        {"--angles", "1,2", strCube},
        {"--angles", "1,2,3,4", strCube},
        {"--distance", "nan", strCube},
        {"--distance"},
        {"--walk", "--distance", "3", strCube},
        {"--white=yes", strCube},
        {"-o", "a.png", strCube, strCube},
        {"--output-dir", "/tmp", "-o", "a.png", strCube},
        {"--thumbnail", "0", strCube, "a.png"},
        {"--thumbnail", "128", strCube},
        {"--white", "--thumbnail", "128", strCube, "a.png"},
        {},
    };
    for (const auto& args : bad) {
        const SProcessResult r = Render(args);
        EXPECT_EQ(r.nExitCode, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(std::count(r.strErr.begin(), r.strErr.end(), '\n'), 1) << r.strErr;
        EXPECT_EQ(r.strOut, "");
    }

    const SProcessResult help = Render({"--help"});
    EXPECT_EQ(help.nExitCode, 0);
    for (const char* pszOption : {"--size WxH", "--walk", "--white", "--no-net", "--angles X,Y,Z", "--distance D",
                                  "-o OUT.png", "--output-dir DIR", "--thumbnail SIZE INPUT OUTPUT", "--help"})
        EXPECT_NE(help.strOut.find(pszOption), std::string::npos) << pszOption;
    EXPECT_NE(help.strOut.find("xargs -0 -P \"$(nproc)\" -n 64 tessaron-render --output-dir DIR"), std::string::npos);
}

TEST(TessaronRender, WithoutEglItSaysSoAndExitsThree)
{
    // GLVND finds no vendor library at all: the state of a machine without libegl-mesa0.
    CTempFile out({}, "unused");
    const SProcessResult r = Render({"-o", out.Dir() + "/cube.png", kSamplesDir + "/cube.3ds"},
                                    {"__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json"});
    EXPECT_EQ(r.nExitCode, 3);
    EXPECT_EQ(std::count(r.strErr.begin(), r.strErr.end(), '\n'), 1) << r.strErr;
    EXPECT_FALSE(Exists(out.Dir() + "/cube.png"));
}

// The installed entry's Exec line, run exactly as a file manager runs it.
TEST(TessaronRender, InstalledThumbnailerEntryMakesThumbnails)
{
    CTempFile prefix({}, "unused");
    const SProcessResult install = RunProcess({CMAKE_COMMAND, "--install", BUILD_DIR, "--prefix", prefix.Dir()});
    ASSERT_EQ(install.nExitCode, 0) << install.strErr;

    std::ifstream entry(prefix.Dir() + "/share/thumbnailers/tessaron.thumbnailer");
    ASSERT_TRUE(entry) << "no installed thumbnailer entry";
    std::map<std::string, std::string> keys;
    std::string strLine, strGroup;
    while (std::getline(entry, strLine)) {
        if (strLine.starts_with('['))
            strGroup = strLine;
        else if (const auto eq = strLine.find('='); eq != std::string::npos && strGroup == "[Thumbnailer Entry]")
            keys[strLine.substr(0, eq)] = strLine.substr(eq + 1);
    }
    EXPECT_EQ(keys["MimeType"], "image/x-3ds;");
    EXPECT_EQ(keys["TryExec"], "tessaron-render");
    ASSERT_TRUE(Exists(prefix.Dir() + "/bin/" + keys["TryExec"]));

    const std::string strOut = prefix.Dir() + "/thumb.png";
    auto run = [&](const std::string& strSize, const std::string& strInput) {
        std::vector<std::string> argv = {"PATH=" + prefix.Dir() + "/bin:/usr/bin:/bin"};
        std::istringstream words(keys["Exec"]);
        for (std::string w; words >> w;)
            argv.push_back(w == "%s" ? strSize : w == "%i" ? strInput : w == "%o" ? strOut : w);
        argv.insert(argv.begin(), {"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY"});
        ::unlink(strOut.c_str());
        return RunProcess(argv);
    };

    const SProcessResult r = run("256", kSamplesDir + "/house.3ds");
    ASSERT_EQ(r.nExitCode, 0) << r.strErr;
    const SPicture thumb = ReadPng(strOut);
    EXPECT_EQ(thumb.cx, 256);
    EXPECT_EQ(thumb.cy, 192);  // the default view's 4:3
    if (thumb.cx == 256 && thumb.cy == 192) {
        EXPECT_TRUE(IsTeal(thumb.At(1, 1)));
        EXPECT_TRUE(IsTeal(thumb.At(254, 190)));
        EXPECT_FALSE(IsTeal(thumb.At(128, 70)));  // the house's roof
    }

    // Past the limit the file is not even read; without --thumbnail it is drawn (in part:
    // the zeros behind the cube are no chunk).
    CTempFile big(FileBytes(kSamplesDir + "/cube.3ds"), "big.3ds");
    ASSERT_EQ(::truncate(big.Path().c_str(), (64LL << 20) + 1), 0);
    const SProcessResult refused = run("128", big.Path());
    EXPECT_EQ(refused.nExitCode, 1);
    EXPECT_EQ(refused.strErr, "tessaron-render: " + big.Path() +
                                  ": not rendered: 67108865 bytes, more than the thumbnail limit of 64 MiB\n");
    EXPECT_FALSE(Exists(strOut));
    const SProcessResult drawn = Render({"--size", "16x12", "-o", strOut, big.Path()});
    EXPECT_EQ(drawn.strErr.find("limit"), std::string::npos) << drawn.strErr;
    EXPECT_EQ(ReadPng(strOut).cx, 16);
}

// GNOME's thumbnail factory runs a thumbnailer under bubblewrap: /usr and the loader cache
// read-only, a fresh /dev without GPU nodes, no home, no network, and a /tmp of its own
// holding only a copy of the model. Its pictures there must be those made outside.
TEST(TessaronRender, ThumbnailsInGnomesSandboxEqualThoseOutside)
{
    CTempFile tmp(FileBytes(kSamplesDir + "/house.3ds"), "gnome-desktop-file-to-thumbnail.3ds");
    const std::string strRender = TESSARON_RENDER_PATH;
    const std::string strInside = tmp.Dir() + "/gnome-desktop-thumbnailer.png";
    CTempFile outsideFile({}, "outside.png");
    const std::string& strOutside = outsideFile.Path();
    // Leaks are looked for in the runs outside; the suppression file is not in the sandbox.
    const char* pszAsan = std::getenv("ASAN_OPTIONS");
    const std::string strAsan = std::string(pszAsan != nullptr ? pszAsan : "") + ":detect_leaks=0";

    auto sandboxed = [&](const std::string& strSize, const std::vector<std::string>& extra) {
        std::vector<std::string> argv = {"/usr/bin/bwrap", "--ro-bind", "/usr", "/usr",
                                         "--ro-bind", "/etc/ld.so.cache", "/etc/ld.so.cache"};
        // The top folders a merged /usr links into it, as GNOME repeats them.
        for (const char* pszDir : {"/bin", "/lib", "/lib64", "/sbin"}) {
            char szTarget[PATH_MAX] = {};
            if (::readlink(pszDir, szTarget, sizeof szTarget - 1) > 0)
                argv.insert(argv.end(), {"--symlink", szTarget, pszDir});
            else
                argv.insert(argv.end(), {"--ro-bind-try", pszDir, pszDir});
        }
        // The renderer after /tmp: a build tree under /tmp (as CI's may be) would be hidden
        // by the sandbox's own /tmp otherwise.
        argv.insert(argv.end(), {"--proc", "/proc", "--dev", "/dev", "--chdir", "/", "--unshare-all",
                                 "--die-with-parent", "--bind", tmp.Dir(), "/tmp", "--ro-bind", strRender, strRender,
                                 "--unsetenv", "LSAN_OPTIONS", "--setenv", "ASAN_OPTIONS", strAsan});
        argv.insert(argv.end(), extra.begin(), extra.end());
        argv.insert(argv.end(), {strRender, "--thumbnail", strSize, "/tmp/gnome-desktop-file-to-thumbnail.3ds",
                                 "/tmp/gnome-desktop-thumbnailer.png"});
        ::unlink(strInside.c_str());
        return RunProcess(argv);
    };

    // The last run has a render node whose driver cannot be loaded, as where the sandbox
    // hides a GPU's device: EGL must still settle on software drawing.
    const std::vector<std::pair<std::string, std::vector<std::string>>> runs = {
        {"256", {}}, {"512", {}}, {"1024", {}}, {"256", {"--dev-bind", "/dev/null", "/dev/dri/renderD128"}}};
    for (const auto& [strSize, extra] : runs) {
        SCOPED_TRACE(strSize + (extra.empty() ? "" : " with a dead render node"));
        const SProcessResult outside = Render({"--thumbnail", strSize, tmp.Path(), strOutside});
        ASSERT_EQ(outside.nExitCode, 0) << outside.strErr;
        const SProcessResult inside = sandboxed(strSize, extra);
        ASSERT_EQ(inside.nExitCode, 0) << inside.strErr;
        const SPicture picture = ReadPng(strInside);
        const int nSize = std::stoi(strSize);
        EXPECT_EQ(picture.cx, nSize);
        EXPECT_EQ(picture.cy, nSize * 3 / 4);
        EXPECT_TRUE(picture.rgb == ReadPng(strOutside).rgb) << "the sandbox drew another picture";
        EXPECT_FALSE(IsTeal(picture.At(nSize / 2, nSize * 70 / 256)));  // the house's roof, not just background
    }
}

} // namespace
