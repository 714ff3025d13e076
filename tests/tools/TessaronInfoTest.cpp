#include "JsonLines.h"
#include "RunProcess.h"
#include "tools/C3dsWriter.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

SProcessResult Info(std::vector<std::string> args)
{
    args.insert(args.begin(), TESSARON_INFO_PATH);
    return RunProcess(args);
}

// Two meshes with a light object between them (object numbers 1 and 3), two materials
// that between them set every property, and a last mesh matrix whose origin (1, 0, 0)
// shifts every vertex.
std::vector<std::uint8_t> TwoMeshesAroundALight()
{
    C3dsWriter w;
    w.LeadIn();
    w.Material("Red", {255, 0, 0}, {255, 128, 0}, {0, 0, 255}, 40, 25);
    w.Begin(0xAFFF).Begin(0xA000).Str("Blue").End();
    w.ColorProperty(0xA010, 0, 0, 51).ColorProperty(0xA020, 0, 0, 255).ColorProperty(0xA030, 255, 255, 255);
    w.PercentProperty(0xA040, 10).PercentProperty(0xA041, 7).PercentProperty(0xA050, 0);
    w.PercentProperty(0xA052, 8).PercentProperty(0xA053, 9).End();
    w.BeginObject("Wedge").Vertices({0, 0, 0, 1, 0, 0, 0, 2, 0}).BeginFaces({0, 1, 2, 7});
    w.FaceMaterial("Red", {0}).End().End().End();
    w.Begin(0x4000).Str("Lamp").Begin(0x4600).F32(0).F32(0).F32(5).End().End();
    w.BeginObject("Slab").Vertices({-1, -1, -1, 4, 0.5f, 2, 0, 0, 1, 0, 3, 0});
    w.MeshMatrix({1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 0, 0});
    w.BeginFaces({0, 1, 2, 0, 0, 2, 3, 0}).FaceMaterial("Red", {0}).FaceMaterial("Blue", {1});
    return w.Finish().Bytes();
}

TEST(TessaronInfo, JsonReportOfTwoMeshesAroundALight)
{
    CTempFile file(TwoMeshesAroundALight());
    const SProcessResult r = Info({"--json", file.Path()});
    EXPECT_EQ(r.nExitCode, 0);
    EXPECT_EQ(r.strErr, "");
    EXPECT_EQ(r.strOut,
              "{\"file\":\"" + file.Path() +
                  "\",\"status\":1,\"objects\":2,\"vertices\":7,\"faces\":3,\"face_materials\":3,\"materials\":["
                  "{\"name\":\"Red\",\"ambient\":[1,0,0],\"diffuse\":[1,0.5019608,0],\"specular\":[0,0,1],"
                  "\"shininess\":40,\"shin_strength\":0,\"transparency\":25,\"trans_falloff\":0,\"reflect_blur\":0},"
                  "{\"name\":\"Blue\",\"ambient\":[0,0,0.2],\"diffuse\":[0,0,1],\"specular\":[1,1,1],"
                  "\"shininess\":10,\"shin_strength\":7,\"transparency\":0,\"trans_falloff\":8,\"reflect_blur\":9}],"
                  "\"bbox\":{\"min\":[-2,-1,-1],\"max\":[3,3,2]}}\n");
    const CJsonLine report(SplitLines(r.strOut).at(0));
    // 128/255 must come back as the very float the reader stored.
    EXPECT_EQ(static_cast<float>(report.Number("/materials/0/diffuse/1")), static_cast<float>(128 * (1.0 / 255.0)));
}

TEST(TessaronInfo, TextReportOfTwoMeshesAroundALight)
{
    CTempFile file(TwoMeshesAroundALight());
    const SProcessResult r = Info({file.Path()});
    EXPECT_EQ(r.nExitCode, 0);
    EXPECT_EQ(r.strOut, "\"" + file.Path() + "\"\n" +
                            "  status          1 (success)\n"
                            "  objects         2\n"
                            "  vertices        7\n"
                            "  faces           3\n"
                            "  face materials  3\n"
                            "  materials       2\n"
                            "    \"Red\"\n"
                            "      ambient 1 0 0  diffuse 1 0.5019608 0  specular 0 0 1\n"
                            "      shininess 40  shin strength 0  transparency 25  trans falloff 0  reflect blur 0\n"
                            "    \"Blue\"\n"
                            "      ambient 0 0 0.2  diffuse 0 0 1  specular 1 1 1\n"
                            "      shininess 10  shin strength 7  transparency 0  trans falloff 8  reflect blur 9\n"
                            "  bbox            min -2 -1 -1  max 3 3 2\n");
}

