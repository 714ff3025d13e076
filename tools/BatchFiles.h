#pragma once

#include "model/C3DS.h"

#include <string>

// What the batch tools (tessaron-render, tessaron-convert) share about their files.

// The model's file name with strExtension (".png") in place of its own, in strOutputDir
// (the current folder when empty); strOutput instead when it is given (-o).
std::string OutputPath(const std::string& strFile, const std::string& strOutput, const std::string& strOutputDir,
                       const std::string& strExtension);

// Both paths name one existing file (a hard or symbolic link, or "./a" and "a").
bool SameFile(const std::string& a, const std::string& b);

// Reads a model without the reader's message box (a tool reports in one line of its own).
// Returns the reader's status; for a file that cannot be used at all (neither read whole
// nor in part) strFailure says why, with the errno text where the file cannot be opened.
int ReadModelFile(C3DS& model, const std::string& strFile, std::string& strFailure);

// "read status -3, ..." for a reader's status.
std::string StatusText(int nStatus);
