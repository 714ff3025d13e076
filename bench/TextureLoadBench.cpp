// How a window stays responsive while a model's textures load: a model of 20 quads, each with
// its own 2048 x 2048 JPEG texture (written by this program), opened in a real CTessaronView
// (640 x 480, Mesa's llvmpipe on the X server) and switched to full shading. A 1 ms timer on
// the view's event loop records when the loop gets to run; the longest gap between two ticks
// while the textures decode is the longest stall the user can feel. Beside it: the view's
// frame time with every texture shown (the yardstick: at most one frame), the time until all
// textures show, and the time the same decodes take one after another on one thread, which
// is what the window would have stalled for when they were decoded while drawing.
#include "geometry/CTextureLibrary.h"
#include "platform/DecodeTexture.h"
#include "tools/C3dsWriter.h"
#include "view/CTessaronView.h"

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QTest>
#include <QThreadPool>
#include <QTimer>

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> a)
{
    std::sort(a.begin(), a.end());
    return a.empty() ? 0.0 : a[a.size() / 2];
}

// A photograph's worth of detail, so the JPEG decodes as slowly as a real texture does.
void WriteTexture(const std::string& strPath, int nSide, int nSeed)
{
    QImage image(nSide, nSide, QImage::Format_RGB888);
    unsigned nNoise = 12345u + static_cast<unsigned>(nSeed) * 7919u;
    for (int y = 0; y < nSide; ++y) {
        unsigned char* p = image.scanLine(y);
        for (int x = 0; x < nSide; ++x) {
            nNoise = nNoise * 1103515245u + 12345u;
            const int n = static_cast<int>((nNoise >> 16) & 63);
            p[3 * x] = static_cast<unsigned char>((x * 255 / nSide + n + nSeed * 40) & 255);
            p[3 * x + 1] = static_cast<unsigned char>((y * 255 / nSide + n) & 255);
            p[3 * x + 2] = static_cast<unsigned char>(((x ^ y) & 255) / 2 + n);
        }
    }
    image.save(QString::fromStdString(strPath), "jpg", 90);
}

