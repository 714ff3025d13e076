// How a view keeps up with a drag on a model whose frames are slow: the 1,036,800-triangle
// model of DrawModelBench in a real CTessaronView, dragged with real pointer events that a
// child process sends to the X server through XTest at a mouse's pace, while the view's own
// event loop runs. For each drag it reports the time from the last move sent to the frame
// on screen that shows it, the frames drawn, the moves delivered (Qt's xcb plugin already
// merges motion events that pile up while the loop is busy) and the most frames ever queued
// at once; and beside them the time of one frame of the same view in the same run.
#include "BenchModel.h"
#include "view/CTessaronView.h"

#include <QApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <QTest>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC, the same in both processes

struct SScript {
    int nDrags = 9;       // the first one warms up and is not counted
    int nMoves = 60;      // per drag
    int nStepPx = 4;      // pointer travel per move
    int nPeriodMs = 8;    // between moves: a 125 Hz mouse
};

struct SDragEnd {
    std::int64_t nLastMoveNs = 0;  // when the last move had reached the X server
    int nTravelPx = 0;             // signed horizontal travel of the whole drag
};

std::int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

bool ReadAll(int fd, void* p, std::size_t n)
{
    auto* pb = static_cast<char*>(p);
    while (n > 0) {
        const ssize_t r = read(fd, pb, n);
        if (r <= 0)
            return false;
        pb += r;
        n -= static_cast<std::size_t>(r);
    }
    return true;
}

// The child: waits for the view's centre on screen, then for each drag a go from the
// parent; presses, moves, releases, and reports when its last move was through.
[[noreturn]] void RunDriver(int fdIn, int fdOut, const SScript& script)
{
    Display* pDisplay = XOpenDisplay(nullptr);
    int nX = 0, nY = 0;
    if (pDisplay == nullptr || !ReadAll(fdIn, &nX, sizeof nX) || !ReadAll(fdIn, &nY, sizeof nY))
        _exit(1);
    for (int d = 0; d < script.nDrags; ++d) {
        char go = 0;
        if (!ReadAll(fdIn, &go, 1))
            _exit(1);
        const int nSign = d % 2 == 0 ? 1 : -1;  // there and back, so the model stays in view
        const int nStartX = nX - nSign * script.nMoves * script.nStepPx / 2;
        XTestFakeMotionEvent(pDisplay, -1, nStartX, nY, CurrentTime);
        XTestFakeButtonEvent(pDisplay, 1, True, CurrentTime);
        XSync(pDisplay, False);
        const auto t0 = Clock::now();
        SDragEnd end;
        for (int i = 1; i <= script.nMoves; ++i) {
            std::this_thread::sleep_until(t0 + std::chrono::milliseconds(i * script.nPeriodMs));
            XTestFakeMotionEvent(pDisplay, -1, nStartX + nSign * i * script.nStepPx, nY, CurrentTime);
            XSync(pDisplay, False);
            end.nLastMoveNs = NowNs();
        }
        XTestFakeButtonEvent(pDisplay, 1, False, CurrentTime);
        XSync(pDisplay, False);
        end.nTravelPx = nSign * script.nMoves * script.nStepPx;
        if (write(fdOut, &end, sizeof end) != static_cast<ssize_t>(sizeof end))
            _exit(1);
    }
    XCloseDisplay(pDisplay);
    _exit(0);
}

// Watches the view from outside: the moves it is given, the frames it queues and draws,
// and the angle each drawn frame was drawn at.
class CProbe : public QObject {
public:
    explicit CProbe(CTessaronView& view) : m_view(view) {}

    bool eventFilter(QObject*, QEvent* pEvent) override
    {
        // A frame queued since the last event the view saw.
        if (m_view.IsMouseFrameQueued() && !m_bQueuedSeen) {
            ++m_nQueued;
            m_bQueuedSeen = true;
        }
        m_nMaxPending = std::max(m_nMaxPending, m_nQueued - m_nRun);
        if (pEvent->type() == QEvent::MouseMove)
            ++m_nMoves;
        if (pEvent->type() == QEvent::MetaCall && m_view.IsMouseFrameQueued()) {
            // The queued frame runs now and draws the angles as they stand.
            ++m_nRun;
            m_bQueuedSeen = false;
            m_angleOfFrame[m_view.m_nFramesDrawn + 1] = m_view.m_fAngleZ;
        }
        return false;
    }

    CTessaronView& m_view;
    bool m_bQueuedSeen = false;
    int m_nQueued = 0;
    int m_nRun = 0;
    int m_nMaxPending = 0;
    int m_nMoves = 0;
    std::map<int, float> m_angleOfFrame;  // frame number -> m_fAngleZ it was drawn with
};

