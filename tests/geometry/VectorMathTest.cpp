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

void ExpectVector(const SVector3d& v, double x, double y, double z)
{
    EXPECT_DOUBLE_EQ(v.x, x);
    EXPECT_DOUBLE_EQ(v.y, y);
    EXPECT_DOUBLE_EQ(v.z, z);
}

void ExpectUntouched(const SVector3d& v)
{
    EXPECT_EQ(v.x, kUntouched.x);
    EXPECT_EQ(v.y, kUntouched.y);
    EXPECT_EQ(v.z, kUntouched.z);
}

void ExpectOneError(const CMessageRecorder& recorder, const char* pszText)
{
    ASSERT_EQ(recorder.m_aMessages.size(), 1u);
    EXPECT_EQ(recorder.m_aMessages[0].strText, pszText);
    EXPECT_EQ(recorder.m_aMessages[0].strCaption, "ERROR");
    EXPECT_EQ(recorder.m_aMessages[0].pOwner, nullptr);
}

TEST(ProcessVectors, UnitVectorDividesByLengthAndCopiesZeroSilently)
{
    CMessageRecorder recorder;
    ExpectVector(Process(1, {3, 0, 4}), 0.6, 0.0, 0.8);
    const SVector3d z = Process(1, {0, 0, 2});
    EXPECT_EQ(z.x, 0.0);
    EXPECT_EQ(z.y, 0.0);
    EXPECT_EQ(z.z, 1.0);
    const SVector3d zero = Process(1, {0, 0, 0});
    EXPECT_EQ(zero.x, 0.0);
    EXPECT_EQ(zero.y, 0.0);
    EXPECT_EQ(zero.z, 0.0);
    const SVector3d negative = Process(1, {-2, 0, 0});
    EXPECT_EQ(negative.x, -1.0);

    SVector3d inPlace{0, -5, 0};
    ProcessVectors_1(1, &inPlace, &inPlace, 0.0);
    ExpectVector(inPlace, 0.0, -1.0, 0.0);
    EXPECT_TRUE(recorder.m_aMessages.empty());
}

TEST(ProcessVectors, SphericalGivesRadiusPolarAngleAndArcCosineAzimuth)
{
    CMessageRecorder recorder;
    ExpectVector(Process(0, {0, 0, 5}), 5.0, 0.0, 0.0);
    ExpectVector(Process(0, {0, 0, -5}), 5.0, 0.0, 0.0);  // on the axis the polar angle is 0, not pi
    ExpectVector(Process(0, {0, 2, 0}), 2.0, kPi / 2, kPi / 2);
    ExpectVector(Process(0, {0, -2, 0}), 2.0, kPi / 2, kPi / 2);  // the sign of y does not enter
    ExpectVector(Process(0, {-1, 0, 0}), 1.0, kPi / 2, kPi);
    ExpectVector(Process(0, {1, 1, std::sqrt(2.0)}), 2.0, kPi / 4, kPi / 4);
    EXPECT_TRUE(recorder.m_aMessages.empty());
}

TEST(ProcessVectors, SphericalInPlaceGivesTheSameAsIntoAnotherVector)
{
    const SVector3d in{-1.0, 2.0, 0.5};
    const SVector3d expected = Process(0, in);
    SVector3d v = in;
    ProcessVectors_1(0, &v, &v, 0.0);
    EXPECT_EQ(v.x, expected.x);
    EXPECT_EQ(v.y, expected.y);
    EXPECT_EQ(v.z, expected.z);
    EXPECT_NEAR(v.z, std::acos(-1.0 / std::sqrt(5.0)), 1e-15);
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

TEST(ProcessVectors, ScaleAndDivide)
{
    CMessageRecorder recorder;
    ExpectVector(Process(4, {1, -2, 3}, 2.0), 2.0, -4.0, 6.0);
    ExpectVector(Process(4, {1, -2, 3}, 0.0), 0.0, 0.0, 0.0);
    ExpectVector(Process(7, {1, -2, 3}, 2.0), 0.5, -1.0, 1.5);
    ExpectVector(Process(7, {3, 6, 9}, 3.0), 3.0 * (1.0 / 3.0), 6.0 * (1.0 / 3.0), 9.0 * (1.0 / 3.0));
    EXPECT_TRUE(recorder.m_aMessages.empty());
}

TEST(ProcessVectors, NanPropagatesWithoutMessage)
{
    CMessageRecorder recorder;
    const double dNan = std::nan("");
    EXPECT_TRUE(std::isnan(Process(1, {dNan, 0, 1}).x));
    EXPECT_TRUE(std::isnan(Process(0, {dNan, 0, 1}).x));
    EXPECT_TRUE(std::isnan(Process(7, {1, 0, 0}, dNan).x));
    EXPECT_TRUE(recorder.m_aMessages.empty());
}

TEST(ProcessVectors, ZeroRadiusIsReportedAndLeavesOutput)
{
    CMessageRecorder recorder;
    ExpectUntouched(Process(0, {0, 0, 0}));
    ExpectOneError(recorder, "ERROR: R == 0.0 in ProcessVectors_1");
}

TEST(ProcessVectors, ZeroDivisorIsReportedAndLeavesOutput)
{
    CMessageRecorder recorder;
    ExpectUntouched(Process(7, {1, -2, 3}, 0.0));
    ExpectOneError(recorder, "ERROR: dK == 0.0 in NormalizeVector");
}

TEST(ProcessVectors, UnknownSelectorsAreReportedAndLeaveOutput)
{
    for (std::uint32_t nSelector : {2u, 3u, 5u, 6u, 8u, 0x80000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(nSelector);
        CMessageRecorder recorder;
        ExpectUntouched(Process(nSelector, {1, 2, 3}, 2.0));
        ExpectOneError(recorder, "ERROR: Unknown iProcessTyp in ProcessVectors_1");
    }
}

TEST(CalcFaceNormal, UnitNormalOnCounterClockwiseSide)
{
    CMessageRecorder recorder;
    SVector3d n;
    CalcFaceNormal(0, 0, 0, 1, 0, 0, 0, 1, 0, &n);
    ExpectVector(n, 0.0, 0.0, 1.0);
    CalcFaceNormal(0, 0, 0, 0, 1, 0, 1, 0, 0, &n);
    ExpectVector(n, 0.0, 0.0, -1.0);
    CalcFaceNormal(1, 0, 0, 0, 1, 0, 0, 0, 1, &n);
    const double dThird = 1.0 / std::sqrt(3.0);
    ExpectVector(n, dThird, dThird, dThird);
    CalcFaceNormal(5, 5, 5, 5, 5, 9, 5, 7, 5, &n);  // away from the origin, large edges
    ExpectVector(n, -1.0, 0.0, 0.0);
    EXPECT_TRUE(recorder.m_aMessages.empty());
}

TEST(CalcFaceNormal, DegenerateTriangleGivesZeroSilently)
{
    CMessageRecorder recorder;
    SVector3d n = kUntouched;
    CalcFaceNormal(0, 0, 0, 0, 0, 0, 0, 1, 0, &n);
    ExpectVector(n, 0.0, 0.0, 0.0);
    n = kUntouched;
    CalcFaceNormal(0, 0, 0, 1, 1, 1, 2, 2, 2, &n);
    ExpectVector(n, 0.0, 0.0, 0.0);
    EXPECT_TRUE(recorder.m_aMessages.empty());
}

} // namespace
