// main() for tests of real widgets: the X server named by DISPLAY (Xvfb in the test run)
// and the surface format every view uses. No display means QApplication aborts, so a GUI
// test can never pass without one.
#include "platform/CView.h"
#include "platform/MessageBox.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();  // listing needs no display
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "GUI tests need an X display (run them under xvfb-run)\n");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    CView::InstallDefaultSurfaceFormat();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
