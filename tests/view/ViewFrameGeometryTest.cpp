// Where every line, point and triangle of an object-mode frame lands on the screen, read
// back through GL feedback and compared with projections computed here from the camera
// alone: 45 degree perspective over the client area, near 0.1, far 100; the model pushed
// away along -Z and turned about X, then Y, then Z.
#include "ViewHarness.h"

#include "tools/C3dsWriter.h"
#include "MessageRecorder.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

struct SVec {
    double x, y, z;
};

// Column-major 4x4, as GL keeps them.
struct SMat {
    double m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    double& operator()(int r, int c) { return m[c * 4 + r]; }
    double operator()(int r, int c) const { return m[c * 4 + r]; }
};

SMat operator*(const SMat& a, const SMat& b)
{
    SMat p;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            p(r, c) = 0.0;
            for (int k = 0; k < 4; ++k)
                p(r, c) += a(r, k) * b(k, c);
        }
    return p;
}

// Turns by deg degrees within the plane of axes i and j, counter-clockwise seen from the third.
SMat Turn(int i, int j, double deg)
{
    const double a = deg * M_PI / 180.0;
    SMat t;
    t(i, i) = std::cos(a);
    t(i, j) = -std::sin(a);
    t(j, i) = std::sin(a);
    t(j, j) = std::cos(a);
    return t;
}

struct SCamera {
    double dDistance, dAngleX, dAngleY, dAngleZ;
};

// The view's whole transform from model space to clip space.
SMat ClipFromModel(const SCamera& cam, double dAspect)
{
    const double n = 0.1, f = 100.0, t = 1.0 / std::tan(22.5 * M_PI / 180.0);
    SMat proj;
    proj(0, 0) = t / dAspect;
    proj(1, 1) = t;
    proj(2, 2) = (f + n) / (n - f);
    proj(2, 3) = 2.0 * f * n / (n - f);
    proj(3, 2) = -1.0;
    proj(3, 3) = 0.0;
    SMat away;
    away(2, 3) = -cam.dDistance;
    return proj * away * Turn(1, 2, cam.dAngleX) * Turn(2, 0, cam.dAngleY) * Turn(0, 1, cam.dAngleZ);
}

// Window position (pixels, depth 0..1) of a model point in a w x h viewport.
SVec Project(const SMat& clip, SVec v, int w, int h)
{
    double c[4];
    for (int r = 0; r < 4; ++r)
        c[r] = clip(r, 0) * v.x + clip(r, 1) * v.y + clip(r, 2) * v.z + clip(r, 3);
    return {w * (c[0] / c[3] + 1.0) / 2.0, h * (c[1] / c[3] + 1.0) / 2.0, (c[2] / c[3] + 1.0) / 2.0};
}

bool Same(const SVec& a, const SVec& b)
{
    return std::fabs(a.x - b.x) < 0.05 && std::fabs(a.y - b.y) < 0.05 && std::fabs(a.z - b.z) < 1e-4;
}

// What one frame would have rasterised, by kind.
struct SFrame {
    std::vector<std::vector<SVec>> aLines, aPoints, aPolygons;
};

SFrame CaptureFrame(CTessaronView* pView)
{
    pView->makeCurrent();
    std::vector<GLfloat> buf(1 << 16);
    glFeedbackBuffer(static_cast<GLsizei>(buf.size()), GL_3D, buf.data());
    glRenderMode(GL_FEEDBACK);
    pView->RenderScene();
    pView->makeCurrent();  // presenting may have bound another context
    const GLint nUsed = glRenderMode(GL_RENDER);
    EXPECT_GE(nUsed, 0) << "feedback buffer overflow";
    SFrame frame;
    auto take = [&](std::size_t& k, std::size_t n) {
        std::vector<SVec> v;
        for (; n > 0 && k + 3 <= static_cast<std::size_t>(nUsed); --n, k += 3)
            v.push_back({buf[k], buf[k + 1], buf[k + 2]});
        return v;
    };
    for (std::size_t k = 0; k < static_cast<std::size_t>(std::max(nUsed, 0));) {
        const auto token = static_cast<GLint>(buf[k++]);
        if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN)
            frame.aLines.push_back(take(k, 2));
        else if (token == GL_POINT_TOKEN)
            frame.aPoints.push_back(take(k, 1));
        else if (token == GL_POLYGON_TOKEN)
            frame.aPolygons.push_back(take(k, static_cast<std::size_t>(buf[k++])));
        else
            ADD_FAILURE() << "unexpected feedback token " << token;
    }
    return frame;
}

