#include "ModelInvariants.h"
#include "MessageRecorder.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace {

TEST(SystemModels, EveryInstalledModelReadsWithADocumentedStatus)
{
    const auto files = Find3dsFiles(SystemModelFolders());
    // bootstrap installs assimp-testmodels and glmark2-data; without them this proves nothing.
    ASSERT_GE(files.size(), 10u);
    int nRead = 0;
    for (const auto& path : files) {
        CMessageRecorder recorder;
        C3DS model;
        const int nStatus = model.ReadFile(path);
        EXPECT_TRUE(IsDocumentedStatus(nStatus)) << path << ": " << nStatus;
        EXPECT_TRUE(ObjectsAreOrdered(model)) << path;
        if (nStatus == 1) {
            ++nRead;
            if (!model.m_aFaces.empty()) {
                EXPECT_FALSE(model.m_aMaterials.empty()) << path;
            }
        }
    }
    EXPECT_GE(nRead, 10);
}

TEST(SystemModels, ExportsWithoutAMeshVersionChunkStillRead)
{
    C3DS model;
    ASSERT_EQ(model.ReadFile("/usr/share/glmark2/models/horse.3ds"), 1);
    EXPECT_GT(model.m_aFaces.size(), 1000u);
    EXPECT_GT(model.m_aVertices.size(), 1000u);
}

} // namespace
