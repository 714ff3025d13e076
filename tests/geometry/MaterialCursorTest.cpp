#include "geometry/CMaterialCursor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

// The material rule walked literally, entry by entry from the cursor, as a yardstick.
class CLiteralRule {
public:
    CLiteralRule(const std::vector<S3DSFaceMaterial>& aEntries, const std::vector<S3DSMaterial>& aMaterials)
        : m_aEntries(aEntries), m_aMaterials(aMaterials)
    {
    }

    const S3DSMaterial* Select(std::size_t nFace, std::int32_t nObject)
    {
        for (std::size_t j = m_nCursor; j < m_aEntries.size(); ++j) {
            const S3DSFaceMaterial& e = m_aEntries[j];
            if (std::int64_t{e.wObject} != nObject && std::uint64_t{e.wFace} != nFace)
                continue;
            if (e.strMaterial.str() == m_strCurrent) {
                m_nCursor = j;
                return nullptr;
            }
            m_strCurrent = e.strMaterial.str();
            for (const S3DSMaterial& m : m_aMaterials) {
                if (m.strName.str() == m_strCurrent) {
                    m_nCursor = j;
                    return &m;
                }
            }
        }
        return nullptr;
    }

    std::size_t m_nCursor = 0;
    std::string m_strCurrent;

private:
    const std::vector<S3DSFaceMaterial>& m_aEntries;
    const std::vector<S3DSMaterial>& m_aMaterials;
};

struct SCase {
    std::vector<std::int32_t> aFaceObjects;  // nObject of face i
    std::vector<S3DSFaceMaterial> aEntries;
    std::vector<S3DSMaterial> aMaterials;
};

S3DSMaterial Material(const char* pszName)
{
    S3DSMaterial m;
    m.strName = pszName;
    return m;
}

// Runs the cursor and the literal rule side by side over every face and compares each
// answer and the state it leaves.
void ExpectSameAsLiteral(const SCase& c, std::size_t nBudget)
{
    CMaterialCursor cursor(c.aEntries, c.aMaterials, c.aFaceObjects.size());
    if (nBudget != SIZE_MAX)
        cursor.SetProbeBudget(nBudget);
    CLiteralRule literal(c.aEntries, c.aMaterials);
    for (std::size_t i = 0; i < c.aFaceObjects.size(); ++i) {
        const S3DSMaterial* pExpected = literal.Select(i, c.aFaceObjects[i]);
        const S3DSMaterial* pActual = cursor.Select(i, c.aFaceObjects[i]);
        ASSERT_EQ(pActual, pExpected) << "face " << i << ", budget " << nBudget;
        ASSERT_EQ(cursor.Cursor(), literal.m_nCursor) << "face " << i << ", budget " << nBudget;
        ASSERT_EQ(cursor.CurrentName(), literal.m_strCurrent) << "face " << i << ", budget " << nBudget;
    }
}

// Budget 0 answers from the index throughout, SIZE_MAX keeps the default, and the small
// ones switch from the literal walk to the index part-way through.
void ExpectSameAsLiteralForAllBudgets(const SCase& c)
{
    for (std::size_t nBudget : {SIZE_MAX, std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{3},
                                std::size_t{5}, std::size_t{8}, std::size_t{13}, std::size_t{40}}) {
        ExpectSameAsLiteral(c, nBudget);
        if (testing::Test::HasFatalFailure())
            return;
    }
}

// Names indexed into the pool of the random cases; "X" and "Y" name no material.
const char* const kNames[] = {"", "A", "B", "C", "X", "Y"};

