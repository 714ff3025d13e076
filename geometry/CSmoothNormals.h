#pragma once

#include "model/C3DS.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

// The normal at each corner of each face for full shading. A face whose smoothing mask is 0
// (or a model without masks) is faceted: its corners take the face's own normal. Otherwise a
// corner takes the sum of the normals of the faces around it that share a bit with its face,
// each weighted by its angle there, so the normal does not depend on how finely the faces
// around it are split.
//
// "Around it" is by position, not by vertex index: exporters split a vertex wherever its
// mapping coordinates change, and a smoothed surface must not crease along a texture seam.
// Positions are equal when their stored floats are equal (0 and -0 alike), among the vertices
// of one object's run. Exact equality because a split vertex is a copy of the same stored
// floats, so it finds every such seam, while any tolerance would also join distinct vertices
// of fine detail, and its size would be one more guess tied to each model's scale.
class CSmoothNormals {
public:
    static constexpr std::uint32_t kNoVertex = std::numeric_limits<std::uint32_t>::max();

    // The faces from nFirstFace on, as many as aCorners has triples: for each, three positions
    // in the model's vertex array, all within [nFirstVertex, nEndVertex), or kNoVertex first
    // for a face left out. The model and aCorners must outlive this object. Its work and
    // memory are those of the range, so that a model can be smoothed object by object.
    CSmoothNormals(const C3DS& model, const std::vector<std::uint32_t>& aCorners, std::size_t nFirstFace,
                   std::size_t nFirstVertex, std::size_t nEndVertex);

    // The normals of face nFace (as numbered in the model), its three corners one after
    // another; the face's own normal, where corners take it, is found once.
    void Normals(std::size_t nFace, float aOut[9]) const;
    std::size_t Bytes() const;

private:
    // The faces of exactly one mask around one position, their weighted normals summed. Each
    // position's first class sits at its own place in m_aClasses; further ones are appended
    // and chained through nNext.
    struct SClass {
        std::uint32_t nMask = 0;  // 0: no smoothed face here
        std::uint32_t nNext = kNoVertex;
        float fSum[3] = {0.0f, 0.0f, 0.0f};  // unit length already where it is the only class
    };

    std::uint32_t MaskOf(std::size_t nFace) const { return m_bSmoothing ? m_model.m_cShading.m_aSmoothing[nFace] : 0u; }
    void FaceNormal(std::size_t nFace, float aOut[3]) const;
    // The corner's smoothed normal; false where it takes the face's own.
    bool Smoothed(std::size_t nFace, std::uint32_t nMask, int nCorner, float aOut[3]) const;
    void JoinPositions();
    void SumAroundPositions();

    const std::uint32_t* Corners(std::size_t nFace) const { return &m_aCorners[3 * (nFace - m_nFirstFace)]; }

    const C3DS& m_model;
    const std::vector<std::uint32_t>& m_aCorners;
    std::size_t m_nFirstFace, m_nFirstVertex, m_nEndVertex;
    bool m_bSmoothing = false;
    // Both by vertex from m_nFirstVertex on:
    std::vector<std::uint32_t> m_aSame;    // the first vertex of its run at its position
    std::vector<SClass> m_aClasses;        // the first class of vertex v at v, then the others
};
