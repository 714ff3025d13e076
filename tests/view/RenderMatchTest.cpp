// The headless renderer draws the very frame a model window shows: models are opened in real
// views and drawn by tessaron-render (as a process, DISPLAY unset) at the views' size, and
// the two pictures are compared pixel by pixel. Both run the same frame routine in Mesa's
// llvmpipe with the same buffers, so nothing short of equality is accepted.
#include "ViewHarness.h"

#include "tools/C3dsWriter.h"
#include "MessageRecorder.h"
#include "TestFiles.h"
#include "tools/RunProcess.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// The view's framebuffer as RGB rows, top row first, as an image file holds them.
QImage ViewPicture(CTessaronView* pView)
{
    pView->makeCurrent();
    const int w = pView->width(), h = pView->height();
    QImage image(w, h, QImage::Format_RGB888);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    std::vector<unsigned char> rgb(static_cast<std::size_t>(w) * h * 3);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    for (int y = 0; y < h; ++y)
        std::memcpy(image.scanLine(h - 1 - y), &rgb[static_cast<std::size_t>(y) * w * 3], static_cast<std::size_t>(w) * 3);
    return image;
}

// Pixels that differ, with the first one named, or "" when the pictures are equal.
std::string Difference(const QImage& view, const QImage& rendered)
{
    if (view.size() != rendered.size())
        return "sizes differ";
    int nDiffering = 0;
    std::string strFirst;
    for (int y = 0; y < view.height(); ++y) {
        for (int x = 0; x < view.width(); ++x) {
            if (view.pixel(x, y) == rendered.pixel(x, y))
                continue;
            if (nDiffering++ == 0)
                strFirst = " first at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
        }
    }
    return nDiffering == 0 ? "" : std::to_string(nDiffering) + " pixels differ," + strFirst;
}

SProcessResult Render(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", TESSARON_RENDER_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv);
}

std::string SizeOf(CTessaronView* pView)
{
    return std::to_string(pView->width()) + "x" + std::to_string(pView->height());
}

// A red square under a half-transparent one: blending and the depth order both show.
std::vector<std::uint8_t> GlassOverRed()
{
    C3dsWriter w;
    w.LeadIn();
    w.Material("Red", {120, 20, 20}, {220, 40, 40}, {255, 255, 255}, 30, 0);
    w.Material("Glass", {20, 40, 80}, {60, 120, 230}, {255, 255, 255}, 60, 50);
    w.BeginObject("Floor").Vertices({-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0});
    w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0}).FaceMaterial("Red", {0, 1}).End().End().End();
    w.BeginObject("Pane").Vertices({-0.5f, -1.5f, 0.4f, 0.8f, -1.5f, 0.4f, 0.8f, 0.5f, 0.6f, -0.5f, 0.5f, 0.6f});
    w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0}).FaceMaterial("Glass", {0, 1});
    return w.Finish().Bytes();
}

class RenderMatch : public ::testing::Test {
protected:
    CMessageRecorder m_recorder;  // the partial file's message box
    CViewHarness m_harness;
};

TEST_F(RenderMatch, EveryModelInOneBatchEqualsItsWindow)
{
    CTempFile glass(GlassOverRed(), "glass.3ds");
    std::vector<std::uint8_t> cut = GlassOverRed();
    cut.resize(cut.size() - 3);  // the pane's face-material group runs past the end
    CTempFile partial(cut, "partial.3ds");

    std::vector<std::string> files = {SamplePath("house.3ds"), SamplePath("pyramid.3ds"), glass.Path(),
                                      partial.Path()};
    // Two real exporters' files, big and small, where the packages are installed.
    const std::vector<std::string> installed = Find3dsFiles(SystemModelFolders());
    if (!installed.empty()) {
        files.push_back(installed.front());
        files.push_back(installed[installed.size() / 2]);
    }

    std::vector<QImage> views;
    std::string strSize;
    for (const std::string& strFile : files) {
        CTessaronView* pView = m_harness.Open(strFile, 320, 240);
        ASSERT_NE(pView, nullptr) << strFile;
        ASSERT_GT(pView->m_nFramesDrawn, 0) << strFile;
        if (strSize.empty())
            strSize = SizeOf(pView);
        ASSERT_EQ(SizeOf(pView), strSize) << strFile;
        views.push_back(ViewPicture(pView));
    }

    CTempFile out({}, "unused");
    std::vector<std::string> args = {"--size", strSize, "--output-dir", out.Dir()};
    args.insert(args.end(), files.begin(), files.end());
    const SProcessResult r = Render(args);
    EXPECT_EQ(r.nExitCode, 1) << r.strErr;  // the partial file
    EXPECT_EQ(r.strErr, "tessaron-render: " + partial.Path() + ": warning: read in part, read status -21, "
                        "a chunk's data runs past the end of the file; the picture shows what was read\n");
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::string strName = files[i].substr(files[i].find_last_of('/') + 1);
        strName.resize(strName.size() - 4);
        const QImage rendered = QImage(QString::fromStdString(out.Dir() + "/" + strName + ".png"))
                                    .convertToFormat(QImage::Format_RGB888);
        EXPECT_EQ(Difference(views[i], rendered), "") << files[i];
    }
}

