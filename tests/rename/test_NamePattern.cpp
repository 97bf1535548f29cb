#include "rename/NamePattern.h"

#include "support/TestPhotos.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <iostream>
#include <random>
#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace support;

namespace {

PhotoType Photo(const std::string& key, int rank = 1, int day = 1)
{
    PhotoType p;
    p.DateKey = key;
    p.Rank = rank;
    p.DayNumber = day;
    return p;
}

photarrtyp WithKeys(const std::vector<std::string>& keys)
{
    photarrtyp photos(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i)
        photos[i].DateKey = keys[i];
    return photos;
}

// The pairwise ranking and numbering written out literally, as a reference
// the fast versions must agree with on every input.
void ReferenceRank(photarrtyp& photos, const std::vector<bool>& sel)
{
    for (std::size_t i = 0; i < photos.size(); ++i)
        if (sel[i])
            photos[i].TieCounted = false;
    for (std::size_t i = 0; i < photos.size(); ++i) {
        if (!sel[i])
            continue;
        int counter = 1;
        for (std::size_t j = 0; j < photos.size(); ++j) {
            if (!sel[j])
                continue;
            if (photos[i].DateKey > photos[j].DateKey)
                ++counter;
            if (photos[i].DateKey == photos[j].DateKey && !photos[j].TieCounted) {
                ++counter;
                photos[i].TieCounted = true;
            }
        }
        photos[i].Rank = counter - 1;
        photos[i].DayNumber = 1;
    }
}

void ReferenceSameDay(photarrtyp& photos)
{
    for (std::size_t i = 2; i <= photos.size(); ++i)
        for (auto& j : photos)
            if (j.Rank == static_cast<int>(i))
                for (auto& k : photos)
                    if (k.Rank == static_cast<int>(i) - 1 && CopyChars(j.DateKey, 1, 10) == CopyChars(k.DateKey, 1, 10))
                        j.DayNumber = k.DayNumber + 1;
}

} // namespace

// ---- date keys -------------------------------------------------------------

TEST(DateKeys, ExifDateBecomesYearFirstKey)
{
    EXPECT_EQ(DateKeyFromIntermediate(ExifDateToIntermediate("2006:05:12 14:30:00")), "2006-05-12_14.30.00");
    EXPECT_EQ(DateKeyFromIntermediate("12/05/2006_14:30:00"), "2006-05-12_14.30.00");
}

TEST(DateKeys, OtherShapesGoThroughTheSamePositionsWithoutOverrun)
{
    // Dashes instead of colons: the same characters land in the same places.
    EXPECT_EQ(DateKeyFromIntermediate(ExifDateToIntermediate("2006-05-12T14-30-00")), "2006-05-12_14-30-00");
    // Short and empty texts are cut, never read past their end.
    EXPECT_EQ(DateKeyFromIntermediate(ExifDateToIntermediate("2006")), "_-00-//_");
    EXPECT_EQ(DateKeyFromIntermediate(ExifDateToIntermediate("")), "--//_");
    // Every ':' goes, also those in unexpected places.
    EXPECT_EQ(DateKeyFromIntermediate(ExifDateToIntermediate("2006:05:12 14:30:00:99")), "2006-05-12_14.30.00");
}

TEST(DateKeys, FileTimesKeepEvenSecondsOnly)
{
    UseUtc();
    // 2006-05-12 14:30:00 UTC
    const std::time_t base = 1147444200;
    EXPECT_EQ(DateKeyFromIntermediate(FileTimeToIntermediate(base)), "2006-05-12_14.30.00");
    EXPECT_EQ(DateKeyFromIntermediate(FileTimeToIntermediate(base + 1)), "2006-05-12_14.30.00");
    EXPECT_EQ(DateKeyFromIntermediate(FileTimeToIntermediate(base + 59)), "2006-05-12_14.30.58");
    EXPECT_EQ(FileTimeToIntermediate(base + 3)[18], '2');
}

