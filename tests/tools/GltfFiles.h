#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

// What the Khronos validator says of one file: its errors and warnings, each as
// "CODE /pointer message".
struct SValidation {
    std::string strFile;
    int nErrors = -1;
    int nWarnings = -1;
    std::vector<std::string> aIssues;
};

// Runs the validator once over all the files (one node process, which costs more to start
// than a model takes to check). A file the validator cannot read at all has an error.
std::vector<SValidation> ValidateGltf(const std::vector<std::string>& aFiles);

// The JSON of a .glb (its first chunk) or .gltf file, and a .glb's binary chunk; a file
// that is neither fails the calling test and gives null.
nlohmann::json GltfJson(const std::string& strPath, std::vector<std::uint8_t>* pBin = nullptr);

// Checks every accessor against its buffer view and buffer, and min/max against the
// values, beyond what the validator is trusted with: an accessor that reaches outside its
// view or a view outside the buffer fails the calling test.
void ExpectAccessorsInBounds(const nlohmann::json& j, const std::vector<std::uint8_t>& aBin);
