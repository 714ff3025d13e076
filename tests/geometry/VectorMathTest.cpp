#include "geometry/VectorMath.h"
#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
const SVector3d kUntouched{7.0, 8.0, 9.0};

SVector3d Process(std::uint32_t nSelector, SVector3d in, double dK = 0.0)
{
    SVector3d out = kUntouched;
    ProcessVectors_1(nSelector, &in, &out, dK);
    return out;
}

void ExpectVector(const SVector3d& v, const SVector3d& expected)
{
    EXPECT_DOUBLE_EQ(v.x, expected.x);
    EXPECT_DOUBLE_EQ(v.y, expected.y);
    EXPECT_DOUBLE_EQ(v.z, expected.z);
}

struct SCase {
    std::uint32_t nSelector;
    SVector3d in;
    double dK;
    SVector3d expected;
};

TEST(ProcessVectors, DefinedSelectorsComputeSilently)
{
    const SCase aCases[] = {
        {1, {3, 0, 4}, 0, {0.6, 0, 0.8}},
        {1, {0, 0, 2}, 0, {0, 0, 1}},
        {1, {0, 0, 0}, 0, {0, 0, 0}},  // copied unchanged
        {0, {0, 0, 5}, 0, {5, 0, 0}},
        {0, {0, 0, -5}, 0, {5, 0, 0}},  // on the axis the polar angle is 0, not pi
        {0, {0, 2, 0}, 0, {2, kPi / 2, kPi / 2}},
        {0, {0, -2, 0}, 0, {2, kPi / 2, kPi / 2}},  // an arc cosine ignores the sign of y
        {0, {-1, 0, 0}, 0, {1, kPi / 2, kPi}},
        {4, {1, -2, 3}, 2, {2, -4, 6}},
        {4, {1, -2, 3}, 0, {0, 0, 0}},
        {7, {1, -2, 3}, 2, {0.5, -1, 1.5}},
    };
    CMessageRecorder recorder;
    for (const SCase& c : aCases) {
        SCOPED_TRACE(testing::Message() << "selector " << c.nSelector << " (" << c.in.x << ", " << c.in.y << ", "
                                        << c.in.z << ")");
        ExpectVector(Process(c.nSelector, c.in, c.dK), c.expected);
        SVector3d inPlace = c.in;
        ProcessVectors_1(c.nSelector, &inPlace, &inPlace, c.dK);
        ExpectVector(inPlace, c.expected);
    }
    EXPECT_TRUE(std::isnan(Process(1, {std::nan(""), 0, 1}).x));  // NaN passes through unreported
    EXPECT_TRUE(recorder.m_aMessages.empty());
}

TEST(ProcessVectors, SphericalOfTinyVectorStaysFinite)
{
    // The squares underflow into subnormals, so x / r comes out above 1; the angles must
    // still be numbers.
    const SVector3d v = Process(0, {2.5e-162, 0.0, 2.5e-162});
    EXPECT_GT(v.x, 0.0);
    EXPECT_TRUE(std::isfinite(v.y));
    EXPECT_EQ(v.z, 0.0);
}

TEST(ProcessVectors, ErrorsAreReportedAndLeaveTheOutput)
{
    const SCase aCases[] = {{0, {0, 0, 0}, 0, {}}, {7, {1, -2, 3}, 0, {}}, {2, {1, 2, 3}, 2, {}},
                            {3, {1, 2, 3}, 2, {}}, {5, {1, 2, 3}, 2, {}},  {6, {1, 2, 3}, 2, {}},
                            {8, {1, 2, 3}, 2, {}}, {0xFFFFFFFFu, {1, 2, 3}, 2, {}}};
    for (const SCase& c : aCases) {
        SCOPED_TRACE(c.nSelector);
        CMessageRecorder recorder;
        const SVector3d out = Process(c.nSelector, c.in, c.dK);
        EXPECT_EQ(out.x, kUntouched.x);
        EXPECT_EQ(out.y, kUntouched.y);
        EXPECT_EQ(out.z, kUntouched.z);
        ASSERT_EQ(recorder.m_aMessages.size(), 1u);
        EXPECT_EQ(recorder.m_aMessages[0].strText, c.nSelector == 0   ? "ERROR: R == 0.0 in ProcessVectors_1"
                                                   : c.nSelector == 7 ? "ERROR: dK == 0.0 in NormalizeVector"
                                                                      : "ERROR: Unknown iProcessTyp in ProcessVectors_1");
        EXPECT_EQ(recorder.m_aMessages[0].strCaption, "ERROR");
        EXPECT_EQ(recorder.m_aMessages[0].pOwner, nullptr);
    }
}

TEST(CalcFaceNormal, UnitNormalOnCounterClockwiseSideAndZeroWhenDegenerate)
{
    CMessageRecorder recorder;
    const double d = 1.0 / std::sqrt(3.0);
    const struct {
        double abc[9];
        SVector3d expected;
    } aCases[] = {
        {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 0, 1}},
        {{0, 0, 0, 0, 1, 0, 1, 0, 0}, {0, 0, -1}},
        {{1, 0, 0, 0, 1, 0, 0, 0, 1}, {d, d, d}},
        {{5, 5, 5, 5, 5, 9, 5, 7, 5}, {-1, 0, 0}},
        {{0, 0, 0, 0, 0, 0, 0, 1, 0}, {0, 0, 0}},  // B equal to A
        {{0, 0, 0, 1, 1, 1, 2, 2, 2}, {0, 0, 0}},  // collinear
    };
    for (const auto& c : aCases) {
        SVector3d n = kUntouched;
        const double* p = c.abc;
        CalcFaceNormal(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], &n);
        ExpectVector(n, c.expected);
    }
    EXPECT_TRUE(recorder.m_aMessages.empty());
}

} // namespace