// Every expected primitive is drawn exactly once, where expected, and nothing else of its
// kind; a line may run either way.
void ExpectPrimitives(const std::vector<std::vector<SVec>>& aGot, const std::vector<std::vector<SVec>>& aWant,
                      const char* pszKind)
{
    std::vector<bool> used(aGot.size(), false);
    int nMissing = 0;
    for (std::size_t w = 0; w < aWant.size(); ++w) {
        const auto& want = aWant[w];
        bool bFound = false;
        for (std::size_t i = 0; i < aGot.size() && !bFound; ++i) {
            const auto& got = aGot[i];
            if (used[i] || got.size() != want.size())
                continue;
            bool bForward = true, bBackward = true;
            for (std::size_t k = 0; k < want.size(); ++k) {
                bForward = bForward && Same(got[k], want[k]);
                bBackward = bBackward && Same(got[k], want[want.size() - 1 - k]);
            }
            if (bForward || (want.size() == 2 && bBackward))
                used[i] = bFound = true;
        }
        if (!bFound && ++nMissing <= 3)
            ADD_FAILURE() << pszKind << " " << w << " is missing; it starts at (" << want.front().x << ", "
                          << want.front().y << ", " << want.front().z << ")";
    }
    EXPECT_EQ(nMissing, 0) << pszKind;
    EXPECT_EQ(aGot.size(), aWant.size()) << pszKind;
}

std::vector<std::vector<SVec>> Projected(const std::vector<std::vector<SVec>>& aModel, const SCamera& cam,
                                         const CTessaronView* pView)
{
    const SMat clip = ClipFromModel(cam, static_cast<double>(pView->width()) / pView->height());
    std::vector<std::vector<SVec>> out;
    for (const auto& prim : aModel) {
        out.emplace_back();
        for (const SVec& v : prim)
            out.back().push_back(Project(clip, v, pView->width(), pView->height()));
    }
    return out;
}

class ViewFrameGeometry : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_pView = m_harness.Open("");  // no model: the frame is the net or the axes alone
        ASSERT_NE(m_pView, nullptr);
        ASSERT_NE(m_pView->m_hRC, nullptr);
        m_pView->makeCurrent();
        GLint vp[4] = {};
        glGetIntegerv(GL_VIEWPORT, vp);
        ASSERT_EQ(vp[2], m_pView->width());  // a 1:1 device pixel ratio under Xvfb
        ASSERT_EQ(vp[3], m_pView->height());
    }
    void Aim(const SCamera& cam)
    {
        m_pView->m_fDistance = static_cast<float>(cam.dDistance);
        m_pView->m_fAngleX = static_cast<float>(cam.dAngleX);
        m_pView->m_fAngleY = static_cast<float>(cam.dAngleY);
        m_pView->m_fAngleZ = static_cast<float>(cam.dAngleZ);
    }

    CMessageRecorder m_recorder;
    CViewHarness m_harness;
    CTessaronView* m_pView = nullptr;
};

// Far enough away for the whole net to lie inside the view, turned about all three axes.
constexpr SCamera kWholeNet{60.0, -60.0, 25.0, -30.0};
constexpr SCamera kHome{5.0, -70.0, 0.0, -45.0};

TEST_F(ViewFrameGeometry, NetLinesAndMarksLandWhereTheCameraPutsThem)
{
    Aim(kWholeNet);
    std::vector<std::vector<SVec>> aLines, aPoints;
    for (int i = -10; i <= 10; ++i) {
        aLines.push_back({{-10, double(i), 0}, {10, double(i), 0}});
        aLines.push_back({{double(i), -10, 0}, {double(i), 10, 0}});
    }
    for (double z : {1.0, -1.0}) {
        aLines.push_back({{0, 0, 0}, {0, 0, z}});  // the vertical mark
        aPoints.push_back({{0, 0, z}});
    }
    aPoints.push_back({{0, 0, 0}});
    for (SVec tip : {SVec{1, 0, 0}, SVec{0, 1, 0}, SVec{0, 0, 1}})  // the unit axes
        aLines.push_back({{0, 0, 0}, tip});

    const SFrame frame = CaptureFrame(m_pView);
    ExpectPrimitives(frame.aLines, Projected(aLines, kWholeNet, m_pView), "net line");
    ExpectPrimitives(frame.aPoints, Projected(aPoints, kWholeNet, m_pView), "net point");
}

