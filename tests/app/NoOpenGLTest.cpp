// Run with Qt's OpenGL integration switched off (see CMakeLists.txt): a machine where no
// OpenGL context can be had at all.
#include "app/CMainFrame.h"
#include "app/CTessaronApp.h"
#include "platform/CMultiDocTemplate.h"
#include "platform/CView.h"

#include "MessageRecorder.h"

#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(NoOpenGL, ModelWindowsOpenEmptyAndSayWhyOnce)
{
    ASSERT_FALSE(CView::OpenGLAvailable());
    CMessageRecorder recorder;
    int argc = 1;
    char arg0[] = "tessaron";
    char* argv[] = {arg0, nullptr};
    CTessaronApp app(argc, argv);
    ASSERT_TRUE(app.InitInstance());
    ASSERT_TRUE(app.OpenDocumentFile(std::string(TESSARON_SOURCE_DIR) + "/samples/house.3ds"));
    ASSERT_EQ(app.MainFrame()->MdiArea()->subWindowList().size(), 1);
    // Composing the window is where Qt would crash: wait until the view has been through it.
    QWidget* pView = app.MainFrame()->MdiArea()->subWindowList().front()->widget();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(app.MainFrame()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recorder.m_aMessages.empty() && pView->isVisible(); }, 10000));
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    ASSERT_EQ(recorder.m_aMessages.size(), 1u);
    EXPECT_EQ(recorder.m_aMessages[0].strText, "ChoosePixelFormat failed");
    EXPECT_EQ(recorder.m_aMessages[0].strCaption, "Tessaron");

    // Closing it releases the view with it.
    app.MainFrame()->MdiArea()->subWindowList().front()->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.Template()->GetDocuments().empty(); }, 10000));
}

} // namespace