TEST(DateKeys, CopyCharsIsClippedLikeASubstringOfOneBasedPositions)
{
    EXPECT_EQ(CopyChars("abcdef", 2, 3), "bcd");
    EXPECT_EQ(CopyChars("abcdef", 5, 10), "ef");
    EXPECT_EQ(CopyChars("abcdef", 7, 1), "");
    EXPECT_EQ(CopyChars("abcdef", 0, 2), "");
    EXPECT_EQ(CopyChars("", 1, 2), "");
}

TEST(DateKeys, PhotoWithoutExifDateFallsBackToEvenFileTime)
{
    UseUtc();
    ScratchFolder dir;
    WriteFile(dir / "noexif.jpg", JpegBytes(""));
    WriteFile(dir / "exif.jpg", JpegBytes("2001:02:03 04:05:06"));
    SetModified(dir / "noexif.jpg", 1147444200 + 7);
    SetModified(dir / "exif.jpg", 1147444200 + 7);

    EXPECT_EQ(PhotoDateKey(dir.Path(), "noexif.jpg", true), "2006-05-12_14.30.06");
    EXPECT_EQ(PhotoDateKey(dir.Path(), "noexif.jpg", false), "2006-05-12_14.30.06");
    EXPECT_EQ(PhotoDateKey(dir.Path(), "exif.jpg", true), "2001-02-03_04.05.06");
    // With "Use EXIF" unticked the EXIF date is ignored.
    EXPECT_EQ(PhotoDateKey(dir.Path(), "exif.jpg", false), "2006-05-12_14.30.06");
}

// Whatever is neither a plain file nor a folder is dated like a folder and
// never opened: reading a pipe with a writer stopped the batch, and reading a
// device acts on it.
TEST(DateKeys, EntriesOtherThanPlainFilesAreDatedByTheirModificationTime)
{
    UseUtc();
    ScratchFolder dir;
    ASSERT_EQ(mkdir((dir / "folder.jpg").c_str(), 0700), 0);
    ASSERT_EQ(mkfifo((dir / "fifo.jpg").c_str(), 0600), 0);
    const int reader = open((dir / "fifo.jpg").c_str(), O_RDONLY | O_NONBLOCK);
    const int writer = open((dir / "fifo.jpg").c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    std::vector<std::string> names = {"folder.jpg", "fifo.jpg"};
    if (geteuid() == 0 && mknod((dir / "device.jpg").c_str(), S_IFCHR | 0600, makedev(1, 5)) == 0)
        names.push_back("device.jpg");  // the endless zeros of /dev/zero
    else
        std::cout << "[  SKIPPED ] the device case: a device node can only be made as root\n";
    for (const std::string& name : names) {
        SetModified(dir / name, 1147444200 + 3);
        EXPECT_EQ(PhotoDateKey(dir.Path(), name, true), "2006-05-12_14.30.02") << name;
    }
    close(writer);
    close(reader);
}

TEST(DateKeys, MissingOrUnreadablePhotoEndsTheStepWithAnError)
{
    ScratchFolder dir;
    EXPECT_THROW(PhotoDateKey(dir.Path(), "gone.jpg", false), std::runtime_error);
    EXPECT_THROW(PhotoDateKey(dir.Path(), "gone.jpg", true), std::runtime_error);

    // A file that ends inside the EXIF reader's fixed-size header reads.
    WriteFile(dir / "short.jpg", std::string("\xFF\xD8\xFF\xE1", 4));
    EXPECT_THROW(PhotoDateKey(dir.Path(), "short.jpg", true), std::runtime_error);
    EXPECT_NO_THROW(PhotoDateKey(dir.Path(), "short.jpg", false));

    WriteFile(dir / "locked.jpg", JpegBytes("2001:02:03 04:05:06"));
    chmod((dir / "locked.jpg").c_str(), 0);
    if (geteuid() == 0)
        GTEST_SKIP() << "running as root: permissions do not stop reading";
    try {
        PhotoDateKey(dir.Path(), "locked.jpg", true);
        FAIL() << "an unreadable photo must raise";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("locked.jpg"), std::string::npos) << e.what();
    }
}

