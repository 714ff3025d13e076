#pragma once

#include "tools/C3dsWriter.h"
#include "MessageRecorder.h"
#include "TestFiles.h"
#include "model/C3DS.h"

#include <cstdint>
#include <vector>

// Reads bytes through a real file on disk, as the viewer does.
inline int ReadBytes(C3DS& model, const std::vector<std::uint8_t>& bytes)
{
    CTempFile file(bytes);
    return model.ReadFile(file.Path());
}

inline int ReadWriter(C3DS& model, C3dsWriter& w)
{
    w.Finish();
    return ReadBytes(model, w.Bytes());
}

// The 32-byte lead-in: main chunk, version chunk of length 10, editor chunk, mesh-version
// chunk of length 10 at 22.
inline std::vector<std::uint8_t> MinimalFile()
{
    C3dsWriter w;
    w.LeadIn().Finish();
    return w.Bytes();
}
