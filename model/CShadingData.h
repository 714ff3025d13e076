#pragma once

#include "CSharedString.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What a file holds for full shading and the converter beyond the four arrays of C3DS:
// mapping coordinates, smoothing groups, each material's first texture map and sidedness,
// the objects' names and the file's master scale. The reader keeps it beside the model
// without letting it change anything the classic reader reports; a chunk of it that is
// malformed is left out here and never becomes a status.

// Texture map 1 of a material, as stored. The file name is the file's own string, never
// trusted as a path: whoever opens it looks it up in folders of its own choosing.
struct S3DSTextureMap {
    CSharedString strFile;
    float fPercent = 100.0f;    // how much of the texture replaces the colour, 0 to 100
    std::uint16_t wTiling = 0;  // 3D Studio's tiling flags; TextureWrapOf tells what they mean
    float fUScale = 1.0f;       // scale, offset and rotation as stored; MapTexCoord applies them
    float fVScale = 1.0f;
    float fUOffset = 0.0f;
    float fVOffset = 0.0f;
    float fRotation = 0.0f;     // degrees
};

enum : std::uint16_t {
    TILING_MIRROR = 0x0002,   // every other repeat is mirrored
    TILING_NO_TILE = 0x0010,  // the map covers its coordinates once, as a decal
};

// Parallel to C3DS::m_aMaterials, element for element.
struct S3DSMaterialShading {
    bool bTwoSided = false;
    bool bTextured = false;  // cTexture holds texture map 1 with a file name
    S3DSTextureMap cTexture;
};

struct S3DSTexCoord {
    float u = 0.0f;
    float v = 0.0f;
};

// The mapping coordinates of one object: m_aTexCoords[nFirst, nFirst + nCount), the k-th of
// them belonging to the object's k-th vertex. nCount is as stored; an object whose vertex
// list is shorter or longer is the consumer's to check.
struct S3DSObjectMapping {
    std::int32_t nObject = 0;
    std::uint32_t nFirst = 0;
    std::uint32_t nCount = 0;
};

class CShadingData {
public:
    void Reset();
    std::size_t Bytes() const;  // capacity of every array, for memory accounting

    std::vector<S3DSTexCoord> m_aTexCoords;            // every object's mapping coordinates, in file order
    std::vector<S3DSObjectMapping> m_aObjectMappings;  // at most one per object, ascending by object
    std::vector<std::uint32_t> m_aSmoothing;           // empty, or one mask per face of C3DS::m_aFaces; 0 = faceted
    std::vector<S3DSMaterialShading> m_aMaterials;     // one per material of C3DS::m_aMaterials

    // The named objects' names as stored, in file order, one after the other: the name of
    // object n (S3DSVertex::nObject) ends at m_aObjectNameEnds[n - 1]. Names may repeat or
    // be empty, and are the file's bytes in whatever code page wrote them.
    std::string m_strObjectNames;
    std::vector<std::size_t> m_aObjectNameEnds;  // one per named object the walk met
    // Object n's name; empty for an object without one or a number no object has.
    std::string_view ObjectName(std::int64_t nObject) const;

    // The last master-scale chunk's value where it is finite and above 0; 0 for none.
    float m_fMasterScale = 0.0f;
};
