#pragma once

#include <cstdint>

// Chunk identifiers of the .3ds format that carry meaning for the reader. Every other id
// is skipped whole by its length. The texture map, mapping and two-sided chunks are skipped
// by the walk too, and so is the master scale; only the full-shading side data is read out
// of them.
enum : std::uint16_t {
    CHUNK_MAIN = 0x4D4D,
    CHUNK_VERSION = 0x0002,
    CHUNK_EDITOR = 0x3D3D,
    CHUNK_MESH_VERSION = 0x3D3E,
    CHUNK_MASTER_SCALE = 0x0100,  // f32, the scene's scale; side data only

    CHUNK_COLOR_24 = 0x0011,     // three bytes, red green blue
    CHUNK_PERCENT_INT = 0x0030,    // u16 percentage
    CHUNK_PERCENT_FLOAT = 0x0031,  // f32 percentage, 0 to 100

    CHUNK_AMBIENT_LIGHT = 0x2100,

    CHUNK_MATERIAL = 0xAFFF,
    CHUNK_MAT_NAME = 0xA000,
    CHUNK_MAT_AMBIENT = 0xA010,
    CHUNK_MAT_DIFFUSE = 0xA020,
    CHUNK_MAT_SPECULAR = 0xA030,
    CHUNK_MAT_SHININESS = 0xA040,
    CHUNK_MAT_SHIN_STRENGTH = 0xA041,
    CHUNK_MAT_TRANSPARENCY = 0xA050,
    CHUNK_MAT_TRANS_FALLOFF = 0xA052,
    CHUNK_MAT_REFLECT_BLUR = 0xA053,
    CHUNK_MAT_TWO_SIDED = 0xA081,     // no payload: the material is seen from both sides
    CHUNK_MAT_TEXTURE_1 = 0xA200,     // texture map 1, a container of the CHUNK_MAP_* chunks
    CHUNK_MAP_FILE = 0xA300,          // zero-terminated file name
    CHUNK_MAP_TILING = 0xA351,        // u16 flags
    CHUNK_MAP_U_SCALE = 0xA354,       // f32 each
    CHUNK_MAP_V_SCALE = 0xA356,
    CHUNK_MAP_U_OFFSET = 0xA358,
    CHUNK_MAP_V_OFFSET = 0xA35A,
    CHUNK_MAP_ROTATION = 0xA35C,      // f32 degrees

    CHUNK_NAMED_OBJECT = 0x4000,
    CHUNK_TRIANGLE_MESH = 0x4100,
    CHUNK_VERTEX_LIST = 0x4110,
    CHUNK_MAPPING = 0x4140,           // u16 count, then u and v as f32 per vertex
    CHUNK_FACE_LIST = 0x4120,
    CHUNK_FACE_MATERIAL = 0x4130,
    CHUNK_SMOOTHING_GROUPS = 0x4150,  // one u32 mask per face of the face list around it
    CHUNK_MESH_MATRIX = 0x4160,

    CHUNK_KEYFRAMER = 0xB000,
};