TEST_F(RenderMatch, ViewOptionsEqualTheViewsOwnState)
{
    CTessaronView* pView = m_harness.Open(SamplePath("house.3ds"), 320, 240);
    ASSERT_NE(pView, nullptr);
    CTempFile out({}, "unused");

    struct SCase {
        std::vector<std::string> args;
        void (*set)(CTessaronView*);
    };
    const SCase cases[] = {
        {{"--no-net", "--white"}, [](CTessaronView* p) { p->m_bShowNet = false, p->m_bShowAxes = true, p->m_bWhiteBackground = true; }},
        {{"--walk"}, [](CTessaronView* p) { p->m_bWalkAround = true; }},
        {{"--angles", "-30.5,10,120", "--distance", "3.5"},
         [](CTessaronView* p) { p->m_fAngleX = -30.5f, p->m_fAngleY = 10.0f, p->m_fAngleZ = 120.0f, p->m_fDistance = 3.5f; }},
    };
    for (const SCase& c : cases) {
        // Back to a freshly opened window's state (the projection stays), then the case's.
        const double dAspect = pView->m_dAspect;
        static_cast<CScene&>(*pView) = CScene();
        pView->m_dAspect = dAspect;
        c.set(pView);
        pView->makeCurrent();
        pView->RenderScene();
        const QImage view = ViewPicture(pView);

        std::vector<std::string> args = c.args;
        const std::string strOut = out.Dir() + "/case.png";
        args.insert(args.end(), {"--size", SizeOf(pView), "-o", strOut, SamplePath("house.3ds")});
        const SProcessResult r = Render(args);
        EXPECT_EQ(r.nExitCode, 0) << r.strErr;
        const QImage rendered = QImage(QString::fromStdString(strOut)).convertToFormat(QImage::Format_RGB888);
        EXPECT_EQ(Difference(view, rendered), "") << c.args.front();
    }
}

// Where pixels of one kind lie on a picture: their count and centre.
struct SBlob {
    int n = 0;
    double x = 0.0, y = 0.0;
};

SBlob Blob(const QImage& image, bool (*kind)(const QColor&))
{
    SBlob b;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (kind(image.pixelColor(x, y))) {
                ++b.n;
                b.x += x;
                b.y += y;
            }
    if (b.n > 0) {
        b.x /= b.n;
        b.y /= b.n;
    }
    return b;
}

// Colours told apart by the order of their channels, which lighting keeps.
bool Orange(const QColor& c) { return c.red() > c.green() + 50 && c.green() > c.blue() + 50; }
bool Lime(const QColor& c) { return c.green() > c.red() + 50 && c.red() > c.blue() + 50; }
bool Violet(const QColor& c) { return c.blue() > c.red() + 50 && c.red() > c.green() + 50; }
bool Pink(const QColor& c) { return c.red() > c.blue() + 50 && c.blue() > c.green() + 50; }
bool Sky(const QColor& c) { return c.blue() > c.green() + 50 && c.green() > c.red() + 50; }

