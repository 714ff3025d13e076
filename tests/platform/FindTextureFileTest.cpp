// Where a material's texture name is looked for, and where it may never lead.
#include "TextureImages.h"
#include "platform/CTextureFinder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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

void Link(const std::string& strTarget, const std::string& strLink)
{
    std::filesystem::create_directories(std::filesystem::path(strLink).parent_path());
    std::filesystem::create_symlink(strTarget, strLink);
}

TEST(TextureFinder, LinksOutOfTheModelsTreeAreNotUsedAndNamedLinksInsideWork)
{
    CTempTree tree;
    tree.Write("elsewhere/secret.png");
    tree.Write("elsewhere/sail.png");
    const std::string strShared = tree.Write("set/Textures/shared.tga");
    const std::string strDeck = tree.Write("set/models/parts/deck.png");
    Link("../../elsewhere/secret.png", tree.Path("set/models/hull.png"));  // a file link out
    Link("../../elsewhere", tree.Path("set/models/textures"));           // a folder link out
    Link("../elsewhere", tree.Path("set/Maps"));                         // the same, one level up
    Link("parts/deck.png", tree.Path("set/models/DECK.PNG"));             // links that stay inside
    Link("../Textures", tree.Path("set/models/tex"));
    Link("../Textures/shared.tga", tree.Path("set/Textures/alias.tga"));

    CTextureFinder finder(tree.Path("set/models/ship.3ds"));
    const CTextureFinder::SFound hull = finder.Find("HULL.PNG");
    EXPECT_EQ(hull.eStatus, ETextureStatus::outside);
    EXPECT_EQ(hull.strPath, "");
    EXPECT_EQ(hull.strLink, "hull.png");
    EXPECT_EQ(finder.Find("secret.png").eStatus, ETextureStatus::notFound);
    EXPECT_EQ(finder.Find("sail.png").eStatus, ETextureStatus::notFound);
    EXPECT_EQ(finder.OutsideFolders(), (std::vector<std::string>{"../Maps", "textures"}));

    EXPECT_EQ(finder.Find("deck.png").strPath, strDeck);
    EXPECT_EQ(finder.Find("shared.tga").strPath, strShared);
    EXPECT_EQ(finder.Find("alias.tga").strPath, strShared);

    // A model folder reached through a link searches where its files are.
    Link("set/models", tree.Path("linked"));
    CTextureFinder linked(tree.Path("linked/ship.3ds"));
    EXPECT_EQ(linked.Find("shared.tga").strPath, strShared);
    EXPECT_EQ(linked.Find("deck.png").strPath, strDeck);
    EXPECT_EQ(linked.Find("hull.png").eStatus, ETextureStatus::outside);
}

TEST(TextureFinder, ListsEachFolderOnceAndLooksAtItsFirst4096Entries)
{
    CTempTree tree(CTempTree::kInMemory);  // thousands of files: a disk folder takes seconds
    const int nFiles = FIND_TEXTURE_MAX_ENTRIES + 10;
    std::vector<std::string> aNames;
    tree.Write("m/maps/t0.png");
    for (int i = 0; i < nFiles; ++i) {
        aNames.push_back("t" + std::to_string(i) + ".png");
        std::ofstream(tree.Path("m/maps/" + aNames.back()));
    }
    CTextureFinder finder(tree.Path("m/model.3ds"));
    int nFound = 0;
    for (const std::string& strName : aNames)
        nFound += finder.Find(strName).eStatus == ETextureStatus::ok;
    EXPECT_EQ(nFound, FIND_TEXTURE_MAX_ENTRIES);

    // The listing is the finder's: files gone since are still answered from it, new ones
    // are not seen.
    std::filesystem::remove_all(tree.Path("m/maps"));
    tree.Write("m/late.png");
    int nStillFound = 0;
    for (const std::string& strName : aNames)
        nStillFound += finder.Find(strName).eStatus == ETextureStatus::ok;
    EXPECT_EQ(nStillFound, FIND_TEXTURE_MAX_ENTRIES);
    EXPECT_EQ(finder.Find("late.png").eStatus, ETextureStatus::notFound);

    // Short names count in the same listing: T1~1 is the first long stem after "t1" sorted.
    EXPECT_NE(finder.Find("T1~1.PNG").strPath, "");
}

TEST(TextureFinder, ShortNamesCountStemsWithTheNamesOwnExtensionToo)
{
    CTempTree tree;
    const std::string strModel = tree.Path("m/car.3ds");
    const std::string strA = tree.Write("m/brickarch.rgb");
    const std::string strB = tree.Write("m/brickbase.png");
    const std::string strC = tree.Write("m/brickcorner.rgb");
    tree.Write("m/brickdoor.txt");
    CTextureFinder finder(strModel);
    EXPECT_EQ(finder.Find("BRICK~1.RGB").strPath, strA);
    EXPECT_EQ(finder.Find("BRICK~2.RGB").strPath, strB);
    EXPECT_EQ(finder.Find("BRICK~3.RGB").strPath, strC);
    EXPECT_EQ(finder.Find("BRICK~4.RGB").strPath, "");
    EXPECT_EQ(finder.Find("BRICK~1.PNG").strPath, strB);
    EXPECT_EQ(finder.Find("BRICK~2.PNG").strPath, "");
    EXPECT_EQ(finder.Find("BRICKDOO.TXT").strPath, tree.Path("m/brickdoor.txt"));
}

} // namespace
