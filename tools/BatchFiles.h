#pragma once

#include "model/C3DS.h"

#include <functional>
#include <string>
#include <vector>

// What the batch tools (tessaron-render, tessaron-convert) share about their files.

// Their exit statuses: every file done; some file failed; the command line is wrong.
enum : int { EXIT_OK = 0, EXIT_FILE = 1, EXIT_USAGE = 2 };

// One line on standard error: "tool: file: text".
void ReportFile(const char* pszTool, const std::string& strFile, const std::string& strText);

// What a batch says of a file it could not do: "not converted", "its file".
struct SBatchWords {
    const char* pszNotDone;
    const char* pszItsOutput;
};

// Does each file in turn, into OutputPath(file, strOutput, strOutputDir, strExtension), and
// returns the worst status fnFile gave. Models of the same name from different folders are
// common in a large batch: each output keeps the first model written into it, and only the
// later model fails. A file whose work throws (out of memory for a huge model) fails alone,
// and the next is tried. fnFile returns an exit status and says whether it wrote the output.
using FBatchFile = std::function<int(const std::string& strFile, const std::string& strOut, bool& bWritten)>;
int RunBatch(const char* pszTool, const SBatchWords& words, const std::vector<std::string>& files,
             const std::string& strOutput, const std::string& strOutputDir, const std::string& strExtension,
             const FBatchFile& fnFile);

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