TEST(MaterialCursor, RandomModelsMatchTheLiteralRule)
{
    std::mt19937 rng(20240611);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const std::int32_t aObjects[] = {-1, 0, 1, 2, 3, 65537};
    for (int nCase = 0; nCase < 3000; ++nCase) {
        SCase c;
        const int nFaces = pick(40);
        std::int32_t nObject = 1;
        const bool bSorted = pick(2) == 0;  // as read from a file, or anything at all
        for (int i = 0; i < nFaces; ++i) {
            if (bSorted)
                nObject += pick(6) == 0 ? 1 : 0;
            else
                nObject = aObjects[pick(6)];
            c.aFaceObjects.push_back(nObject);
        }
        // Shared and separately built copies of one name must compare alike.
        std::vector<CSharedString> aPool(std::begin(kNames), std::end(kNames));
        const int nEntries = pick(30);
        for (int j = 0; j < nEntries; ++j) {
            const int nName = pick(6);
            S3DSFaceMaterial e;
            e.wObject = static_cast<std::uint16_t>(pick(5));
            e.wFace = static_cast<std::uint16_t>(pick(3) == 0 ? pick(4) : pick(45));
            e.strMaterial = pick(2) ? aPool[static_cast<std::size_t>(nName)] : CSharedString(kNames[nName]);
            c.aEntries.push_back(e);
        }
        const int nMaterials = pick(6);
        for (int k = 0; k < nMaterials; ++k)
            c.aMaterials.push_back(Material(kNames[pick(4)]));  // "", A, B, C, duplicates allowed

        SCOPED_TRACE(nCase);
        ExpectSameAsLiteralForAllBudgets(c);
        if (HasFatalFailure())
            return;
    }
}

TEST(MaterialCursor, ObjectWithoutEntriesMatchesLaterEntriesThroughFacePosition)
{
    // Object 1 has no entries; the entries of object 2 that follow it carry wFace values that
    // equal positions of object 1's faces in the whole face array.
    SCase c;
    c.aMaterials = {Material("A"), Material("B"), Material("C")};
    for (int i = 0; i < 300; ++i)
        c.aFaceObjects.push_back(1);
    for (int i = 0; i < 300; ++i)
        c.aFaceObjects.push_back(2);
    const char* const aCycle[] = {"A", "B", "C", "X"};
    for (std::uint16_t f = 0; f < 300; ++f)
        c.aEntries.push_back({2, f, aCycle[f % 7 % 4]});
    ExpectSameAsLiteralForAllBudgets(c);

    // And the plain consequence: face 1 of object 1 takes the material of entry 1.
    CMaterialCursor cursor(c.aEntries, c.aMaterials, c.aFaceObjects.size());
    EXPECT_EQ(cursor.Select(0, 1), &c.aMaterials[0]);
    EXPECT_EQ(cursor.Select(1, 1), &c.aMaterials[1]);
}

TEST(MaterialCursor, ChainsOfUnknownNamesMatchTheLiteralRule)
{
    // Unknown names that alternate keep the search going; a repeated one or a known one stops it.
    SCase c;
    c.aMaterials = {Material("A"), Material("B")};
    for (int i = 0; i < 200; ++i)
        c.aFaceObjects.push_back(i < 120 ? 1 : 2);
    for (int k = 0; k < 80; ++k)
        c.aEntries.push_back({1, 500, k % 2 ? "X" : "Y"});
    c.aEntries.push_back({1, 500, "X"});
    c.aEntries.push_back({1, 500, "X"});  // repeats its predecessor: stops with nothing to apply
    for (int k = 0; k < 40; ++k)
        c.aEntries.push_back({2, static_cast<std::uint16_t>(k % 3 ? 500 : 130 + k), k % 2 ? "Y" : "Z"});
    c.aEntries.push_back({2, 500, "B"});
    c.aEntries.push_back({1, 150, "A"});  // reached by face 150 of object 2 through wFace
    ExpectSameAsLiteralForAllBudgets(c);
}

TEST(MaterialCursor, ValuesBeyondSixteenBitsMatchNothing)
{
    // Object 65537 and face 65539 share their low 16 bits with the entries' 1 and 3.
    SCase c;
    c.aMaterials = {Material("A"), Material("B")};
    c.aEntries = {{1, 3, "A"}, {1, 4, "B"}};
    c.aFaceObjects.assign(65541, 65537);
    for (std::size_t nBudget : {SIZE_MAX, std::size_t{0}}) {
        CMaterialCursor cursor(c.aEntries, c.aMaterials, c.aFaceObjects.size());
        if (nBudget == 0)
            cursor.SetProbeBudget(0);
        for (std::size_t i = 0; i < c.aFaceObjects.size(); ++i) {
            const S3DSMaterial* pExpected = i == 3 ? &c.aMaterials[0] : i == 4 ? &c.aMaterials[1] : nullptr;
            ASSERT_EQ(cursor.Select(i, c.aFaceObjects[i]), pExpected) << "face " << i << ", budget " << nBudget;
        }
    }
}

} // namespace
