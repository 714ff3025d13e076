#pragma once

#include "CShadingData.h"
#include "S3DSRecords.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CArchive;
class CFileBuffer;  // model/ReadFile.cpp

// The in-memory model of one loaded .3ds file: four flat lists, filled by ReadFile and
// drawn by DrawModel. Objects are not merged into one index space; see S3DSFace.
class C3DS {
public:
    C3DS() = default;
    virtual ~C3DS() = default;
    C3DS(const C3DS&) = delete;
    C3DS& operator=(const C3DS&) = delete;

    // Reads a whole .3ds file, replacing the model. An empty path reads the file open
    // behind m_pArchive from its current position. Returns 1 or a negative status; the
    // statuses are listed in the README.
    int ReadFile(std::string strPath);

    // Reads from a buffer that already holds the whole file (what ReadFile does after its
    // one read). Used by the fuzzer and the benchmarks; a real load goes through ReadFile.
    int ReadBuffer(const unsigned char* pData, std::size_t nSize);

    // Draws the model into the current GL context; defined in geometry/DrawModel.cpp,
    // whose header callers include.
    double DrawModel(double dScale, bool bVertexStrip, bool bAxes);

    std::uint16_t m_wContext = 0;     // last container chunk entered; the reader's whole structural state
    std::uint16_t m_wProperty = 0;    // last material property chunk entered; 0 names none, survives reads
    float m_fMeshMatrix[12] = {};     // X, Y, Z axes and origin of the last mesh matrix read
    CArchive* m_pArchive = nullptr;   // archive of the load in progress, not owned
    std::vector<S3DSVertex> m_aVertices;
    std::vector<S3DSFace> m_aFaces;
    std::vector<S3DSFaceMaterial> m_aFaceMaterials;
    std::vector<S3DSMaterial> m_aMaterials;
    CShadingData m_cShading;          // full shading's side data; never changes the arrays above
    // Whether ReadFile and ReadBuffer fill m_cShading; set before reading. Readers that never
    // draw full shading turn it off and save its memory; the arrays and statuses are the same.
    bool m_bKeepShadingData = true;

private:
    void Reset();
    // ReadBuffer over bytes that pRelease holds (or nullptr), whose pages the walk gives back
    // once it is past them.
    int ReadBuffer(const unsigned char* pData, std::size_t nSize, CFileBuffer* pRelease);
};
