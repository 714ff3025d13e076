#include "ViewHarness.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using Pixels = std::vector<unsigned char>;

// The walk camera as one comparable value: eye, pitch, heading.
std::array<double, 5> WalkCamera(const CTessaronView* pView)
{
    return {pView->m_dEyeX, pView->m_dEyeY, pView->m_dEyeZ, pView->m_dPitch, pView->m_dHeading};
}

class ViewMouse : public COpenCubeTest {
protected:
    QPoint Centre() const { return {m_pView->width() / 2, m_pView->height() / 2}; }

    // Press, a few moves of uneven length, release; then the frame the moves queued.
    void Drag(Qt::MouseButton button, Qt::KeyboardModifiers mods, QPoint delta, QPoint from = {})
    {
        if (from.isNull())
            from = Centre();
        QTest::mousePress(m_pView, button, mods, from);
        for (int k : {1, 3, 4, 8, 9, 10})
            QTest::mouseMove(m_pView, from + delta * k / 10);
        QTest::mouseRelease(m_pView, button, mods, from + delta);
        WaitForMouseFrame();
    }
    void Wheel(int nDelta)
    {
        const QPointF pos(Centre());
        QWheelEvent event(pos, m_pView->mapToGlobal(pos), QPoint(), QPoint(0, nDelta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(m_pView, &event);
        WaitForMouseFrame();
    }
    void WaitForMouseFrame() const
    {
        ASSERT_TRUE(QTest::qWaitFor([this] { return !m_pView->IsMouseFrameQueued(); }, 10000));
    }
    void Press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier, int nTimes = 1)
    {
        for (int i = 0; i < nTimes; ++i)
            QTest::keyClick(m_pView, key, mods);
    }
    // The framebuffer as last drawn.
    Pixels Frame() const
    {
        m_pView->makeCurrent();
        Pixels px(static_cast<std::size_t>(m_pView->width()) * m_pView->height() * 4);
        glReadPixels(0, 0, m_pView->width(), m_pView->height(), GL_RGBA, GL_UNSIGNED_BYTE, px.data());
        return px;
    }
    // Keys repaint whenever Qt composes next; draw their frame now to compare it.
    Pixels FrameAfterKeys() const
    {
        m_pView->OnDraw(nullptr);
        return Frame();
    }
    // Where the model's first vertex lands in the window (origin bottom left), by feedback.
    std::array<float, 2> FirstVertexOnScreen() const
    {
        m_pView->makeCurrent();
        std::vector<GLfloat> buffer(4096);
        glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
        glRenderMode(GL_FEEDBACK);
        m_pView->DrawScene(m_pView->m_c3DS);
        const GLint nValues = glRenderMode(GL_RENDER);
        for (GLint i = 0; i + 4 < nValues; ++i)
            if (buffer[i] == GL_POLYGON_TOKEN)
                return {buffer[i + 2], buffer[i + 3]};
        ADD_FAILURE() << "no triangle in the feedback";
        return {};
    }
};

TEST_F(ViewMouse, ObjectDragTurnsAsTheArrowKeysAndBackRestoresThePicture)
{
    const Pixels start = Frame();
    EXPECT_EQ(m_pView->cursor().shape(), Qt::OpenHandCursor);

    QTest::mousePress(m_pView, Qt::LeftButton, Qt::NoModifier, Centre());
    EXPECT_EQ(m_pView->cursor().shape(), Qt::ClosedHandCursor);
    QTest::mouseRelease(m_pView, Qt::LeftButton, Qt::NoModifier, Centre());
    EXPECT_EQ(m_pView->cursor().shape(), Qt::OpenHandCursor);

    // 60 pixels right and 40 down: 30 presses of Left and 20 of Down, to the last bit.
    const int nFrames = m_pView->m_nFramesDrawn;
    Drag(Qt::LeftButton, Qt::NoModifier, {60, 40});
    EXPECT_GT(m_pView->m_nFramesDrawn, nFrames);
    EXPECT_EQ(m_pView->m_fAngleZ, -15.0f);
    EXPECT_EQ(m_pView->m_fAngleX, -50.0f);
    EXPECT_EQ(m_pView->m_fAngleY, 0.0f);
    const Pixels dragged = Frame();
    EXPECT_NE(dragged, start);

    // The same way back: the start picture, bit for bit.
    Drag(Qt::LeftButton, Qt::NoModifier, {-60, -40});
    EXPECT_EQ(m_pView->m_fAngleZ, -45.0f);
    EXPECT_EQ(m_pView->m_fAngleX, -70.0f);
    EXPECT_EQ(Frame(), start);

    Press(Qt::Key_Left, Qt::NoModifier, 30);
    Press(Qt::Key_Down, Qt::NoModifier, 20);
    EXPECT_EQ(m_pView->m_fAngleZ, -15.0f);
    EXPECT_EQ(m_pView->m_fAngleX, -50.0f);
    EXPECT_EQ(FrameAfterKeys(), dragged);

    // Walk mode has its own pointer and prompt.
    const QString strObjectPrompt = m_pView->statusTip();
    m_pView->OnWalkAround();
    EXPECT_EQ(m_pView->cursor().shape(), Qt::CrossCursor);
    EXPECT_NE(m_pView->statusTip(), strObjectPrompt);
    EXPECT_TRUE(m_pView->statusTip().contains("wheel"));
}

TEST_F(ViewMouse, WheelMovesNearerInObjectModeAndStepsInWalkMode)
{
    Wheel(120);
    EXPECT_EQ(m_pView->m_fDistance, 4.5f);
    Wheel(-360);
    EXPECT_EQ(m_pView->m_fDistance, 6.0f);
    Wheel(60);  // a fine wheel or touchpad, in proportion
    Wheel(-30);
    EXPECT_EQ(m_pView->m_fDistance, 5.875f);
    EXPECT_EQ(m_pView->m_fAngleX, -70.0f);

    // Walk mode: one step per notch, exactly as Up and Down; half notches add up.
    m_pView->OnWalkAround();
    Wheel(120);
    Wheel(120);
    Wheel(-120);
    Wheel(60);
    Wheel(60);
    Wheel(-60);
    const auto byWheel = WalkCamera(m_pView);
    Press(Qt::Key_Home);
    Press(Qt::Key_Up, Qt::NoModifier, 2);
    EXPECT_EQ(WalkCamera(m_pView), byWheel);
    EXPECT_NE(m_pView->m_dEyeY, -10.0);

    // At the edge of the walk area a refused step keeps the old values, as for the key.
    for (bool bWheel : {true, false}) {
        m_pView->m_dEyeX = 0.0;
        m_pView->m_dEyeY = 26.2;
        for (int i = 0; i < 3; ++i) {
            if (bWheel)
                Wheel(120);
            else
                Press(Qt::Key_Up);
        }
        EXPECT_EQ(m_pView->m_dEyeY, 26.2 + 0.5) << bWheel;
        EXPECT_FALSE(m_pView->IsOutsideWalkArea()) << bWheel;
    }
}

TEST_F(ViewMouse, WalkDragsLookSideStepAndRiseAsTheKeys)
{
    m_pView->OnWalkAround();
    // 65 right, 45 down: three turns right, two steps of the gaze down, the rest unused.
    Drag(Qt::LeftButton, Qt::NoModifier, {65, 45});
    const auto byDrag = WalkCamera(m_pView);
    Press(Qt::Key_Home);
    Press(Qt::Key_Right, Qt::NoModifier, 3);
    Press(Qt::Key_Up, Qt::ControlModifier, 2);
    EXPECT_EQ(WalkCamera(m_pView), byDrag);

    // Far down stops at the keys' limit.
    Press(Qt::Key_Home);
    Drag(Qt::LeftButton, Qt::NoModifier, {0, 700});
    const double dPitch = m_pView->m_dPitch;
    Press(Qt::Key_Home);
    Press(Qt::Key_Up, Qt::ControlModifier, 35);
    EXPECT_EQ(m_pView->m_dPitch, dPitch);
    EXPECT_LE(dPitch, 3.1415926535);

    // Right drag and Shift with left drag: side steps and height, as Shift+Right and Page Up.
    Press(Qt::Key_Home);
    Press(Qt::Key_Right, Qt::ShiftModifier, 2);
    Press(Qt::Key_PageUp);
    const auto byKeys = WalkCamera(m_pView);
    for (Qt::MouseButton button : {Qt::RightButton, Qt::LeftButton}) {
        Press(Qt::Key_Home);
        Drag(button, button == Qt::LeftButton ? Qt::ShiftModifier : Qt::NoModifier, {40, -20});
        EXPECT_EQ(WalkCamera(m_pView), byKeys) << button;
    }
}

TEST_F(ViewMouse, PanKeepsTheGrabbedPointUnderThePointerAndHomeClearsIt)
{
    // One triangle with a corner at the model's origin, the point at the model's distance.
    m_pView->m_c3DS.m_aFaceMaterials.clear();
    m_pView->m_c3DS.m_aVertices = {{1, 0.0f, 0.0f, 0.0f}, {1, 1.0f, 0.0f, 0.0f}, {1, 0.0f, 1.0f, 0.0f}};
    m_pView->m_c3DS.m_aFaces = {{1, 0, 1, 2, 0}};
    m_pView->m_bShowNet = false;
    const auto home = FirstVertexOnScreen();
    const int h = m_pView->height();

    for (const char* pszHome : {"Home", "Keypad 5", "command", "double-click"}) {
        // Middle drag, then Shift with left drag, each grabbing the vertex where it is.
        std::array<float, 2> at = home;
        for (QPoint delta : {QPoint(37, -23), QPoint(-80, 51)}) {
            const QPoint grab(qRound(at[0]), h - qRound(at[1]));
            if (delta.x() > 0)
                Drag(Qt::MiddleButton, Qt::NoModifier, delta, grab);
            else
                Drag(Qt::LeftButton, Qt::ShiftModifier, delta, grab);
            const auto now = FirstVertexOnScreen();
            EXPECT_NEAR(now[0], at[0] + static_cast<float>(delta.x()), 1.0f) << pszHome;
            EXPECT_NEAR(now[1], at[1] - static_cast<float>(delta.y()), 1.0f) << pszHome;
            at = now;
        }
        EXPECT_EQ(m_pView->m_fAngleX, -70.0f);
        EXPECT_EQ(m_pView->m_fAngleZ, -45.0f);

        m_pView->m_fAngleZ = 10.0f;
        const std::string strHome = pszHome;
        if (strHome == "Home")
            Press(Qt::Key_Home);
        else if (strHome == "Keypad 5")
            Press(Qt::Key_5, Qt::KeypadModifier);
        else if (strHome == "command")
            m_pView->OnHome();
        else {
            QTest::mouseDClick(m_pView, Qt::LeftButton, Qt::NoModifier, Centre());
            QTest::mouseRelease(m_pView, Qt::LeftButton, Qt::NoModifier, Centre());
            WaitForMouseFrame();
        }
        EXPECT_EQ(m_pView->m_fPanX, 0.0f) << pszHome;
        EXPECT_EQ(m_pView->m_fPanY, 0.0f) << pszHome;
        EXPECT_EQ(m_pView->m_fAngleZ, -45.0f) << pszHome;
        EXPECT_EQ(m_pView->m_fDistance, 5.0f) << pszHome;
        EXPECT_EQ(FirstVertexOnScreen(), home) << pszHome;
    }
}

TEST_F(ViewMouse, MovesDuringALongFrameShareOneFrame)
{
    // 80,000 triangles: a frame long enough for a mouse to report many moves meanwhile.
    C3DS& big = m_pView->m_c3DS;
    big.m_aVertices.clear();
    big.m_aFaces.clear();
    big.m_aFaceMaterials.clear();
    constexpr int kSide = 201;
    for (int r = 0; r < kSide; ++r) {
        for (int c = 0; c < kSide; ++c) {
            const float x = static_cast<float>(c) / 200.0f, y = static_cast<float>(r) / 200.0f;
            big.m_aVertices.push_back({1, x, y, 0.05f * std::sin(9.0f * x)});
        }
    }
    for (int r = 0; r + 1 < kSide; ++r) {
        for (int c = 0; c + 1 < kSide; ++c) {
            const auto v = static_cast<std::uint16_t>(r * kSide + c);
            big.m_aFaces.push_back({1, v, static_cast<std::uint16_t>(v + 1), static_cast<std::uint16_t>(v + kSide + 1), 0});
            big.m_aFaces.push_back({1, v, static_cast<std::uint16_t>(v + kSide + 1), static_cast<std::uint16_t>(v + kSide), 0});
        }
    }

    const QPoint from = Centre();
    QTest::mousePress(m_pView, Qt::LeftButton, Qt::NoModifier, from);
    const int nFrames = m_pView->m_nFramesDrawn;
    // The first move queues a frame; forty more are queued behind it, as the X server
    // delivers moves that came while that frame was being drawn.
    QTest::mouseMove(m_pView, from + QPoint(1, 0));
    EXPECT_TRUE(m_pView->IsMouseFrameQueued());
    EXPECT_EQ(m_pView->m_nFramesDrawn, nFrames);  // a move never draws by itself
    for (int i = 2; i <= 41; ++i) {
        const QPointF pos(from + QPoint(i, i % 3));
        QCoreApplication::postEvent(m_pView, new QMouseEvent(QEvent::MouseMove, pos, m_pView->mapToGlobal(pos),
                                                             Qt::NoButton, Qt::LeftButton, Qt::NoModifier));
    }
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_pView->m_fAngleZ == -45.0f + 20.5f && !m_pView->IsMouseFrameQueued(); },
                                20000));
    EXPECT_GE(m_pView->m_nFramesDrawn - nFrames, 1);
    EXPECT_LE(m_pView->m_nFramesDrawn - nFrames, 2);
    EXPECT_EQ(m_pView->m_fAngleX, -70.0f + 0.5f * (41 % 3));

    // The last frame shows the sum of all the moves.
    const Pixels shown = Frame();
    EXPECT_EQ(FrameAfterKeys(), shown);
    QTest::mouseRelease(m_pView, Qt::LeftButton, Qt::NoModifier, from + QPoint(41, 41 % 3));
}

} // namespace