TEST(DateKeys, ComputeDateKeysFillsOnlySelectedPhotosAndReportsProgress)
{
    UseUtc();
    ScratchFolder dir;
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg"}) {
        WriteFile(dir / n, JpegBytes(""));
        SetModified(dir / n, 1147444200);
    }
    PhotoListItems items{{"a.jpg", "b.jpg", "c.jpg"}, {false, true, true}};
    photarrtyp photos;
    std::vector<std::pair<int, int>> batch, preview;
    ComputeDateKeys(photos, items, dir.Path(), false,
                    [&](RenameStep s, int pos, int max) {
                        EXPECT_EQ(s, rsGetDates);
                        batch.emplace_back(pos, max);
                    });
    ASSERT_EQ(photos.size(), 3u);
    EXPECT_TRUE(photos[0].FileName.empty());
    EXPECT_TRUE(photos[0].DateKey.empty());
    EXPECT_EQ(photos[0].Rank, 0);
    EXPECT_EQ(photos[2].FileName, "c.jpg");
    EXPECT_EQ(photos[2].DateKey, "2006-05-12_14.30.00");
    EXPECT_EQ(batch, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}}));

    ComputeDateKeys(photos, items, dir.Path(), false,
                    [&](RenameStep, int pos, int max) { preview.emplace_back(pos, max); }, dpListItems);
    EXPECT_EQ(preview, (std::vector<std::pair<int, int>>{{1, 0}, {2, 1}, {3, 2}}));
}

// ---- ranking and same-day numbering -----------------------------------------

TEST(Ranking, TiesToTheSecondRankInReverseListOrder)
{
    photarrtyp photos = WithKeys({"2006-05-12_14.30.00", "2006-05-12_14.30.00", "2006-05-12_10.00.00",
                                  "2006-05-12_14.30.00"});
    std::vector<bool> sel(4, true);
    RankPhotos(photos, sel);
    EXPECT_EQ(photos[2].Rank, 1);
    EXPECT_EQ(photos[3].Rank, 2);
    EXPECT_EQ(photos[1].Rank, 3);
    EXPECT_EQ(photos[0].Rank, 4);

    NumberSameDay(photos, sel);
    EXPECT_EQ(photos[3].DayNumber, 2);  // lower down the list: smaller day number
    EXPECT_EQ(photos[0].DayNumber, 4);
}

TEST(Ranking, UnselectedPhotosStayAtZeroAndRanksHaveNoGaps)
{
    photarrtyp photos = WithKeys({"b", "", "a", "", "c"});
    std::vector<bool> sel = {true, false, true, false, true};
    RankPhotos(photos, sel);
    NumberSameDay(photos, sel);
    EXPECT_EQ(photos[0].Rank, 2);
    EXPECT_EQ(photos[2].Rank, 1);
    EXPECT_EQ(photos[4].Rank, 3);
    EXPECT_EQ(photos[1].Rank, 0);
    EXPECT_EQ(photos[1].DayNumber, 0);
    EXPECT_EQ(photos[3].Rank, 0);
}

TEST(Ranking, AgreesWithThePairwiseDefinitionOnRandomSelections)
{
    std::mt19937 rng(1234);
    const char* days[] = {"2006-05-12", "2006-05-13", "2007-01-01", "1999-12-31"};
    for (int round = 0; round < 200; ++round) {
        const int n = 1 + static_cast<int>(rng() % 30);
        std::vector<std::string> keys;
        std::vector<bool> sel;
        for (int i = 0; i < n; ++i) {
            // Few distinct values, so ties and shared days are common; some odd shapes too.
            const int kind = static_cast<int>(rng() % 10);
            std::string key = kind == 0 ? std::string("x") : std::string(days[rng() % 4]) + "_1" +
                                                                  std::to_string(rng() % 3) + ".00.00";
            keys.push_back(key);
            sel.push_back(rng() % 4 != 0);
        }
        photarrtyp fast = WithKeys(keys), slow = WithKeys(keys);
        RankPhotos(fast, sel);
        NumberSameDay(fast, sel);
        ReferenceRank(slow, sel);
        ReferenceSameDay(slow);
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(fast[i].Rank, slow[i].Rank) << "round " << round << " photo " << i;
            ASSERT_EQ(fast[i].DayNumber, slow[i].DayNumber) << "round " << round << " photo " << i;
        }
    }
}

