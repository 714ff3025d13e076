#pragma once

#include "model/C3DS.h"

#include <cstddef>
#include <cstdint>
#include <unordered_map>

// Where each object of a model begins, looked up by number: its first vertex (the first of
// several runs of one number, as a forward search from the start finds it), its faces (the
// first run of them, since face-material groups count the faces of their own object) and
// its mapping coordinates.
class CModelObjects {
public:
    struct SObject {
        std::size_t nFirstVertex = 0;
        bool bHasVertex = false;
        std::size_t nFirstFace = 0;
        std::size_t nFaces = 0;
        const S3DSObjectMapping* pMapping = nullptr;  // only one whose coordinates are all there
    };

    explicit CModelObjects(const C3DS& model);

    const SObject* Find(std::int32_t nObject) const;
    const SObject* FindGroupObject(std::uint16_t wObject) const;  // by the low 16 bits groups store

    // The positions in the vertex array of face f's corners, false for a face that reaches
    // outside it, which both drawings leave out.
    bool Corners(const S3DSFace& f, const SObject& o, std::uint32_t aOut[3]) const;

private:
    std::size_t m_nVertices;
    std::unordered_map<std::int32_t, SObject> m_mapObjects;
    std::unordered_map<std::uint16_t, const SObject*> m_mapGroupObjects;
};
