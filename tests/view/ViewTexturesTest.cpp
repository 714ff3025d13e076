// Textures of a model in its window: decoded on worker threads, shown as they arrive, and
// never outliving the window that asked for them. Each test ends with a leak check.
#include "ViewHarness.h"

#include "TestFiles.h"
#include "geometry/CTextureLibrary.h"
#include "platform/DecodeTexture.h"
#include "tools/C3dsWriter.h"
#include "view/CTextureDecoder.h"

#include <QColor>
#include <QImage>
#include <QOpenGLContext>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
// At exit the GL driver is unloaded before leaks are looked for, and what it keeps can no
// longer be told from ours: each test looks while the driver is there, the exit does not.
extern "C" const char* __asan_default_options() { return "leak_check_at_exit=0"; }
#endif

namespace {

// Quads side by side, one material and texture file each; textures are nSide pixels a side
// in the given colours, written as fFormat.
std::string WriteTexturedModel(const std::string& strDir, const std::vector<QColor>& aColours, int nSide,
                               const char* pFormat)
{
    C3dsWriter w;
    w.LeadIn();
    for (std::size_t i = 0; i < aColours.size(); ++i) {
        const std::string strName = "tex" + std::to_string(i) + "." + pFormat;
        QImage texture(nSide, nSide, QImage::Format_RGB888);
        texture.fill(aColours[i]);
        EXPECT_TRUE(texture.save(QString::fromStdString(strDir + "/" + strName), pFormat));
        w.BeginMaterial("m" + std::to_string(i), {255, 255, 255}, {255, 255, 255}, {0, 0, 0}).TextureMap(strName).End();
    }
    for (std::size_t i = 0; i < aColours.size(); ++i) {
        const float x = static_cast<float>(i) * 2.2f;
        w.BeginObject("q" + std::to_string(i)).Vertices({x, -1, 0, x + 2, -1, 0, x + 2, 1, 0, x, 1, 0});
        w.Mapping({0, 0, 1, 0, 1, 1, 0, 1}).BeginFaces({0, 1, 2, 0, 0, 2, 3, 0}).FaceMaterial("m" + std::to_string(i), {0, 1});
    }
    const std::string strModel = strDir + "/quads.3ds";
    const std::vector<std::uint8_t> bytes = w.Finish().Bytes();
    std::ofstream(strModel, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
    return strModel;
}

int Dominant(CTessaronView* pView, int nChannel)
{
    return CViewHarness::Count(pView, [nChannel](int r, int g, int b) {
        const int c[3] = {r, g, b};
        return c[nChannel] > c[(nChannel + 1) % 3] + 60 && c[nChannel] > c[(nChannel + 2) % 3] + 60;
    });
}

class ViewTextures : public ::testing::Test {
protected:
    void TearDown() override
    {
        // Whatever a test left decoding ends before the next one, or the process, starts.
        EXPECT_TRUE(CTextureDecoder::WaitForWorkers(60000));
        QCoreApplication::processEvents();
#if defined(__SANITIZE_ADDRESS__)
        EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
#endif
    }

    CMessageRecorder m_recorder;
    CTempFile m_folder{{}, "unused"};
    CViewHarness m_harness;
};

TEST_F(ViewTextures, TheModelShowsInItsColoursAtOnceAndEachTextureAsItIsReady)
{
    const std::string strModel =
        WriteTexturedModel(m_folder.Dir(), {QColor(220, 0, 0), QColor(0, 220, 0), QColor(0, 0, 220)}, 64, "png");
    CTessaronView* pView = m_harness.Open(strModel, 400, 300);
    ASSERT_NE(pView, nullptr);
    QSignalSpy progress(pView, &CTessaronView::TextureProgress);
    pView->m_fDistance = 2.5f;
    pView->DrawNow();
    int nBefore[3];
    for (int nChannel = 0; nChannel < 3; ++nChannel)
        nBefore[nChannel] = Dominant(pView, nChannel);  // the net's axes
    pView->OnFullShading();
    // The frame that asked for them could not wait: white materials, no more colour.
    for (int nChannel = 0; nChannel < 3; ++nChannel)
        EXPECT_LE(Dominant(pView, nChannel), nBefore[nChannel]) << nChannel;
    ASSERT_GE(progress.size(), 1);
    EXPECT_EQ(progress.first().at(0).toString(), "Loading textures 0 of 3");
    EXPECT_EQ(pView->m_pTextures->Requested(), 3);

    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            for (int nChannel = 0; nChannel < 3; ++nChannel)
                if (Dominant(pView, nChannel) < nBefore[nChannel] + 400)
                    return false;
            return true;
        },
        20000));
    ASSERT_GE(progress.size(), 2);
    EXPECT_EQ(progress.last().at(0).toString(), "");
    int nLastReady = 0;
    for (int i = 0; i + 1 < progress.size(); ++i) {
        const QString strText = progress.at(i).at(0).toString();
        const int nReady = strText.section(' ', 2, 2).toInt();
        EXPECT_EQ(strText, QString("Loading textures %1 of 3").arg(nReady));
        EXPECT_GE(nReady, nLastReady);
        nLastReady = nReady;
    }
}

