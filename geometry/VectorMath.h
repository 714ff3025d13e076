#pragma once

#include <cmath>
#include <cstdint>

// Three doubles; every computation in the vector routines runs in double precision.
struct SVector3d {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

// Selectors of ProcessVectors_1. Any other value is reported and changes nothing.
enum : std::uint32_t {
    VECTOR_SPHERICAL = 0,  // (R, theta from +Z, phi from +X as an arc cosine)
    VECTOR_UNIT = 1,       // a zero vector is copied unchanged, silently
    VECTOR_SCALE = 4,      // times dK
    VECTOR_DIVIDE = 7,     // times 1/dK; dK == 0 is reported
};

// Errors go to a message box captioned "ERROR" and leave *pOut exactly as it was; the
// caller is not told. pIn and pOut may be the same vector for every selector.
void ProcessVectors_1(std::uint32_t iProcessTyp, const SVector3d* pIn, SVector3d* pOut, double dK);

// Selector 1 of ProcessVectors_1: the vector divided by its length, by one reciprocal and
// three multiplications; a zero vector is copied unchanged. pIn may equal pOut.
inline void UnitVector(const SVector3d* pIn, SVector3d* pOut)
{
    SVector3d v = *pIn;
    const double dLength = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (dLength != 0.0) {
        const double dInverse = 1.0 / dLength;
        v.x *= dInverse;
        v.y *= dInverse;
        v.z *= dInverse;
    }
    *pOut = v;
}

// Unit normal of triangle ABC, facing the side from which A, B, C run counter-clockwise.
// A degenerate triangle gives the zero vector, without a message. Inline because the model
// drawing calls it for every face of every frame.
inline void CalcFaceNormal(double ax, double ay, double az, double bx, double by, double bz, double cx, double cy,
                           double cz, SVector3d* pNormal)
{
    const double ux = ax - bx, uy = ay - by, uz = az - bz;
    const double vx = ax - cx, vy = ay - cy, vz = az - cz;
    *pNormal = {uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
    UnitVector(pNormal, pNormal);
}