TEST(Ranking, ProgressCountsPhotosThenPairs)
{
    photarrtyp photos = WithKeys({"a", "b", "c"});
    std::vector<bool> sel(3, true);
    std::vector<std::tuple<RenameStep, int, int>> seen;
    auto names = NamesFromDateKeys(photos, sel, "x ?_*", [&](RenameStep s, int p, int m) { seen.emplace_back(s, p, m); });
    std::vector<std::tuple<RenameStep, int, int>> expected = {
        {rsSortNumerical, 1, 3}, {rsSortNumerical, 2, 3}, {rsSortNumerical, 3, 3},
        {rsSortSameDate, 1, 2},  {rsSortSameDate, 2, 2}};
    EXPECT_EQ(seen, expected);

    seen.clear();
    NamesFromDateKeys(photos, sel, "x *", [&](RenameStep s, int p, int m) { seen.emplace_back(s, p, m); });
    EXPECT_EQ(seen.size(), 3u) << "no same-day step without '?'";
}

TEST(Ranking, DayNumbersStayOneWithoutDatePlaceholder)
{
    photarrtyp photos = WithKeys({"2006-05-12_01.00.00", "2006-05-12_02.00.00"});
    std::vector<bool> sel(2, true);
    auto names = NamesFromDateKeys(photos, sel, "P *");
    EXPECT_EQ(photos[0].DayNumber, 1);
    EXPECT_EQ(photos[1].DayNumber, 1);
    EXPECT_EQ(*names[1], "P 2.jpg");
}

// ---- number width and expansion -------------------------------------------------

TEST(Names, NumberWidthFollowsTheSelectionCount)
{
    struct Case {
        int n, v;
        const char* text;
    } cases[] = {{1, 1, "1"}, {9, 9, "9"}, {10, 1, "01"}, {10, 10, "10"}, {150, 7, "007"}, {150, 150, "150"},
                 {99, 100, "100"}};
    for (const auto& c : cases)
        EXPECT_EQ(PadNumber(c.v, NumberWidth(c.n)), c.text) << "N=" << c.n << " v=" << c.v;
    EXPECT_EQ(NumberWidth(0), 1);
    EXPECT_EQ(NumberWidth(100000), 6);
}

TEST(Names, ExpansionTableByPlaceholderCombination)
{
    // The photo of the examples: 2006-05-12 14:30:00, 5th overall, 2nd of its day, N = 12.
    const PhotoType p = Photo("2006-05-12_14.30.00", 5, 2);
    const int w = NumberWidth(12);
    struct Case {
        const char* pattern;
        const char* name;  // nullptr: no name
    } cases[] = {
        {"Photo *", "Photo 05.jpg"},
        {"Holiday ?-%", "Holiday 2006-05-12-14.30.00.jpg"},
        {"Holiday ?_*", "Holiday 2006-05-12_02.jpg"},
        {"a*b*", "a05b*.jpg"},
        {"?%?%", "2006-05-1214.30.002006-05-1214.30.00.jpg"},
        {"*?*", "022006-05-1202.jpg"},
        {"", nullptr},
        {"Photo", nullptr},
        {"?", nullptr},
        {"%", nullptr},
        {"* %", nullptr},
        {"? % *", nullptr},
        {"erreur", nullptr},
    };
    for (const auto& c : cases) {
        const auto name = ExpandPattern(c.pattern, p, w);
        if (c.name) {
            ASSERT_TRUE(name.has_value()) << c.pattern;
            EXPECT_EQ(*name, c.name) << c.pattern;
        } else {
            EXPECT_FALSE(name.has_value()) << c.pattern << " gave " << name.value_or("");
        }
    }
}