TEST_F(ViewTextures, ClosingTheWindowOrTheDocumentWhileTexturesDecodeOrUploadIsSafe)
{
    const std::string strModel = WriteTexturedModel(
        m_folder.Dir(), {QColor(200, 0, 0), QColor(0, 200, 0), QColor(0, 0, 200), QColor(200, 200, 0)}, 2048, "jpg");
    int nCase = 0;
    for (bool bUploading : {false, true})
        for (bool bDocument : {false, true}) {
            SCOPED_TRACE(testing::Message() << (bDocument ? "document" : "window") << (bUploading ? " uploading" : " decoding"));
            // A file of its own: the last one's document may linger a moment.
            const std::string strFile = m_folder.Dir() + "/again" + std::to_string(nCase++) + ".3ds";
            std::filesystem::copy_file(strModel, strFile);
            CTessaronView* pView = m_harness.Open(strFile, 320, 240);
            ASSERT_NE(pView, nullptr);
            pView->OnFullShading();
            ASSERT_NE(pView->m_pDecoder, nullptr);
            if (bUploading) {
                // Steps of 16 KiB: a texture of 2048 x 2048 takes over a thousand.
                pView->m_pTextures->SetUploadBytesPerStep(1);
                ASSERT_TRUE(QTest::qWaitFor(
                    [&] {
                        return pView->m_pTextures->UploadedLastStep() > 0 && pView->m_pTextures->HasUploadsWaiting();
                    },
                    60000));
                EXPECT_LT(pView->m_pTextures->Arrived(), 4);
            } else {
                // Answers come back only through the event loop, so these are all still out.
                EXPECT_EQ(pView->m_pDecoder->Pending(), 4);
            }
            if (bDocument)
                m_harness.m_template.CloseAllDocuments();
            else
                m_harness.m_template.GetFrame(pView->GetDocument())->close();
            EXPECT_TRUE(QTest::qWaitFor([&] { return m_harness.m_area.subWindowList().isEmpty(); }, 10000));
            // The workers finish into nothing; their answers find no view.
            EXPECT_TRUE(CTextureDecoder::WaitForWorkers(60000));
            QCoreApplication::processEvents();
        }
}

TEST_F(ViewTextures, AContextMadeAnewHalfWayThroughAnUploadStillEndsWithEveryTextureWhole)
{
    const std::string strModel =
        WriteTexturedModel(m_folder.Dir(), {QColor(220, 0, 0), QColor(0, 220, 0), QColor(0, 0, 220)}, 1024, "jpg");
    CTessaronView* pView = m_harness.Open(strModel, 400, 300);
    ASSERT_NE(pView, nullptr);
    pView->m_fDistance = 2.5f;
    pView->DrawNow();
    int nBefore[3];
    for (int nChannel = 0; nChannel < 3; ++nChannel)
        nBefore[nChannel] = Dominant(pView, nChannel);
    pView->OnFullShading();
    pView->m_pTextures->SetUploadBytesPerStep(1);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return pView->m_pTextures->UploadedLastStep() > 0 && pView->m_pTextures->HasUploadsWaiting(); }, 60000));
    EXPECT_LT(pView->m_pTextures->Arrived(), 3);

    // Out of the window and back: Qt gives the view a new context each time, and the old
    // one takes the half-filled texture with it.
    int nContextsGone = 0;
    QObject::connect(pView->context(), &QOpenGLContext::aboutToBeDestroyed, [&] { ++nContextsGone; });
    CMDIChildWnd* pFrame = m_harness.m_template.GetFrame(pView->GetDocument());
    m_harness.m_area.removeSubWindow(pFrame);
    pFrame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pFrame));
    EXPECT_TRUE(QTest::qWaitFor([&] { return nContextsGone == 1; }, 10000));
    m_harness.m_area.addSubWindow(pFrame);
    pFrame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_harness.m_window));
    pView->m_pTextures->SetUploadBytesPerStep(CTextureLibrary::UPLOAD_BYTES_PER_STEP);
    pView->InvalidateRect(false);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            if (pView->m_pTextures->HasUploadsWaiting() ||
                pView->m_pTextures->Arrived() != pView->m_pTextures->Requested())
                return false;
            for (int nChannel = 0; nChannel < 3; ++nChannel)
                if (Dominant(pView, nChannel) < nBefore[nChannel] + 400)
                    return false;
            return true;
        },
        60000));
}

TEST_F(ViewTextures, ADecoderGoneBeforeItsWorkersHearsNothingAndSkipsWhatHasNotStarted)
{
    const std::string strModel = WriteTexturedModel(m_folder.Dir(), {QColor(200, 0, 0)}, 1024, "jpg");
    int nHeard = 0;
    {
        CTextureDecoder decoder([&](const std::string&, ETextureStatus, STextureLevels) { ++nHeard; });
        for (int i = 0; i < 6; ++i)
            decoder.Request(m_folder.Dir() + "/tex0.jpg", 1024);
        EXPECT_EQ(decoder.Pending(), 6);
    }
    EXPECT_TRUE(CTextureDecoder::WaitForWorkers(60000));
    QCoreApplication::processEvents();
    EXPECT_EQ(nHeard, 0);

    // The worker hands over the whole chain, as the GUI thread would have made it.
    STextureImage decoded;
    ASSERT_EQ(DecodeTextureFile(m_folder.Dir() + "/tex0.jpg", 512, decoded), ETextureStatus::ok);
    const STextureLevels expected = TextureLevels(decoded);
    CTextureDecoder decoder([&](const std::string& strPath, ETextureStatus eStatus, STextureLevels levels) {
        ++nHeard;
        EXPECT_EQ(strPath, m_folder.Dir() + "/tex0.jpg");
        EXPECT_EQ(eStatus, ETextureStatus::ok);
        ASSERT_EQ(levels.aLevels.size(), 10u);
        EXPECT_EQ(levels.aLevels.front().nWidth, 512);
        for (std::size_t i = 0; i < levels.aLevels.size(); ++i)
            EXPECT_EQ(levels.aLevels[i].aRGBA, expected.aLevels[i].aRGBA) << "level " << i;
    });
    decoder.Request(m_folder.Dir() + "/tex0.jpg", 512);
    EXPECT_TRUE(QTest::qWaitFor([&] { return nHeard == 1; }, 20000));
    EXPECT_EQ(decoder.Pending(), 0);
}

} // namespace
