#include "FitScale.h"

#include <cmath>

// 1 over the largest x. A model lying wholly at x <= 0 would get 1/0 and vanish, so it falls
// back to 1 over its largest coordinate along any axis, which keeps it within a unit of the
// origin like a normal fit (1 for a model that is a single point at the origin).
double FitScale(const std::vector<S3DSVertex>& aVertices)
{
    double dMaxX = 0.0;
    for (const S3DSVertex& v : aVertices) {
        if (dMaxX < v.x)
            dMaxX = v.x;
    }
    if (dMaxX > 0.0)
        return 1.0 / dMaxX;

    double dExtent = 0.0;
    for (const S3DSVertex& v : aVertices) {
        for (const float f : {v.x, v.y, v.z}) {
            const double d = std::fabs(static_cast<double>(f));
            if (dExtent < d)
                dExtent = d;
        }
    }
    return dExtent > 0.0 ? 1.0 / dExtent : 1.0;
}
