#include "CCommandLineInfo.h"

#include "app/resources/Resources.h"

#include <unistd.h>

#include <cctype>
#include <climits>

namespace {

// "scheme://...": a URI as desktop launchers and file managers pass them. A name with a
// colon alone ("a:b.3ds") stays a file name.
std::size_t SchemeLength(const std::string& str)
{
    if (str.empty() || !std::isalpha(static_cast<unsigned char>(str[0])))
        return 0;
    std::size_t i = 1;
    while (i < str.size() && (std::isalnum(static_cast<unsigned char>(str[i])) || str[i] == '+' || str[i] == '-' ||
                              str[i] == '.'))
        ++i;
    return str.compare(i, 3, "://") == 0 ? i : 0;
}

bool IsFileScheme(const std::string& str, std::size_t nScheme)
{
    if (nScheme != 4)
        return false;
    for (std::size_t i = 0; i < 4; ++i)
        if (std::tolower(static_cast<unsigned char>(str[i])) != "file"[i])
            return false;
    return true;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Percent escapes become the bytes they stand for; a '%' that starts no escape stays.
std::string PercentDecoded(const std::string& str)
{
    std::string strOut;
    for (std::size_t i = 0; i < str.size(); ++i) {
        if (str[i] == '%' && i + 2 < str.size() && HexValue(str[i + 1]) >= 0 && HexValue(str[i + 2]) >= 0) {
            strOut += static_cast<char>(HexValue(str[i + 1]) * 16 + HexValue(str[i + 2]));
            i += 2;
        } else {
            strOut += str[i];
        }
    }
    return strOut;
}

// The host part of a file: URI, and where its path begins.
std::string FileUriHost(const std::string& str, std::size_t& nPathStart)
{
    const std::size_t nHost = 7;  // "file://"
    nPathStart = str.find('/', nHost);
    if (nPathStart == std::string::npos)
        nPathStart = str.size();
    return str.substr(nHost, nPathStart - nHost);
}

bool IsLocalHost(const std::string& strHost)
{
    if (strHost.empty() || strHost == "localhost")
        return true;
    char szName[HOST_NAME_MAX + 1] = {};
    return gethostname(szName, sizeof szName - 1) == 0 && strHost == szName;
}

} // namespace

void CCommandLineInfo::ParseCommandLine(const std::vector<std::string>& aArguments)
{
    bool bOptions = true;
    for (std::size_t i = 1; i < aArguments.size(); ++i) {
        const std::string& strArg = aArguments[i];
        if (bOptions && strArg == "--") {
            bOptions = false;
        } else if (bOptions && strArg.size() > 1 && strArg[0] == '-') {
            if (strArg == "--help") {
                m_action = EAction::Help;
                return;
            }
            if (strArg == "--version") {
                m_action = EAction::Version;
                return;
            }
            if (strArg == "--new-instance") {
                m_bNewInstance = true;
                continue;
            }
            m_action = EAction::UsageError;
            m_strError = "tessaron: unknown option '" + strArg + "' (see tessaron --help)\n";
            return;
        } else {
            m_aFiles.push_back(strArg);
        }
    }
}

std::string CommandLineHelp()
{
    return "Usage: tessaron [OPTION]... [FILE]...\n"
           "View 3D Studio mesh files (.3ds). Each FILE opens in its own model window, in the\n"
           "order given; FILE may also be a file:// URI. When a viewer is already running on\n"
           "this display, the files open in it and this command ends at once.\n"
           "\n"
           "  --new-instance  start a viewer of its own even when one is running\n"
           "  --help          print this help and exit\n"
           "  --version       print the version and exit\n"
           "  --              end of options: every argument after it is a file\n"
           "\n"
           "With no FILE the viewer starts with no model open.\n"
           "Exit status: 0; 1 without a display; 2 for an unknown option.\n";
}

std::string CommandLineVersion()
{
    return "tessaron " + std::string(VERSION_PRODUCT_VERSION) + "\n";
}

std::string AbsoluteArgument(const std::string& strArgument, const std::string& strCurrentDir)
{
    if (const std::size_t nScheme = SchemeLength(strArgument)) {
        if (!IsFileScheme(strArgument, nScheme))
            return strArgument;
        std::size_t nPath = 0;
        if (!IsLocalHost(FileUriHost(strArgument, nPath)) || nPath >= strArgument.size())
            return strArgument;
        return PercentDecoded(strArgument.substr(nPath));
    }
    if (strArgument.empty() || strArgument[0] == '/' || strCurrentDir.empty())
        return strArgument;
    std::string strRelative = strArgument;
    while (strRelative.starts_with("./"))
        strRelative.erase(0, 2);
    return strCurrentDir + (strCurrentDir.ends_with('/') ? "" : "/") + strRelative;
}

bool IsUri(const std::string& strArgument)
{
    return SchemeLength(strArgument) != 0;
}

std::string RemoteUriMessage(const std::string& strUri)
{
    return strUri + "\nOnly files on this computer can be opened.";
}

std::string CurrentDirectory()
{
    std::string strDir(PATH_MAX, '\0');
    if (getcwd(strDir.data(), strDir.size()) == nullptr)
        return {};
    strDir.resize(strDir.find('\0'));
    return strDir;
}
