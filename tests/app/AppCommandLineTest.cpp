// The toolkit's own switches are not the toolkit's: after "--" they are file names like any
// other. The toolkit reads them when the application object is made, so this test makes the
// program's own, once.
#include "app/CMainFrame.h"
#include "app/CTessaronApp.h"
#include "platform/CDocument.h"
#include "platform/CView.h"

#include "MessageRecorder.h"
#include "TestFiles.h"

#include <QApplication>
#include <QMdiArea>
#include <QSettings>
#include <QStyle>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(CommandLine, ToolkitSwitchesAreFileNamesToTheViewer)
{
    CTempFile config({});
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.Dir()));
    CMessageRecorder recorder;
    const std::string strModel = std::string(TESSARON_SOURCE_DIR) + "/samples/cube.3ds";
    std::vector<std::string> args = {"tessaron", "--", "-reverse", "-qwindowtitle", "Foo", "-style", "windows", strModel};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(args.size());
    CTessaronApp app(argc, argv.data());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(config.Dir()));
    ASSERT_TRUE(app.InitInstance());
    CMainFrame* pFrame = app.MainFrame();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pFrame));

    EXPECT_EQ(QGuiApplication::layoutDirection(), Qt::LeftToRight);
    EXPECT_EQ(pFrame->layoutDirection(), Qt::LeftToRight);
    EXPECT_EQ(pFrame->windowTitle().toStdString(), "Tessaron - cube.3ds");
    EXPECT_EQ(pFrame->windowHandle()->title().toStdString(), "Tessaron - cube.3ds");
    EXPECT_NE(QApplication::style()->name().toLower().toStdString(), "windows");
    EXPECT_EQ(pFrame->MdiArea()->subWindowList().size(), 1);
    std::vector<std::string> texts;
    for (const auto& message : recorder.m_aMessages)
        texts.push_back(message.strText);
    EXPECT_EQ(texts, (std::vector<std::string>{FormatFileNotFound("-reverse"), FormatFileNotFound("-qwindowtitle"),
                                               FormatFileNotFound("Foo"), FormatFileNotFound("-style"),
                                               FormatFileNotFound("windows")}));
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "GUI tests need an X display (run them under xvfb-run)\n");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    CView::InstallDefaultSurfaceFormat();
    return RUN_ALL_TESTS();
}
