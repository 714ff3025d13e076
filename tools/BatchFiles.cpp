#include "BatchFiles.h"

#include "model/ReadStatus.h"
#include "platform/MessageBox.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <sys/stat.h>

void ReportFile(const char* pszTool, const std::string& strFile, const std::string& strText)
{
    std::fprintf(stderr, "%s: %s: %s\n", pszTool, strFile.c_str(), strText.c_str());
}

int RunBatch(const char* pszTool, const SBatchWords& words, const std::vector<std::string>& files,
             const std::string& strOutput, const std::string& strOutputDir, const std::string& strExtension,
             const FBatchFile& fnFile)
{
    std::map<std::string, std::string> writtenFrom;  // output -> model
    int nWorst = EXIT_OK;
    for (const std::string& strFile : files) {
        const std::string strOut = OutputPath(strFile, strOutput, strOutputDir, strExtension);
        if (const auto it = writtenFrom.find(strOut); it != writtenFrom.end()) {
            ReportFile(pszTool, strFile,
                       std::string(words.pszNotDone) + ": " + words.pszItsOutput + " " + strOut +
                           " would overwrite the one of " + it->second);
            nWorst = std::max(nWorst, int{EXIT_FILE});
            continue;
        }
        try {
            bool bWritten = false;
            nWorst = std::max(nWorst, fnFile(strFile, strOut, bWritten));
            if (bWritten)
                writtenFrom.emplace(strOut, strFile);
        } catch (const std::exception& e) {
            ReportFile(pszTool, strFile, std::string(words.pszNotDone) + ": " + e.what());
            nWorst = std::max(nWorst, int{EXIT_FILE});
        }
    }
    return nWorst;
}

std::string OutputPath(const std::string& strFile, const std::string& strOutput, const std::string& strOutputDir,
                       const std::string& strExtension)
{
    if (!strOutput.empty())
        return strOutput;
    std::string strName = strFile.substr(strFile.find_last_of('/') + 1);
    if (const auto dot = strName.find_last_of('.'); dot != std::string::npos && dot > 0)
        strName.resize(dot);
    if (strOutputDir.empty())
        return strName + strExtension;
    return strOutputDir + (strOutputDir.ends_with('/') ? "" : "/") + strName + strExtension;
}

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

std::string StatusText(int nStatus)
{
    return "read status " + std::to_string(nStatus) + ", " + ReadStatusText(nStatus);
}

int ReadModelFile(C3DS& model, const std::string& strFile, std::string& strFailure)
{
    struct stat st {};
    const bool bStat = ::stat(strFile.c_str(), &st) == 0;
    const int nStatErrno = errno;
    int nStatus = READ_CANNOT_OPEN;
    {
        // The reader's own message box would be a second line about the same failure.
        MessageBoxSink previous = SetMessageBoxSink([](const std::string&, const std::string&, void*, unsigned) {
            return IDOK;
        });
        try {
            nStatus = model.ReadFile(strFile);
        } catch (const std::exception& e) {
            SetMessageBoxSink(std::move(previous));
            strFailure = e.what();
            return READ_CANNOT_OPEN;
        }
        SetMessageBoxSink(std::move(previous));
    }
    if (nStatus != READ_OK && !IsReadInPart(nStatus)) {
        strFailure = StatusText(nStatus);
        if (nStatus == READ_CANNOT_OPEN)
            strFailure += !bStat ? std::string(" (") + std::strerror(nStatErrno) + ")"
                          : S_ISDIR(st.st_mode) ? " (a folder)"
                          : !S_ISREG(st.st_mode) ? " (not a regular file)" : "";
    }
    return nStatus;
}
