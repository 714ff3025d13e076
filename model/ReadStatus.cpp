#include "ReadStatus.h"

const char* ReadStatusText(int nStatus)
{
    switch (nStatus) {
    case READ_OK: return "success";
    case READ_CANNOT_OPEN: return "the file cannot be opened";
    case READ_SHORT: return "fewer bytes read than the file's length";
    case READ_NO_MAIN_CHUNK: return "no main chunk (0x4D4D) at position 0";
    case READ_NO_VERSION_CHUNK: return "no version chunk (0x0002) at position 6";
    case READ_NO_EDITOR_CHUNK: return "no editor chunk (0x3D3D) behind the version chunk";
    case READ_NO_MESH_VERSION: return "no mesh-version chunk (0x3D3E) inside the editor chunk";
    case READ_MATERIAL_NAME_CONTEXT: return "material name outside a material entry";
    case READ_AMBIENT_CONTEXT: return "ambient colour outside a material entry";
    case READ_DIFFUSE_CONTEXT: return "diffuse colour outside a material entry";
    case READ_SPECULAR_CONTEXT: return "specular colour outside a material entry";
    case READ_SHININESS_CONTEXT: return "shininess outside a material entry";
    case READ_SHIN_STRENGTH_CONTEXT: return "shininess strength outside a material entry";
    case READ_TRANSPARENCY_CONTEXT: return "transparency outside a material entry";
    case READ_TRANS_FALLOFF_CONTEXT: return "transparency falloff outside a material entry";
    case READ_REFLECT_BLUR_CONTEXT: return "reflection blur outside a material entry";
    case READ_MESH_CONTEXT: return "triangle mesh outside a named object";
    case READ_VERTEX_LIST_CONTEXT: return "vertex list outside a triangle mesh";
    case READ_MESH_MATRIX_CONTEXT: return "mesh matrix outside a triangle mesh";
    case READ_BAD_CHUNK_LENGTH: return "a chunk length below 6";
    case READ_TRUNCATED: return "a chunk's data runs past the end of the file";
    case READ_FACE_LIST_CONTEXT: return "face list outside a triangle mesh";
    case READ_FACE_MATERIAL_CONTEXT: return "face material group outside a face list";
    case READ_SMOOTHING_CONTEXT: return "smoothing groups outside a face list";
    default: return "unknown status";
    }
}
