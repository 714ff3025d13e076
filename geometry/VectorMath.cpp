#include "VectorMath.h"

#include "platform/MessageBox.h"

#include <algorithm>
#include <cmath>

namespace {

void ReportError(const char* pszText)
{
    MessageBox(nullptr, pszText, "ERROR", MB_OK);
}

// Squares of tiny components underflow to fewer significant bits, so a ratio such as z / R
// can land just outside [-1, 1] for a vector that is not zero; acos would make that NaN.
// NaN itself passes through the clamp untouched, as it should.
double ClampedAcos(double dCosine)
{
    return std::acos(std::clamp(dCosine, -1.0, 1.0));
}

} // namespace

void ProcessVectors_1(std::uint32_t iProcessTyp, const SVector3d* pIn, SVector3d* pOut, double dK)
{
    switch (iProcessTyp) {
    case VECTOR_SPHERICAL: {
        const SVector3d v = *pIn;  // the output may alias the input
        const double dR = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
        if (dR == 0.0) {
            ReportError("ERROR: R == 0.0 in ProcessVectors_1");
            return;
        }
        const double dRxy = std::sqrt(v.x * v.x + v.y * v.y);
        if (dRxy == 0.0) {
            // On the Z axis, both ways: the polar angle is 0 even for -Z.
            *pOut = {dR, 0.0, 0.0};
            return;
        }
        *pOut = {dR, ClampedAcos(v.z / dR), ClampedAcos(v.x / dRxy)};
        return;
    }
    case VECTOR_UNIT:
        UnitVector(pIn, pOut);
        return;
    case VECTOR_SCALE: {
        const SVector3d v = *pIn;
        *pOut = {dK * v.x, dK * v.y, dK * v.z};
        return;
    }
    case VECTOR_DIVIDE: {
        if (dK == 0.0) {
            ReportError("ERROR: dK == 0.0 in NormalizeVector");
            return;
        }
        const double dInverse = 1.0 / dK;
        const SVector3d v = *pIn;
        *pOut = {dInverse * v.x, dInverse * v.y, dInverse * v.z};
        return;
    }
    default:
        ReportError("ERROR: Unknown iProcessTyp in ProcessVectors_1");
        return;
    }
}
