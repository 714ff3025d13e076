#pragma once

#include <cstdint>

// Chunk identifiers of the .3ds format that carry meaning for the reader. Every other id
// is skipped whole by its length.
enum : std::uint16_t {
    CHUNK_MAIN = 0x4D4D,
    CHUNK_VERSION = 0x0002,
    CHUNK_EDITOR = 0x3D3D,
    CHUNK_MESH_VERSION = 0x3D3E,

    CHUNK_COLOR_24 = 0x0011,     // three bytes, red green blue
    CHUNK_PERCENT_INT = 0x0030,  // u16 percentage

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

    CHUNK_NAMED_OBJECT = 0x4000,
    CHUNK_TRIANGLE_MESH = 0x4100,
    CHUNK_VERTEX_LIST = 0x4110,
    CHUNK_FACE_LIST = 0x4120,
    CHUNK_FACE_MATERIAL = 0x4130,
    CHUNK_SMOOTHING_GROUPS = 0x4150,
    CHUNK_MESH_MATRIX = 0x4160,

    CHUNK_KEYFRAMER = 0xB000,
};