double Median(std::vector<double> a)
{
    std::sort(a.begin(), a.end());
    return a.empty() ? 0.0 : a[a.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    SScript script;
    for (int k = 1; k + 1 < argc; k += 2) {
        if (std::strcmp(argv[k], "--drags") == 0)
            script.nDrags = std::max(2, std::atoi(argv[k + 1]));
        else if (std::strcmp(argv[k], "--moves") == 0)
            script.nMoves = std::max(2, std::atoi(argv[k + 1]));
    }

    // The driver is forked before Qt exists, so it shares nothing with the view's process
    // but the X server and the clock.
    int toDriver[2], fromDriver[2];
    if (pipe(toDriver) != 0 || pipe(fromDriver) != 0)
        return 1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(toDriver[1]);
        close(fromDriver[0]);
        RunDriver(toDriver[0], fromDriver[1], script);
    }
    close(toDriver[0]);
    close(fromDriver[1]);

    CView::InstallDefaultSurfaceFormat();
    QApplication app(argc, argv);
    CTessaronView view;
    BuildFrameBenchModel(view.m_c3DS);
    view.resize(640, 480);
    view.move(0, 0);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view) || !QTest::qWaitFor([&] { return view.m_nFramesDrawn > 0; }, 60000)) {
        std::fprintf(stderr, "no window or no frame: is DISPLAY an X server with GL?\n");
        kill(pid, SIGTERM);
        return 1;
    }
    view.activateWindow();
    view.setFocus();

    // One frame of this view, drawn straight: the yardstick for the latencies.
    std::vector<double> aFrameMs;
    for (int i = 0; i < 5; ++i) {
        const auto t = Clock::now();
        view.OnDraw(nullptr);
        aFrameMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t).count());
    }
    const double dFrameMs = Median(aFrameMs);

    CProbe probe(view);
    view.installEventFilter(&probe);
    // When each drawn frame first reached the screen.
    std::map<int, std::int64_t> shownAt;
    QObject::connect(&view, &QOpenGLWidget::frameSwapped, [&] { shownAt.emplace(view.m_nFramesDrawn, NowNs()); });

    const QPoint centre = view.mapToGlobal(QPoint(view.width() / 2, view.height() / 2));
    const int nCentre[2] = {centre.x(), centre.y()};
    if (write(toDriver[1], nCentre, sizeof nCentre) != static_cast<ssize_t>(sizeof nCentre))
        return 1;

    std::printf("Mouse drag on %zu triangles, %d x %d view, %d drags of %d moves of %d px every %d ms\n"
                "one frame of the view, median of 5: %.1f ms\n\n",
                view.m_c3DS.m_aFaces.size(), view.width(), view.height(), script.nDrags - 1, script.nMoves,
                script.nStepPx, script.nPeriodMs, dFrameMs);
    std::printf("  %5s %12s %10s %8s %8s %12s\n", "drag", "latency ms", "in frames", "frames", "moves", "max pending");

    std::vector<double> aLatency, aFrames, aMoves, aPending;
    for (int d = 0; d < script.nDrags; ++d) {
        const float fStart = view.m_fAngleZ;
        const int nFrames0 = view.m_nFramesDrawn, nMoves0 = probe.m_nMoves;
        probe.m_nMaxPending = 0;
        const char go = 1;
        if (write(toDriver[1], &go, 1) != 1)
            return 1;
        SDragEnd end;
        QSocketNotifier notifier(fromDriver[0], QSocketNotifier::Read);
        bool bEnded = false;
        QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
            notifier.setEnabled(false);
            bEnded = ReadAll(fromDriver[0], &end, sizeof end);
        });
        if (!QTest::qWaitFor([&] { return bEnded || !notifier.isEnabled(); }, 60000) || !bEnded) {
            std::fprintf(stderr, "the driver stopped\n");
            return 1;
        }
        // The first frame drawn at the angle of the last move, and when it was on screen.
        const float fTarget = fStart + CTessaronView::kDegreesPerPixel * static_cast<float>(end.nTravelPx);
        int nShowing = 0;
        auto shown = [&] {
            for (const auto& [nFrame, fAngle] : probe.m_angleOfFrame)
                if (nFrame > nFrames0 && fAngle == fTarget && nShowing == 0)
                    nShowing = nFrame;
            return nShowing != 0 && shownAt.count(nShowing) != 0;
        };
        if (!QTest::qWaitFor(shown, 60000)) {
            std::fprintf(stderr, "drag %d: the last move never reached the screen (angle %g, wanted %g)\n", d,
                         static_cast<double>(view.m_fAngleZ), static_cast<double>(fTarget));
            return 1;
        }
        const std::int64_t nShownNs = shownAt[nShowing];
        QTest::qWait(300);  // let the release and any repaint settle before the next drag
        const double dLatency = static_cast<double>(nShownNs - end.nLastMoveNs) / 1e6;
        const int nFrames = view.m_nFramesDrawn - nFrames0, nMoves = probe.m_nMoves - nMoves0;
        if (d == 0)
            continue;  // the first drag also brings the focus and the window to the front
        std::printf("  %5d %12.1f %10.2f %8d %8d %12d\n", d, dLatency, dLatency / dFrameMs, nFrames, nMoves,
                    probe.m_nMaxPending);
        aLatency.push_back(dLatency);
        aFrames.push_back(nFrames);
        aMoves.push_back(nMoves);
        aPending.push_back(probe.m_nMaxPending);
    }
    std::printf("  %5s %12.1f %10.2f %8.0f %8.0f %12.0f\n", "median", Median(aLatency), Median(aLatency) / dFrameMs,
                Median(aFrames), Median(aMoves), Median(aPending));
    std::printf("  %5s %12.1f %10.2f %8.0f %8.0f %12.0f\n", "worst", *std::max_element(aLatency.begin(), aLatency.end()),
                *std::max_element(aLatency.begin(), aLatency.end()) / dFrameMs,
                *std::max_element(aFrames.begin(), aFrames.end()), *std::max_element(aMoves.begin(), aMoves.end()),
                *std::max_element(aPending.begin(), aPending.end()));
    std::printf("\nThe last move is on screen with the frame after the one being drawn when it came: within\n"
                "about two frame times (\"in frames\" <= 2, plus the composition); \"max pending\" never above 1.\n");

    close(toDriver[1]);
    int nStatus = 0;
    waitpid(pid, &nStatus, 0);
    return 0;
}
