// Where a material's texture name is looked for, and where it may never lead.
#include "TextureImages.h"
#include "platform/FindTextureFile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FindTextureFile, FindsAnyCaseBesideTheModelAndInTextureFoldersHereOrOneLevelUp)
{
    CTempTree tree;
    const std::string strModel = tree.Path("set/models/ship.3ds");
    const std::string strUp = tree.Write("set/Textures/Hull.Tga");
    const std::string strBeside = tree.Write("set/models/deck.png");
    const std::string strMaps = tree.Write("set/models/MAPS/sail.JPG");
    EXPECT_EQ(FindTextureFile(strModel, "HULL.TGA"), strUp);
    EXPECT_EQ(FindTextureFile(strModel, "C:\\3DS\\MAPS\\hull.tga"), strUp);
    EXPECT_EQ(FindTextureFile(strModel, "D:Deck.PNG"), strBeside);
    EXPECT_EQ(FindTextureFile(strModel, "sail.jpg"), strMaps);
    EXPECT_EQ(FindTextureFile(strModel, "rope.tga"), "");
}

TEST(FindTextureFile, ExactNameAnywhereBeforeAnotherExtensionBeforeAShortName)
{
    CTempTree tree;
    const std::string strModel = tree.Path("m/car.3ds");
    tree.Write("m/paint.png");
    const std::string strExact = tree.Write("m/tex/paint.rgb");
    EXPECT_EQ(FindTextureFile(strModel, "PAINT.RGB"), strExact);

    // The same stem: the first image extension in order, never a non-image.
    tree.Write("m/tyre.txt");
    tree.Write("m/tyre.gif");
    const std::string strTga = tree.Write("m/tyre.tga");
    EXPECT_EQ(FindTextureFile(strModel, "TYRE.RGB"), strTga);
    EXPECT_EQ(FindTextureFile(strModel, "tyre"), strTga);

    // DOS short names: ~N counts the long stems with that prefix in sorted order.
    const std::string strFirst = tree.Write("m/brickwall.png");
    const std::string strSecond = tree.Write("m/brickwork.tga");
    EXPECT_EQ(FindTextureFile(strModel, "BRICKW~1.TGA"), strFirst);
    EXPECT_EQ(FindTextureFile(strModel, "BRICKW~2.TGA"), strSecond);
    EXPECT_EQ(FindTextureFile(strModel, "BRICKW~3.TGA"), "");
    EXPECT_EQ(FindTextureFile(strModel, "BRICKWAL.BMP"), strFirst);
    EXPECT_EQ(FindTextureFile(strModel, "BRICK~1X.TGA"), "");
}

TEST(FindTextureFile, NamesNeverLeadOutOfTheFoldersSearched)
{
    CTempTree tree;
    const std::string strModel = tree.Path("a/b/model.3ds");
    tree.Write("a/secret.png");
    tree.Write("a/other/secret2.png");
    tree.Write("a/b/textures/placeholder.png");
    for (const char* pName : {"..", ".", "../secret.png", "..\\secret.png", "textures/../../secret.png",
                              "../other/secret2.png", "", "textures", "b"})
        EXPECT_EQ(FindTextureFile(strModel, pName), "") << pName;
    const std::string strAbsolute = tree.Path("a/secret.png");
    EXPECT_EQ(FindTextureFile(strModel, strAbsolute), "");
    EXPECT_EQ(FindTextureFile(strModel, std::string(300, 'x') + ".png"), "");
}

} // namespace
