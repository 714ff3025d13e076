#pragma once

#include "model/S3DSRecords.h"

#include <vector>

// The scale DrawModel fits a model with when it is given 0: 1 over the largest x. Shared so
// that full shading puts the model on the same pixels as the classic drawing.
double FitScale(const std::vector<S3DSVertex>& aVertices);

// A coordinate as both drawings scale it: in double, then back to float, so full shading
// sends exactly the coordinates the classic drawing sends.
inline float Scaled(float f, double dScale)
{
    return static_cast<float>(static_cast<double>(f) * dScale);
}