TEST(TessaronInfo, FailuresSetTheExitStatusAndLaterFilesAreStillReported)
{
    CTempFile good(TwoMeshesAroundALight());
    std::vector<std::uint8_t> bytes = TwoMeshesAroundALight();
    bytes.resize(bytes.size() - 3);  // into the last face-material group
    CTempFile truncated(bytes);
    const std::string strMissing = good.Dir() + "/missing.3ds";

    SProcessResult r = Info({"--json", good.Path(), strMissing, truncated.Path(), good.Path()});
    EXPECT_EQ(r.nExitCode, 1);
    EXPECT_EQ(r.strErr, "Error: Can not open file \"" + strMissing + "\"\n");
    const auto lines = SplitLines(r.strOut);
    ASSERT_EQ(lines.size(), 4u) << r.strOut;
    EXPECT_EQ(CJsonLine(lines[0]).Dump("/status"), "1");
    EXPECT_EQ(CJsonLine(lines[1]).Dump("/status"), "-1");
    EXPECT_EQ(CJsonLine(lines[1]).Dump("/bbox"), "null");
    const CJsonLine partial(lines[2]);
    EXPECT_EQ(partial.Dump("/status"), "-21");
    EXPECT_EQ(partial.Dump("/vertices"), "7");
    EXPECT_EQ(partial.Dump("/face_materials"), "2");  // Wedge's group and Slab's first
    EXPECT_EQ(CJsonLine(lines[3]).Dump("/status"), "1");

    r = Info({truncated.Path()});
    EXPECT_EQ(r.nExitCode, 1);
    EXPECT_NE(r.strOut.find("status          -21 (a chunk's data runs past the end of the file)\n"),
              std::string::npos)
        << r.strOut;
}

TEST(TessaronInfo, RawBytesOfNamesAndPathsAreEscaped)
{
    // A quote, a backslash, C0 controls, DEL, a lone high byte, a valid UTF-8 letter and a
    // UTF-8 sequence cut short at the end of the name.
    const std::string strName = "Q\"B\\"
                                "\x01"
                                "\xff"
                                "\xc3\xa9"
                                "\x7f"
                                "\t"
                                "\xe2\x82";
    C3dsWriter w;
    w.LeadIn().Material(strName, {1, 2, 3}, {4, 5, 6}, {7, 8, 9});
    w.BeginObject("o").Vertices({0, 0, 0});
    CTempFile file(w.Finish().Bytes(), "we\"ird\xfe.3ds");

    SProcessResult r = Info({"--json", file.Path()});
    EXPECT_EQ(r.nExitCode, 0);
    EXPECT_NE(r.strOut.find("\"name\":\"Q\\\"B\\\\\\u0001\\u00ff\xc3\xa9\\u007f\\u0009\\u00e2\\u0082\""),
              std::string::npos)
        << r.strOut;
    const CJsonLine report(SplitLines(r.strOut).at(0));
    EXPECT_EQ(report.String("/materials/0/name"), "Q\"B\\\x01\xc3\xbf\xc3\xa9\x7f\t\xc3\xa2\xc2\x82");
    EXPECT_EQ(report.String("/file"), file.Dir() + "/we\"ird\xc3\xbe.3ds");

    r = Info({file.Path()});
    EXPECT_NE(r.strOut.find("    \"Q\\\"B\\\\\\x01\\xff\xc3\xa9\\x7f\\x09\\xe2\\x82\"\n"), std::string::npos)
        << r.strOut;
}

TEST(TessaronInfo, NonFiniteCoordinatesGiveNullNotInvalidJson)
{
    const float fNaN = std::numeric_limits<float>::quiet_NaN();
    const float fInf = std::numeric_limits<float>::infinity();
    C3dsWriter w;
    w.LeadIn().BeginObject("o").Vertices({fNaN, 0, 1, 1, fInf, 2, 3, -1, 5});
    CTempFile file(w.Finish().Bytes());

    const SProcessResult r = Info({"--json", file.Path()});
    EXPECT_EQ(r.nExitCode, 0);
    // The NaN makes the whole x axis unknown wherever it stands among the vertices.
    EXPECT_NE(r.strOut.find("\"bbox\":{\"min\":[null,-1,1],\"max\":[null,null,5]}"), std::string::npos)
        << r.strOut;
    CJsonLine(SplitLines(r.strOut).at(0));
}

TEST(TessaronInfo, UsageErrorsAndHelp)
{
    SProcessResult r = Info({});
    EXPECT_EQ(r.nExitCode, 2);
    EXPECT_EQ(r.strOut, "");
    EXPECT_EQ(r.strErr.rfind("usage: tessaron-info", 0), 0u) << r.strErr;

    r = Info({"--json"});
    EXPECT_EQ(r.nExitCode, 2);

    r = Info({"--frobnicate", "model.3ds"});
    EXPECT_EQ(r.nExitCode, 2);
    EXPECT_EQ(r.strOut, "");

    r = Info({"--help"});
    EXPECT_EQ(r.nExitCode, 0);
    EXPECT_EQ(r.strOut.rfind("usage: tessaron-info", 0), 0u) << r.strOut;
}

TEST(TessaronInfo, EveryInstalledModelGivesOneValidJsonLine)
{
    const auto files = Find3dsFiles(SystemModelFolders());
    ASSERT_GE(files.size(), 10u);  // installed by bootstrap; without them this proves nothing
    std::vector<std::string> args = {"--json"};
    args.insert(args.end(), files.begin(), files.end());
    const SProcessResult r = Info(args);
    EXPECT_NE(r.nExitCode, 2);
    const auto lines = SplitLines(r.strOut);
    ASSERT_EQ(lines.size(), files.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const CJsonLine report(lines[i]);
        EXPECT_EQ(report.String("/file"), files[i]);
        for (const char* pszKey : {"status", "objects", "vertices", "faces", "face_materials", "materials", "bbox"})
            EXPECT_TRUE(report.Has(std::string("/") + pszKey)) << pszKey << " in " << lines[i];
    }
}

} // namespace
