#pragma once

// Statuses of C3DS::ReadFile. The negative codes of the context rules are fixed by the
// stored behaviour that the document's messages depend on; -20 and -21 cover malformed
// files.
enum ReadStatus : int {
    READ_OK = 1,
    READ_CANNOT_OPEN = -1,
    READ_SHORT = -2,
    READ_NO_MAIN_CHUNK = -3,
    READ_NO_VERSION_CHUNK = -4,
    READ_NO_EDITOR_CHUNK = -5,
    READ_NO_MESH_VERSION = -6,  // no longer returned: a missing mesh-version chunk is tolerated
    READ_MATERIAL_NAME_CONTEXT = -8,
    READ_AMBIENT_CONTEXT = -9,
    READ_DIFFUSE_CONTEXT = -10,
    READ_SPECULAR_CONTEXT = -11,
    READ_SHININESS_CONTEXT = -12,
    READ_SHIN_STRENGTH_CONTEXT = -13,
    READ_TRANSPARENCY_CONTEXT = -14,
    READ_TRANS_FALLOFF_CONTEXT = -15,
    READ_REFLECT_BLUR_CONTEXT = -16,
    READ_MESH_CONTEXT = -17,
    READ_VERTEX_LIST_CONTEXT = -18,
    READ_MESH_MATRIX_CONTEXT = -19,
    READ_BAD_CHUNK_LENGTH = -20,
    READ_TRUNCATED = -21,
    READ_FACE_LIST_CONTEXT = -180,
    READ_FACE_MATERIAL_CONTEXT = -181,
    READ_SMOOTHING_CONTEXT = -182,
};

// -2 to -6: the bytes are no 3ds file, or too little of one, and nothing of a model was read.
constexpr bool IsNotA3dsFile(int nStatus)
{
    return nStatus <= READ_SHORT && nStatus >= READ_NO_MESH_VERSION;
}

// -8 and below: a 3ds file read up to a chunk that failed; the model keeps what came before.
constexpr bool IsReadInPart(int nStatus)
{
    return nStatus <= READ_MATERIAL_NAME_CONTEXT;
}

// One line saying what a status means, for tools and logs; "unknown status" otherwise.
const char* ReadStatusText(int nStatus);
