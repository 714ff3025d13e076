// Full shading's build when memory runs out, at every allocation it makes in turn: this
// binary replaces the global allocation functions with ones that can be told to fail the
// n-th allocation from now, as a large model on a full machine would.
#include "geometry/BuildShadedMesh.h"
#include "geometry/CShadedModel.h"
#include "tools/C3dsWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace {

long g_nAllocationsLeft = -1;  // -1: never fail
bool g_bFailed = false;

} // namespace

// The compiler takes operator new for the library's and sees free() as a mismatch; here
// both sides are malloc's.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t nBytes)
{
    if (g_nAllocationsLeft == 0) {
        g_bFailed = true;
        throw std::bad_alloc();
    }
    if (g_nAllocationsLeft > 0)
        --g_nAllocationsLeft;
    if (void* p = std::malloc(nBytes ? nBytes : 1))
        return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t nBytes)
{
    return ::operator new(nBytes);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

// Two materials (one textured) and smoothing groups that meet; the second object has a face
// left out.
void Read(bool bSecondObject, C3DS& model)
{
    C3dsWriter w;
    w.LeadIn().Material("red", {0, 0, 0}, {255, 0, 0}, {0, 0, 0});
    w.BeginMaterial("wood", {0, 0, 0}, {0, 0, 0}, {0, 0, 0}).TextureMap("W.PNG").End();
    const std::vector<float> quad = {0, 0, 0, 1, 0, 0, 1, 1, 1, 0, 1, 0};
    w.BeginObject("one").Vertices(quad).Mapping({0, 0, 1, 0, 1, 1, 0, 1});
    w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0}).FaceMaterial("red", {0}).FaceMaterial("wood", {1}).Smoothing({1, 3});
    if (bSecondObject) {
        w.End().End().End();
        w.BeginObject("two").Vertices(quad).Mapping({0, 0, 1, 0, 1, 1, 0, 1});
        w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0, 0, 1, 9, 0}).FaceMaterial("wood", {0, 1}).Smoothing({1, 2, 1});
    }
    w.Finish();
    ASSERT_EQ(model.ReadBuffer(w.Bytes().data(), w.Bytes().size()), 1);
}

// Tries the build with the n-th allocation failing, for n = 0, 1, ... until one build
// needs fewer allocations than that; returns how many failed.
template <typename FTry>
int FailEachAllocationInTurn(FTry fnTry)
{
    for (long n = 0;; ++n) {
        g_nAllocationsLeft = n;
        g_bFailed = false;
        const bool bBuilt = fnTry();
        const bool bFailed = g_bFailed;
        g_nAllocationsLeft = -1;
        if (!bFailed) {
            EXPECT_TRUE(bBuilt) << "a build without a failed allocation reports failure";
            return static_cast<int>(n);
        }
        EXPECT_FALSE(bBuilt) << "allocation " << n << " failed, yet the build says it succeeded";
    }
}

TEST(ShadedModelOutOfMemory, AFailedBuildKeepsTheEarlierBuildWholeOrStaysNotBuilt)
{
    C3DS small, large;
    Read(false, small);
    Read(true, large);

    CShadedModel fresh;
    const int nAllocations = FailEachAllocationInTurn([&] {
        const bool bBuilt = fresh.Build(small);
        if (!bBuilt) {
            EXPECT_FALSE(fresh.IsBuilt());
            EXPECT_EQ(fresh.Bytes(), 0u);
        }
        return bBuilt;
    });
    EXPECT_GT(nAllocations, 10);  // every step of the build was made to fail once

    CShadedModel shaded;
    ASSERT_TRUE(shaded.Build(small));
    const std::size_t nBytes = shaded.Bytes();
    FailEachAllocationInTurn([&] {
        const bool bBuilt = shaded.Build(large);
        if (!bBuilt) {
            EXPECT_TRUE(shaded.IsBuilt());
            EXPECT_EQ(shaded.Bytes(), nBytes);  // the small model's arrays, not part of the large one's
        }
        return bBuilt;
    });
    EXPECT_GT(shaded.Bytes(), nBytes);  // the last try, with nothing failing, replaced it
}

} // namespace
