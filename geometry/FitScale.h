#pragma once

#include "model/S3DSRecords.h"

#include <vector>

// The scale DrawModel fits a model with when it is given 0: 1 over the largest x. Shared so
// that full shading puts the model on the same pixels as the classic drawing.
double FitScale(const std::vector<S3DSVertex>& aVertices);
