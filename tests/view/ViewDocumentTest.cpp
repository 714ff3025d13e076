#include "ViewHarness.h"

#include "tools/C3dsWriter.h"
#include "MessageRecorder.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class ViewDocument : public ::testing::Test {
protected:
    CTessaronView* OpenBytes(const std::vector<std::uint8_t>& bytes)
    {
        m_pFile = std::make_unique<CTempFile>(bytes);
        return m_harness.Open(m_pFile->Path());
    }

    CMessageRecorder m_recorder;
    CViewHarness m_harness;
    std::unique_ptr<CTempFile> m_pFile;
};

TEST(LoadFailureMessage, EachStatusClassHasItsText)
{
    EXPECT_EQ(LoadFailureMessage(1), "");
    for (int n : {-2, -3, -4, -5, -6})
        EXPECT_EQ(LoadFailureMessage(n), "Not a 3ds file.");
    EXPECT_EQ(LoadFailureMessage(-1), "ERROR -1 in m_c3DS.ReadFile()");
    EXPECT_EQ(LoadFailureMessage(-19), "ERROR -19 in m_c3DS.ReadFile()");
    EXPECT_EQ(LoadFailureMessage(-182), "ERROR -182 in m_c3DS.ReadFile()");
}

TEST_F(ViewDocument, NotA3dsFileOpensAnEmptyWindowWithTheMessage)
{
    CTessaronView* pView = OpenBytes({'P', 'K', 3, 4, 0, 0, 0, 0});
    ASSERT_NE(pView, nullptr);
    ASSERT_EQ(m_recorder.m_aMessages.size(), 1u);
    EXPECT_EQ(m_recorder.m_aMessages[0].strText, "Not a 3ds file.");
    EXPECT_EQ(m_recorder.m_aMessages[0].strCaption, "Import 3DS");
    EXPECT_EQ(m_recorder.m_aMessages[0].pOwner, nullptr);
    EXPECT_TRUE(pView->m_c3DS.m_aVertices.empty());
    EXPECT_EQ(m_harness.m_template.GetDocuments().size(), 1u);
}

TEST_F(ViewDocument, WalkFailureReportsTheNumberAndShowsWhatWasRead)
{
    C3dsWriter w;
    w.LeadIn().BeginObject("a").Vertices({0, 0, 0, 1, 0, 0, 0, 1, 0}).BeginFaces({0, 1, 2, 0}).End();
    w.MeshMatrix({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}).Finish();
    CTessaronView* pView = OpenBytes(w.Bytes());
    ASSERT_NE(pView, nullptr);
    ASSERT_EQ(m_recorder.m_aMessages.size(), 1u);
    EXPECT_EQ(m_recorder.m_aMessages[0].strText, "ERROR -19 in m_c3DS.ReadFile()");
    EXPECT_EQ(pView->m_c3DS.m_aFaces.size(), 1u);
    auto* pDoc = dynamic_cast<CTessaronDoc*>(pView->GetDocument());
    EXPECT_EQ(pDoc->m_pC3DS, &pView->m_c3DS);
}

TEST_F(ViewDocument, EmptyFilesAndNewDocumentsNeverReachTheReader)
{
    CTessaronView* pEmpty = OpenBytes({});
    ASSERT_NE(pEmpty, nullptr);
    EXPECT_TRUE(m_recorder.m_aMessages.empty());
    EXPECT_EQ(dynamic_cast<CTessaronDoc*>(pEmpty->GetDocument())->m_pC3DS, nullptr);

    CTessaronView* pNew = m_harness.Open("");
    ASSERT_NE(pNew, nullptr);
    EXPECT_EQ(pNew->GetDocument()->GetTitle(), "Tessaron1");
    EXPECT_EQ(dynamic_cast<CTessaronDoc*>(pNew->GetDocument())->m_pC3DS, nullptr);
    EXPECT_EQ(m_harness.Open("")->GetDocument()->GetTitle(), "Tessaron2");
    EXPECT_TRUE(m_recorder.m_aMessages.empty());
}

TEST_F(ViewDocument, FilesThatCannotBeOpenedLeaveNoWindow)
{
    CTempFile dir({});
    EXPECT_EQ(m_harness.Open(dir.Dir()), nullptr);
    EXPECT_EQ(m_harness.Open(dir.Dir() + "/missing.3ds"), nullptr);
    ASSERT_EQ(m_recorder.m_aMessages.size(), 2u);
    EXPECT_EQ(m_recorder.m_aMessages[1].strText,
              "missing.3ds\nCannot find this file.\nPlease verify that the correct path and file name are given.");
    EXPECT_EQ(m_recorder.m_aMessages[1].strCaption, "Tessaron");
    EXPECT_TRUE(m_harness.m_template.GetDocuments().empty());
    EXPECT_TRUE(m_harness.m_area.subWindowList().empty());
}

TEST_F(ViewDocument, OpeningAndClosingNeverTouchesTheFile)
{
    const std::string strPath = SamplePath("house.3ds");
    struct stat before {};
    ASSERT_EQ(::stat(strPath.c_str(), &before), 0);
    CTessaronView* pView = m_harness.Open(strPath);
    ASSERT_NE(pView, nullptr);
    EXPECT_FALSE(pView->m_c3DS.m_aFaces.empty());
    // The same file again activates its window instead of opening a second one.
    m_harness.m_template.OpenDocumentFile(strPath);
    EXPECT_EQ(m_harness.m_template.GetDocuments().size(), 1u);
    m_harness.m_template.CloseAllDocuments();
    struct stat after {};
    ASSERT_EQ(::stat(strPath.c_str(), &after), 0);
    EXPECT_EQ(before.st_size, after.st_size);
    EXPECT_EQ(before.st_mtim.tv_sec, after.st_mtim.tv_sec);
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
}

} // namespace
