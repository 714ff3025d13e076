#pragma once

#include <string>
#include <vector>

// What the viewer's command line asks for. Arguments are bytes as the system gave them,
// so a file name that is not UTF-8 still names its file.
class CCommandLineInfo {
public:
    enum class EAction { Run, Help, Version, UsageError };

    void ParseCommandLine(const std::vector<std::string>& aArguments);  // [0] is the program

    EAction m_action = EAction::Run;
    bool m_bNewInstance = false;
    std::vector<std::string> m_aFiles;  // paths and URIs, in the order given
    std::string m_strError;            // the one line for a usage error, newline included
};

// What --help and --version print.
std::string CommandLineHelp();
std::string CommandLineVersion();

// An argument as another process may open it: a relative path joined to the caller's
// folder, a file: URI decoded to its path; any other URI stays as it is.
std::string AbsoluteArgument(const std::string& strArgument, const std::string& strCurrentDir);

// "scheme://...". What AbsoluteArgument leaves a URI names nothing on this computer (any
// scheme but file:, or a file: URI of another host): it gets a message, not a window.
bool IsUri(const std::string& strArgument);
std::string RemoteUriMessage(const std::string& strUri);

// The process's current folder, empty when it cannot be had.
std::string CurrentDirectory();
