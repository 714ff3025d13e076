#include "ReadFileTestUtil.h"

#include "model/ReadStatus.h"
#include "platform/CArchive.h"
#include "platform/CFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

std::vector<std::uint8_t> OneVertexFile()
{
    C3dsWriter w;
    w.LeadIn().BeginObject("o").Vertices({1, 2, 3}).Finish();
    return w.Bytes();
}

TEST(ReadFileSources, ArchiveReadsTheOpenFileAndLeavesItOpen)
{
    CTempFile temp(OneVertexFile());
    CFile file;
    ASSERT_TRUE(file.Open(temp.Path(), CFile::modeRead));
    CArchive ar(&file, CArchive::load);
    C3DS model;
    model.m_pArchive = &ar;
    EXPECT_EQ(model.ReadFile(""), READ_OK);
    EXPECT_EQ(model.m_aVertices.size(), 1u);
    EXPECT_TRUE(file.IsOpen());
}

TEST(ReadFileSources, ArchiveNotAtTheStartReadsShort)
{
    const auto bytes = OneVertexFile();
    CTempFile temp(bytes);
    CFile file;
    ASSERT_TRUE(file.Open(temp.Path(), CFile::modeRead));
    char skip[4];
    ASSERT_EQ(file.Read(skip, sizeof skip), sizeof skip);
    CArchive ar(&file, CArchive::load);
    C3DS model;
    model.m_pArchive = &ar;
    EXPECT_EQ(model.ReadFile(""), READ_SHORT);
}

TEST(ReadFileSources, NoArchiveOrNoOpenFileLeavesTheModelUntouched)
{
    C3DS model;
    ASSERT_EQ(ReadBytes(model, OneVertexFile()), READ_OK);
    CMessageRecorder recorder;
    EXPECT_EQ(model.ReadFile(""), READ_CANNOT_OPEN);
    CFile closed;
    CArchive ar(&closed, CArchive::load);
    model.m_pArchive = &ar;
    EXPECT_EQ(model.ReadFile(""), READ_CANNOT_OPEN);
    EXPECT_EQ(model.m_aVertices.size(), 1u);
    EXPECT_TRUE(recorder.m_aMessages.empty());
}

TEST(ReadFileSources, ReadingNeverChangesTheFile)
{
    const auto bytes = OneVertexFile();
    CTempFile temp(bytes);
    C3DS model;
    ASSERT_EQ(model.ReadFile(temp.Path()), READ_OK);
    CFile file;
    ASSERT_TRUE(file.Open(temp.Path(), CFile::modeRead));
    std::vector<std::uint8_t> after(bytes.size() + 1);
    EXPECT_EQ(file.Read(after.data(), after.size()), bytes.size());
    after.resize(bytes.size());
    EXPECT_EQ(after, bytes);
}

} // namespace

namespace {

TEST(ReadFileSources, NamedPipeIsRefusedWithoutWaitingForAWriter)
{
    CTempFile temp(OneVertexFile());
    const std::string strPipe = temp.Dir() + "/pipe.3ds";
    ASSERT_EQ(::mkfifo(strPipe.c_str(), 0600), 0);
    CMessageRecorder recorder;
    C3DS model;
    EXPECT_EQ(model.ReadFile(strPipe), -1);
    EXPECT_EQ(recorder.m_aMessages.size(), 1u);
}

} // namespace