std::string WriteModel(const std::string& strDir, int nTextures, int nSide)
{
    C3dsWriter w;
    w.LeadIn();
    for (int i = 0; i < nTextures; ++i) {
        const std::string strName = "photo" + std::to_string(i) + ".jpg";
        WriteTexture(strDir + "/" + strName, nSide, i);
        w.BeginMaterial("m" + std::to_string(i), {255, 255, 255}, {255, 255, 255}, {0, 0, 0}).TextureMap(strName).End();
    }
    for (int i = 0; i < nTextures; ++i) {
        const float x = static_cast<float>(i % 5) * 2.2f, y = static_cast<float>(i / 5) * 2.2f;
        w.BeginObject("q" + std::to_string(i)).Vertices({x, y, 0, x + 2, y, 0, x + 2, y + 2, 0, x, y + 2, 0});
        w.Mapping({0, 0, 1, 0, 1, 1, 0, 1}).BeginFaces({0, 1, 2, 0, 0, 2, 3, 0}).FaceMaterial("m" + std::to_string(i), {0, 1});
    }
    const std::string strModel = strDir + "/photos.3ds";
    const std::vector<std::uint8_t> bytes = w.Finish().Bytes();
    std::ofstream(strModel, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
    return strModel;
}

struct SRun {
    double dLongestStallMs = 0;
    double dAllShownMs = 0;
    double dFrameMs = 0;      // one frame with every texture shown
    double dColourFrameMs = 0; // the first shaded frame, in material colours
    int nFrames = 0;
};

SRun RunOnce(const std::string& strModel)
{
    SRun run;
    CTessaronView view;
    view.m_c3DS.ReadFile(strModel);
    view.resize(640, 480);
    view.move(0, 0);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view) || !QTest::qWaitFor([&] { return view.m_nFramesDrawn > 0; }, 60000)) {
        std::fprintf(stderr, "no window or no frame: is DISPLAY an X server with GL?\n");
        std::exit(1);
    }
    std::vector<Clock::time_point> aTicks;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] { aTicks.push_back(Clock::now()); });

    const int nFramesBefore = view.m_nFramesDrawn;
    const auto tStart = Clock::now();
    view.OnFullShading();
    const auto tFirst = Clock::now();
    run.dColourFrameMs = Ms(tFirst - tStart);
    ticker.start();
    aTicks.push_back(tFirst);
    const auto allShown = [&] {
        return view.m_pTextures && view.m_pTextures->Requested() > 0 &&
               view.m_pTextures->Arrived() == view.m_pTextures->Requested() && !view.m_pTextures->HasUploadsWaiting();
    };
    if (!QTest::qWaitFor(allShown, 600000))
        std::fprintf(stderr, "the textures never all showed\n");
    // The frame that uploads the last texture is still part of the loading.
    (void)QTest::qWaitFor([&] { return false; }, 50);
    ticker.stop();
    run.dAllShownMs = Ms(aTicks.back() - tStart);
    for (std::size_t i = 1; i < aTicks.size(); ++i)
        run.dLongestStallMs = std::max(run.dLongestStallMs, Ms(aTicks[i] - aTicks[i - 1]));
    run.nFrames = view.m_nFramesDrawn - nFramesBefore;

    std::vector<double> aFrameMs;
    for (int i = 0; i < 5; ++i) {
        const auto t = Clock::now();
        view.OnDraw(nullptr);
        aFrameMs.push_back(Ms(Clock::now() - t));
    }
    run.dFrameMs = Median(aFrameMs);
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    int nRuns = 5, nTextures = 20, nSide = 2048;
    for (int k = 1; k + 1 < argc; k += 2) {
        if (std::strcmp(argv[k], "--runs") == 0)
            nRuns = std::max(1, std::atoi(argv[k + 1]));
        else if (std::strcmp(argv[k], "--textures") == 0)
            nTextures = std::max(1, std::atoi(argv[k + 1]));
        else if (std::strcmp(argv[k], "--side") == 0)
            nSide = std::clamp(std::atoi(argv[k + 1]), 16, 4096);
    }
    CView::InstallDefaultSurfaceFormat();
    QApplication app(argc, argv);

    char szDir[] = "/tmp/tessaron-texbench-XXXXXX";
    if (!mkdtemp(szDir))
        return 1;
    const std::string strDir = szDir;
    const std::string strModel = WriteModel(strDir, nTextures, nSide);
    // A view without a document looks for its textures in the working folder.
    if (chdir(szDir) != 0)
        return 1;

    // The same decodes one after another on this thread, as a frame once did them.
    const auto tDecode = Clock::now();
    for (int i = 0; i < nTextures; ++i) {
        STextureImage image;
        DecodeTextureFile(strDir + "/photo" + std::to_string(i) + ".jpg", CTextureLibrary::MAX_TEXTURE_SIDE, image);
    }
    const double dSerialMs = Ms(Clock::now() - tDecode);

    std::printf("Textures loading in a 640 x 480 view: %d quads, each its own %d x %d JPEG, full shading, "
                "%d worker threads\n\n",
                nTextures, nSide, nSide, QThreadPool::globalInstance()->maxThreadCount());
    std::printf("%-5s %16s %14s %16s %16s %8s\n", "run", "longest stall ms", "frame ms", "first frame ms",
                "all shown ms", "frames");
    std::vector<double> aStall, aFrame, aFirst, aAll;
    for (int r = 0; r < nRuns; ++r) {
        const SRun run = RunOnce(strModel);
        std::printf("%-5d %16.1f %14.1f %16.1f %16.1f %8d\n", r + 1, run.dLongestStallMs, run.dFrameMs,
                    run.dColourFrameMs, run.dAllShownMs, run.nFrames);
        aStall.push_back(run.dLongestStallMs);
        aFrame.push_back(run.dFrameMs);
        aFirst.push_back(run.dColourFrameMs);
        aAll.push_back(run.dAllShownMs);
        QThreadPool::globalInstance()->waitForDone();
    }
    const double dStall = Median(aStall), dFrame = Median(aFrame);
    std::printf("\nmedians: longest stall %.1f ms, frame with every texture %.1f ms (stall / frame %.2f), "
                "first shaded frame %.1f ms, all textures shown after %.1f ms\n",
                dStall, dFrame, dFrame > 0 ? dStall / dFrame : 0.0, Median(aFirst), Median(aAll));
    std::printf("the same %d decodes one after another on one thread: %.1f ms (what a frame that decoded "
                "them would have stalled for: %.1f x the longest stall)\n",
                nTextures, dSerialMs, dStall > 0 ? dSerialMs / dStall : 0.0);
    std::filesystem::remove_all(strDir);
    return 0;
}