TEST(Names, ExtensionIsAlwaysLowerCaseJpg)
{
    PhotoType p = Photo("2006-05-12_14.30.00", 1);
    p.FileName = "IMG_0001.JPG";
    EXPECT_EQ(*ExpandPattern("Photo *", p, 1), "Photo 1.jpg");
    EXPECT_EQ(*ExpandPattern(" *", p, 1), " 1.jpg");
}

TEST(Names, TwoDaysRestartNumberingAtTheFullWidth)
{
    std::vector<std::string> keys;
    for (int i = 0; i < 7; ++i)
        keys.push_back("2006-05-12_1" + std::to_string(i) + ".00.00");
    for (int i = 0; i < 5; ++i)
        keys.push_back("2006-05-13_0" + std::to_string(i) + ".00.00");
    photarrtyp photos = WithKeys(keys);
    std::vector<bool> sel(keys.size(), true);
    const auto names = NamesFromDateKeys(photos, sel, "Holiday ?_*");
    EXPECT_EQ(*names[0], "Holiday 2006-05-12_01.jpg");
    EXPECT_EQ(*names[6], "Holiday 2006-05-12_07.jpg");
    EXPECT_EQ(*names[7], "Holiday 2006-05-13_01.jpg");
    EXPECT_EQ(*names[11], "Holiday 2006-05-13_05.jpg");
}

TEST(Names, NoNameCombinationsGiveOneEmptyEntryPerSelectedPhoto)
{
    photarrtyp photos = WithKeys({"a", "b"});
    std::vector<bool> sel = {true, true};
    for (const char* pattern : {"?", "%", "? % *", "plain"}) {
        const auto names = NamesFromDateKeys(photos, sel, pattern);
        ASSERT_EQ(names.size(), 2u);
        EXPECT_FALSE(names[0].has_value()) << pattern;
        EXPECT_FALSE(names[1].has_value()) << pattern;
    }
}

// ---- pattern generation ------------------------------------------------------------

TEST(Generator, ReachableBoxStatesGiveTheirPatternsOthersGiveErreur)
{
    struct Case {
        bool d, t, n;
        const char* pattern;
    } cases[] = {
        {false, false, true, "Trip *"}, {true, true, false, "Trip ?-%"}, {true, false, true, "Trip ?_*"},
        {false, false, false, "erreur"}, {true, false, false, "erreur"}, {false, true, false, "erreur"},
        {false, true, true, "erreur"},  {true, true, true, "erreur"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GeneratePattern("Trip", c.d, c.t, c.n), c.pattern) << c.d << c.t << c.n;
}

TEST(Generator, EmptyPrefixStartsWithABlank)
{
    EXPECT_EQ(GeneratePattern("", false, false, true), " *");
    EXPECT_EQ(*ExpandPattern(GeneratePattern("", false, false, true), Photo("k", 3), 1), " 3.jpg");
}

// ---- the whole computation on files -------------------------------------------------

TEST(Computation, TwelvePhotosAreNumberedInShootingOrder)
{
    UseUtc();
    ScratchFolder dir;
    PhotoListItems items;
    // List order differs from shooting order; one photo is left unselected.
    const int order[] = {5, 2, 11, 0, 8, 1, 9, 3, 10, 4, 7, 6, 12};
    for (int k : order) {
        const std::string name = "IMG_" + std::to_string(k) + ".JPG";
        WriteFile(dir / name, JpegBytes(""));
        SetModified(dir / name, 1147444200 + 2 * k);
        items.FileNames.push_back(name);
        items.Selected.push_back(k != 12);
    }
    const NameComputation c = ComputeNewNames(items, dir.Path(), true, "Photo *");
    for (std::size_t i = 0; i < items.Count(); ++i) {
        const int k = order[i];
        if (k == 12) {
            EXPECT_FALSE(c.NewNames[i].has_value());
            continue;
        }
        EXPECT_EQ(*c.NewNames[i], "Photo " + PadNumber(k + 1, 2) + ".jpg") << items.FileNames[i];
    }
}
