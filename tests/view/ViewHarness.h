#pragma once

#include "app/CTessaronDoc.h"
#include "platform/CMDIChildWnd.h"
#include "platform/CMultiDocTemplate.h"
#include "view/CTessaronView.h"

#include "MessageRecorder.h"

#include <gtest/gtest.h>

#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include <GL/gl.h>

#include <array>
#include <memory>
#include <string>

// A workspace with the document template wired as the program wires it, for opening
// models into real child windows under the X server.
class CViewHarness {
public:
    CViewHarness()
        : m_template(129, "Tessaron", [] { return std::make_unique<CTessaronDoc>(); },
                     [] { return new CMDIChildWnd; }, [] { return new CTessaronView; })
    {
        m_window.setCentralWidget(&m_area);
        m_window.resize(900, 700);
        m_template.SetMdiArea(&m_area);
        m_window.show();
        (void)QTest::qWaitForWindowExposed(&m_window);
    }
    ~CViewHarness()
    {
        m_template.CloseAllDocuments();
        m_window.takeCentralWidget();
    }

    // Opens a file (or a new document for an empty path) and waits until its view has
    // its context and has drawn.
    CTessaronView* Open(const std::string& strPath, int cx = 400, int cy = 300)
    {
        CDocument* pDoc = m_template.OpenDocumentFile(strPath);
        if (pDoc == nullptr)
            return nullptr;
        auto* pView = dynamic_cast<CTessaronView*>(pDoc->GetFirstView());
        m_template.GetFrame(pDoc)->resize(cx + 20, cy + 40);
        Settle(pView);
        return pView;
    }

    static void Settle(CTessaronView* pView)
    {
        EXPECT_TRUE(QTest::qWaitFor([pView] { return pView->IsCreated() && pView->m_nFramesDrawn > 0; }, 10000));
    }

    // Reads a pixel of the view's framebuffer (origin bottom left) as it was last drawn.
    static std::array<int, 3> Pixel(CTessaronView* pView, int x, int y)
    {
        pView->makeCurrent();
        unsigned char rgba[4] = {};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return {rgba[0], rgba[1], rgba[2]};
    }

    // Counts pixels of the whole framebuffer for which pred(r, g, b) holds.
    template <typename Pred>
    static int Count(CTessaronView* pView, Pred pred)
    {
        pView->makeCurrent();
        const int w = pView->width(), h = pView->height();
        std::vector<unsigned char> px(static_cast<std::size_t>(w) * h * 4);
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
        int n = 0;
        for (std::size_t i = 0; i < px.size(); i += 4)
            n += pred(px[i], px[i + 1], px[i + 2]) ? 1 : 0;
        return n;
    }

    QMainWindow m_window;
    QMdiArea m_area;
    CMultiDocTemplate m_template;
};

inline std::string SamplePath(const char* name)
{
    return std::string(TESSARON_SOURCE_DIR) + "/samples/" + name;
}

// Tests of one view over the cube sample, opened as the program opens it.
class COpenCubeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_pView = m_harness.Open(SamplePath("cube.3ds"));
        ASSERT_NE(m_pView, nullptr);
    }

    CMessageRecorder m_recorder;
    CViewHarness m_harness;
    CTessaronView* m_pView = nullptr;
};

// The walk camera, steps and spin back at their start values, the walk scale and level
// view left as they were: what Home does in walk mode, by key or by command.
inline void ExpectWalkHome(const CTessaronView* pView, double dScale, bool bLevelView)
{
    EXPECT_EQ(pView->m_dEyeX, 0.0);
    EXPECT_EQ(pView->m_dEyeY, -10.0);
    EXPECT_EQ(pView->m_dEyeZ, 2.0);
    EXPECT_EQ(pView->m_dPitch, 1.57079632675);
    EXPECT_EQ(pView->m_dHeading, 1.57079632675);
    EXPECT_EQ(pView->m_dWalkStep, 0.5);
    EXPECT_EQ(pView->m_dTurnStep, 0.1);
    EXPECT_EQ(pView->m_dSpinX, 0.0);
    EXPECT_EQ(pView->m_dSpinY, 0.0);
    EXPECT_EQ(pView->m_dSpinZ, 0.0);
    EXPECT_EQ(pView->m_dWalkScale, dScale);
    EXPECT_EQ(pView->m_bLevelView, bLevelView);
}

inline bool Near(const std::array<int, 3>& c, int r, int g, int b, int tol = 2)
{
    return std::abs(c[0] - r) <= tol && std::abs(c[1] - g) <= tol && std::abs(c[2] - b) <= tol;
}