TEST_F(ViewFrameGeometry, LongAxesReplaceTheNetWhereTheCameraPutsThem)
{
    Aim(kWholeNet);
    m_pView->m_bShowAxes = true;
    m_pView->OnShowNet();
    const SFrame frame = CaptureFrame(m_pView);
    const std::vector<std::vector<SVec>> aAxes{{{0, 0, 0}, {5, 0, 0}}, {{0, 0, 0}, {0, 5, 0}}, {{0, 0, 0}, {0, 0, 5}}};
    ExpectPrimitives(frame.aLines, Projected(aAxes, kWholeNet, m_pView), "axis");
    EXPECT_TRUE(frame.aPoints.empty());
}

// A model at the home camera, and the same model a hundred times larger: both are fitted
// to the same size, so they land on the same pixels.
TEST_F(ViewFrameGeometry, HomeFrameShowsTheModelAtItsFitScale)
{
    const std::vector<float> aCorners{2, 0, 0, -1, 1, 0, -1, -1, 0.5f, 0, 0, -1.5f};
    const std::vector<std::uint16_t> aFaces{0, 1, 2, 0, 0, 2, 3, 0, 0, 3, 1, 0, 1, 3, 2, 0};
    auto file = [&](float fScale) {
        std::vector<float> xyz;
        for (float f : aCorners)
            xyz.push_back(f * fScale);
        return std::make_unique<CTempFile>(
            C3dsWriter().LeadIn().BeginObject("m").Vertices(xyz).BeginFaces(aFaces).Finish().Bytes());
    };
    std::vector<std::vector<SVec>> aTriangles;
    for (std::size_t f = 0; f < aFaces.size(); f += 4) {
        aTriangles.emplace_back();
        for (std::size_t k = f; k < f + 3; ++k) {
            const float* p = &aCorners[3 * aFaces[k]];
            aTriangles.back().push_back({p[0] / 2.0, p[1] / 2.0, p[2] / 2.0});  // 2 is the largest x
        }
    }
    const std::vector<std::vector<SVec>> aMarks{{{0, 0, 0}}, {{0, 0, 1}}, {{0, 0, -1}}};

    for (const float fScale : {1.0f, 100.0f}) {
        SCOPED_TRACE(fScale);
        const auto pFile = file(fScale);
        CTessaronView* pView = m_harness.Open(pFile->Path());
        ASSERT_NE(pView, nullptr);
        ASSERT_EQ(pView->m_c3DS.m_aFaces.size(), 4u);
        const SFrame frame = CaptureFrame(pView);
        ExpectPrimitives(frame.aPolygons, Projected(aTriangles, kHome, pView), "triangle");
        ExpectPrimitives(frame.aPoints, Projected(aMarks, kHome, pView), "net point");
    }
}

// The light is part of every context from the moment the view has it: lit, one light at a
// fixed place in front of the eye, shiny front faces. The first view of a workspace keeps
// the context it was created with; a later one gets a new context soon after it opens, so
// the two together check both the creation and the re-creation of a context.
TEST_F(ViewFrameGeometry, ViewOpensWithItsLight)
{
    CTessaronView* pSecond = m_harness.Open(SamplePath("cube.3ds"));
    ASSERT_NE(pSecond, nullptr);
    for (CTessaronView* pView : {m_pView, pSecond}) {
        SCOPED_TRACE(pView == m_pView ? "first view" : "second view");
        pView->makeCurrent();
        for (GLenum nCap : {GL_LIGHTING, GL_LIGHT0, GL_DEPTH_TEST, GL_COLOR_MATERIAL})
            EXPECT_TRUE(glIsEnabled(nCap)) << nCap;
        GLfloat pos[4] = {}, shininess = 0.0f;
        glGetLightfv(GL_LIGHT0, GL_POSITION, pos);
        EXPECT_EQ(pos[0], 5.0f);
        EXPECT_EQ(pos[1], 0.0f);
        EXPECT_EQ(pos[2], 50.0f);
        EXPECT_EQ(pos[3], 1.0f);
        glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
        EXPECT_EQ(shininess, 128.0f);
    }
}

} // namespace