TEST_F(RenderMatch, FullShadingFindsItsTextureAndEqualsItsWindow)
{
    // A model folder as downloads lay them out: the model in scene/, its texture one level
    // up in Textures/, named in another case than the material says. The texture's four
    // quadrants differ, and a sky-blue marker sits off the wall's corner (-1, -1), where
    // the texture's lower left quadrant (orange) must land: a flip, a turn or a wrong
    // mapping puts another quadrant there.
    CTempFile base({}, "unused");
    namespace fs = std::filesystem;
    fs::create_directories(base.Dir() + "/scene");
    fs::create_directories(base.Dir() + "/Textures");
    QImage texture(8, 8, QImage::Format_RGB888);
    for (int y = 0; y < 8; ++y)  // the image's top row first: y < 4 is the upper half
        for (int x = 0; x < 8; ++x)
            texture.setPixelColor(x, y, y < 4 ? (x < 4 ? QColor(128, 255, 0) : QColor(255, 0, 128))
                                              : (x < 4 ? QColor(255, 128, 0) : QColor(128, 0, 255)));
    ASSERT_TRUE(texture.save(QString::fromStdString(base.Dir() + "/Textures/brick.png")));
    C3dsWriter w;
    w.LeadIn().BeginMaterial("Brick", {255, 40, 40}, {255, 40, 40}, {0, 0, 0}).TextureMap("BRICK.PNG").End();
    w.Material("Marker", {0, 128, 255}, {0, 128, 255}, {0, 0, 0});
    w.BeginObject("Wall").Vertices({-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0}).Mapping({0, 0, 1, 0, 1, 1, 0, 1});
    w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0}).FaceMaterial("Brick", {0, 1}).End().End().End();
    w.BeginObject("Marker").Vertices({-1.5f, -1.5f, 0, -1.1f, -1.5f, 0, -1.1f, -1.1f, 0, -1.5f, -1.1f, 0});
    w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0}).FaceMaterial("Marker", {0, 1});
    const std::string strModel = base.Dir() + "/scene/wall.3ds";
    {
        const std::vector<std::uint8_t> bytes = w.Finish().Bytes();
        std::ofstream(strModel, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                        static_cast<std::streamsize>(bytes.size()));
    }
    auto textured = [](const QImage& image) {
        return Blob(image, Orange).n + Blob(image, Lime).n + Blob(image, Violet).n + Blob(image, Pink).n;
    };

    CTessaronView* pView = m_harness.Open(strModel, 320, 240);
    ASSERT_NE(pView, nullptr);
    // The classic look knows no textures.
    EXPECT_LT(textured(ViewPicture(pView)), 100);
    pView->OnFullShading();
    // The window shows the texture once its worker has decoded it.
    QImage view;
    EXPECT_TRUE(QTest::qWaitFor([&] { return Blob(view = ViewPicture(pView), Orange).n > 500; }, 10000));
    const SBlob marker = Blob(view, Sky);
    ASSERT_GT(marker.n, 50);
    double dNearest = 1e9;
    for (bool (*kind)(const QColor&) : {Lime, Pink, Violet}) {
        const SBlob b = Blob(view, kind);
        EXPECT_GT(b.n, 500);
        dNearest = std::min(dNearest, std::hypot(b.x - marker.x, b.y - marker.y));
    }
    const SBlob lowerLeft = Blob(view, Orange);
    EXPECT_GT(lowerLeft.n, 500);
    EXPECT_LT(std::hypot(lowerLeft.x - marker.x, lowerLeft.y - marker.y), dNearest);

    const std::string strOut = base.Dir() + "/wall.png";
    SProcessResult r = Render({"--full-shading", "--size", SizeOf(pView), "-o", strOut, strModel});
    EXPECT_EQ(r.nExitCode, 0) << r.strErr;
    EXPECT_EQ(Difference(view, QImage(QString::fromStdString(strOut)).convertToFormat(QImage::Format_RGB888)), "");

    // Without the texture file: the material's own colour and one warning naming both.
    fs::remove(base.Dir() + "/Textures/brick.png");
    r = Render({"--full-shading", "--size", SizeOf(pView), "-o", strOut, strModel});
    EXPECT_EQ(r.nExitCode, 0) << r.strErr;
    EXPECT_NE(r.strErr.find("wall.3ds: texture BRICK.PNG not found"), std::string::npos) << r.strErr;
    const QImage plain = QImage(QString::fromStdString(strOut));
    EXPECT_LT(textured(plain), 100);
    int nRed = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            nRed += QColor(plain.pixel(x, y)).red() > QColor(plain.pixel(x, y)).green() + 60;
    EXPECT_GT(nRed, 2000);
}

} // namespace
