#include "rename/BatchRename.h"

#include "support/TestPhotos.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>
#include <random>
#include <unistd.h>

using namespace support;

namespace {

// A folder of photos whose date keys are given directly, so that the batch
// can be run without reading files.
struct Batch {
    ScratchFolder dir;
    photarrtyp photos;
    std::vector<bool> selected;

    void Add(const std::string& name, const std::string& key, bool select = true, const std::string& content = "")
    {
        WriteFile(dir / name, content.empty() ? "photo " + name : content);
        PhotoType p;
        p.FileName = name;
        p.DateKey = key;
        photos.push_back(p);
        selected.push_back(select);
    }
    std::vector<std::string> FileNames() const
    {
        std::vector<std::string> names;
        for (const auto& p : photos)
            names.push_back(p.FileName);
        return names;
    }
    // Preview marks and the names, then the rename itself.
    std::vector<RenameOutcome> Run(const std::string& pattern, std::vector<CollisionMark>* marks = nullptr)
    {
        const auto names = NamesFromDateKeys(photos, selected, pattern);
        if (marks)
            *marks = PredictCollisions(dir.Path(), FileNames(), selected, names);
        return RenamePhotos(dir.Path(), photos, selected, names);
    }
};

// Every file's content, so that a test can check nothing was lost or replaced.
std::multiset<std::string> Contents(const std::string& folder)
{
    std::multiset<std::string> all;
    for (const auto& name : Listing(folder))
        all.insert(ReadFile(folder + "/" + name));
    return all;
}

} // namespace

TEST(BatchRename, TwelvePhotosBecomePhotoOneToTwelveInShootingOrder)
{
    Batch b;
    for (int k = 12; k >= 1; --k)
        b.Add("IMG_" + std::to_string(k) + ".JPG", "2006-05-12_10.00." + PadNumber(k, 2));
    b.Add("other.jpg", "2000-01-01_00.00.00", false);
    const auto outcomes = b.Run("Photo *");
    ASSERT_EQ(outcomes.size(), 12u);
    for (const auto& o : outcomes)
        EXPECT_EQ(o.Result, rrRenamed) << o.OldName << ": " << o.Reason();
    for (int k = 1; k <= 12; ++k)
        EXPECT_EQ(ReadFile(b.dir / ("Photo " + PadNumber(k, 2) + ".jpg")), "photo IMG_" + std::to_string(k) + ".JPG");
    EXPECT_TRUE(Exists(b.dir / "other.jpg"));
    EXPECT_EQ(Listing(b.dir.Path()).size(), 13u);
}

TEST(BatchRename, NameStillHeldByALaterPhotoIsRefusedAndReported)
{
    Batch b;
    b.Add("new.jpg", "2006-05-12_10.00.00");      // taken earlier, due to become Photo 1.jpg
    b.Add("Photo 1.jpg", "2006-05-12_11.00.00");  // taken later, due to become Photo 2.jpg
    std::vector<CollisionMark> marks;
    const auto outcomes = b.Run("Photo *", &marks);

    EXPECT_EQ(marks[0].Kind, ckTaken);
    EXPECT_EQ(marks[1].Kind, ckNone);
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].Result, rrFailed);
    EXPECT_EQ(outcomes[0].ErrorCode, EEXIST);
    EXPECT_FALSE(outcomes[0].Reason().empty());
    EXPECT_EQ(outcomes[1].Result, rrRenamed);
    EXPECT_EQ(ReadFile(b.dir / "new.jpg"), "photo new.jpg");
    EXPECT_EQ(ReadFile(b.dir / "Photo 2.jpg"), "photo Photo 1.jpg");
    EXPECT_FALSE(Exists(b.dir / "Photo 1.jpg"));

    const auto failed = FailedRenames(outcomes);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].OldName, "new.jpg");
    EXPECT_EQ(failed[0].NewName, "Photo 1.jpg");
}

TEST(BatchRename, SameDateKeyTwiceKeepsTheSecondPhotoUnderItsName)
{
    Batch b;
    b.Add("a.jpg", "2006-05-12_14.30.00");
    b.Add("b.jpg", "2006-05-12_14.30.00");
    std::vector<CollisionMark> marks;
    const auto outcomes = b.Run("Trip ?-%", &marks);
    EXPECT_EQ(marks[0].Kind, ckNone);
    EXPECT_EQ(marks[1].Kind, ckSameAs);
    EXPECT_EQ(marks[1].OtherIndex, 0u);
    EXPECT_EQ(outcomes[0].Result, rrRenamed);
    EXPECT_EQ(outcomes[1].Result, rrFailed);
    EXPECT_EQ(ReadFile(b.dir / "Trip 2006-05-12-14.30.00.jpg"), "photo a.jpg");
    EXPECT_EQ(ReadFile(b.dir / "b.jpg"), "photo b.jpg");
}

TEST(BatchRename, TargetCreatedAfterThePreviewIsNeverOverwritten)
{
    Batch b;
    b.Add("a.jpg", "2006-05-12_14.30.00");
    const auto names = NamesFromDateKeys(b.photos, b.selected, "Photo *");
    const auto marks = PredictCollisions(b.dir.Path(), b.FileNames(), b.selected, names);
    ASSERT_EQ(marks[0].Kind, ckNone);

    // Another program takes the name between the preview and the rename.
    WriteFile(b.dir / "Photo 1.jpg", "someone else's file");
    const auto outcomes = RenamePhotos(b.dir.Path(), b.photos, b.selected, names);
    EXPECT_EQ(outcomes[0].Result, rrFailed);
    EXPECT_EQ(outcomes[0].ErrorCode, EEXIST);
    EXPECT_EQ(ReadFile(b.dir / "Photo 1.jpg"), "someone else's file");
    EXPECT_EQ(ReadFile(b.dir / "a.jpg"), "photo a.jpg");
}

TEST(BatchRename, NamesFreedEarlierInTheBatchCanBeTaken)
{
    Batch b;
    // Photo 2.jpg moves on to Photo 3.jpg first, which frees its name for x.jpg.
    b.Add("Photo 2.jpg", "2006-05-12_03.00.00");
    b.Add("x.jpg", "2006-05-12_02.00.00");
    b.Add("y.jpg", "2006-05-12_01.00.00");
    std::vector<CollisionMark> marks;
    const auto outcomes = b.Run("Photo *", &marks);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(marks[i].Kind, ckNone) << i;
        EXPECT_EQ(outcomes[i].Result, rrRenamed) << i;
    }
    EXPECT_EQ(ReadFile(b.dir / "Photo 3.jpg"), "photo Photo 2.jpg");
    EXPECT_EQ(ReadFile(b.dir / "Photo 2.jpg"), "photo x.jpg");
    EXPECT_EQ(ReadFile(b.dir / "Photo 1.jpg"), "photo y.jpg");
}

TEST(BatchRename, PhotoAlreadyUnderItsNewNameIsASuccess)
{
    Batch b;
    b.Add("Photo 1.jpg", "2006-05-12_01.00.00");
    b.Add("z.jpg", "2006-05-12_02.00.00");
    std::vector<CollisionMark> marks;
    const auto outcomes = b.Run("Photo *", &marks);
    EXPECT_EQ(marks[0].Kind, ckNone);
    EXPECT_EQ(outcomes[0].Result, rrRenamed);
    EXPECT_EQ(outcomes[1].Result, rrRenamed);
    EXPECT_EQ(Listing(b.dir.Path()), (std::vector<std::string>{"Photo 1.jpg", "Photo 2.jpg"}));
}

TEST(BatchRename, HardLinksOfOnePhotoAreTakenNamesNotTheSameFile)
{
    Batch b;
    b.Add("Photo 1.jpg", "2006-05-12_02.00.00");  // due to become Photo 2.jpg
    ASSERT_EQ(::link((b.dir / "Photo 1.jpg").c_str(), (b.dir / "Photo 2.jpg").c_str()), 0);
    PhotoType second;
    second.FileName = "Photo 2.jpg";
    second.DateKey = "2006-05-12_01.00.00";       // due to become Photo 1.jpg
    b.photos.push_back(second);
    b.selected.push_back(true);

    std::vector<CollisionMark> marks;
    const auto outcomes = b.Run("Photo *", &marks);
    ASSERT_EQ(outcomes.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(marks[i].Kind, ckTaken) << i;
        EXPECT_EQ(outcomes[i].Result, rrFailed) << i;
        EXPECT_EQ(outcomes[i].ErrorCode, EEXIST) << i;
    }
    EXPECT_EQ(Listing(b.dir.Path()), (std::vector<std::string>{"Photo 1.jpg", "Photo 2.jpg"}));
}

TEST(BatchRename, NoNamePatternRenamesNothingButCountsEveryPhoto)
{
    Batch b;
    b.Add("a.jpg", "k1");
    b.Add("b.jpg", "k2", false);
    b.Add("c.jpg", "k3");
    const auto names = NamesFromDateKeys(b.photos, b.selected, "? alone");
    std::vector<std::pair<int, int>> progress;
    const auto outcomes = RenamePhotos(b.dir.Path(), b.photos, b.selected, names,
                                       [&](RenameStep s, int p, int m) {
                                           EXPECT_EQ(s, rsRenameFiles);
                                           progress.emplace_back(p, m);
                                       });
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].Result, rrNoName);
    EXPECT_EQ(outcomes[1].Index, 2u);
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}}));
    EXPECT_EQ(Listing(b.dir.Path()), (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg"}));
}

// A '/' would make the new name a path: into a subfolder, or with ".." out of
// the folder altogether. A leading '.' hides the photo from the list; control
// bytes (a pattern's, or an EXIF date's carried in by '?' and '%') make names
// that terminals and scripts mishandle; a name longer than the file system
// allows cannot be made. The photo must stay where it is,
// under its name, marked in the preview and reported by the batch.
TEST(BatchRename, RefusedNamesNeverReachTheFileSystem)
{
    const std::string date = "2006-05-12_01.00.00";
    const struct {
        std::string pattern, dateKey;
        NameFault fault;
        const char* reason;
    } cases[] = {
        {"sub/Photo *", date, nfSlash, "a name cannot hold \"/\""},
        {"../Photo *", date, nfSlash, "a name cannot hold \"/\""},
        {"missing folder/Photo *", date, nfSlash, "a name cannot hold \"/\""},
        {"Trip ?/%", date, nfSlash, "a name cannot hold \"/\""},
        {".Photo *", date, nfLeadingDot, "a name cannot start with \".\""},
        {"?%", "..........x........", nfLeadingDot, "a name cannot start with \".\""},
        {"Photo\t*", date, nfControlByte, "a name cannot hold control characters"},
        {"Trip ?_%", "2006\x1b[31m-12_01\n00.00", nfControlByte, "a name cannot hold control characters"},
        {"Photo\x7f *", date, nfControlByte, "a name cannot hold control characters"},
        {std::string(252, 'x') + "*", date, nfTooLong, "the name is longer than the file system allows"},
    };
    ScratchFolder outer;
    ASSERT_EQ(::mkdir((outer / "card").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir((outer / "card/sub").c_str(), 0700), 0);
    const std::string card = outer / "card";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        WriteFile(card + "/a.jpg", "photo a.jpg");
        photarrtyp photos(1);
        photos[0].FileName = "a.jpg";
        photos[0].DateKey = c.dateKey;
        const std::vector<bool> selected{true};
        const auto names = NamesFromDateKeys(photos, selected, c.pattern);
        ASSERT_TRUE(names[0]);

        const auto marks = PredictCollisions(card, {"a.jpg"}, selected, names);
        EXPECT_TRUE(marks[0].Kind == ckNotAName && marks[0].Fault == c.fault);
        const auto outcomes = RenamePhotos(card, photos, selected, names);
        ASSERT_EQ(outcomes.size(), 1u);
        EXPECT_TRUE(outcomes[0].Result == rrFailed && outcomes[0].ErrorCode == EINVAL);
        EXPECT_EQ(outcomes[0].Reason(), c.reason);
        EXPECT_EQ(Listing(card), (std::vector<std::string>{"a.jpg", "sub"}));
        EXPECT_EQ(Listing(card + "/sub").size() + Listing(outer.Path()).size(), 1u);
    }
    EXPECT_EQ(NameFaultOf("Photo 1.jpg"), nfNone);
    EXPECT_EQ(NameFaultOf("Ph.oto \xc3\xa9t\xc3\xa9.jpg"), nfNone);
    EXPECT_EQ(NameFaultOf(std::string(251, 'x') + ".jpg"), nfNone);
}

// A fallback that could not take back its first step says what it left.
TEST(BatchRename, ReasonNamesWhatARefusedRenameLeftBehind)
{
    RenameOutcome o;
    o.OldName = "a.jpg";
    o.NewName = "b.jpg";
    o.Result = rrFailed;
    o.ErrorCode = EPERM;
    o.Leftover = platform::mlBothNames;
    EXPECT_EQ(o.Reason(), "Operation not permitted; the photo now has two names, \"a.jpg\" and \"b.jpg\"");
    o.Leftover = platform::mlReservation;
    EXPECT_EQ(o.Reason(), "Operation not permitted; the photo keeps \"a.jpg\" and an empty file is left as \"b.jpg\"");
}

TEST(BatchRename, PreviewMarksExactlyWhatTheBatchRefusesAndNothingIsLost)
{
    std::mt19937 rng(77);
    for (int round = 0; round < 60; ++round) {
        Batch b;
        const int n = 2 + static_cast<int>(rng() % 12);
        for (int i = 0; i < n; ++i) {
            // Old names overlap the new ones often; keys repeat to make equal names.
            const std::string name =
                rng() % 2 ? "Photo " + std::to_string(1 + rng() % n) + ".jpg" : "img" + std::to_string(i) + ".jpg";
            if (Exists(b.dir / name))
                continue;
            b.Add(name, "2006-05-1" + std::to_string(rng() % 2) + "_0" + std::to_string(rng() % 3) + ".00.00",
                  rng() % 5 != 0);
        }
        if (rng() % 3 == 0 && !Exists(b.dir / "Photo 1.jpg"))
            WriteFile(b.dir / "Photo 1.jpg", "stranger");
        const char* patterns[] = {"Photo *", "Photo ?-%", "Photo ?_*"};
        const std::string pattern = patterns[rng() % 3];
        const auto before = Contents(b.dir.Path());
        std::vector<CollisionMark> marks;
        const auto outcomes = b.Run(pattern, &marks);
        for (const auto& o : outcomes)
            EXPECT_EQ(o.Result == rrFailed, marks[o.Index].Kind != ckNone)
                << "round " << round << " " << o.OldName << " -> " << o.NewName << " (" << pattern << ")";
        EXPECT_EQ(Contents(b.dir.Path()), before) << "round " << round;
    }
}

// ---- companions ------------------------------------------------------------

TEST(BatchRename, CompanionsMoveWithTheirPhotoOrTheWholeGroupStays)
{
    const struct {
        const char* why;
        std::vector<std::string> outsiders;  // files in the way
        std::vector<std::string> expected;   // the folder afterwards, outsiders left out
        const char* inTheWay;                // on the first photo's outcome; "" when it moved
    } cases[] = {
        {"raw and both sidecar namings, any case", {},
         {"P 1.CR2", "P 1.jpg", "P 1.jpg.XMP", "P 1.xmp", "P 2.jpg", "P 2.nef"}, ""},
        // a.jpg's group fails at its last companion, after the photo and the
        // first companion have moved: both are taken back.
        {"a companion's new name is taken", {"P 1.xmp"},
         {"P 2.jpg", "P 2.nef", "a.CR2", "a.jpg", "a.jpg.XMP", "a.xmp"}, "P 1.xmp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        Batch b;
        b.Add("a.jpg", "2006-05-12_10.00.00");
        b.Add("b.jpg", "2006-05-12_11.00.00");
        for (const char* name : {"a.CR2", "a.jpg.XMP", "a.xmp", "b.nef"})
            WriteFile(b.dir / name, std::string("photo ") + name);
        for (const auto& name : c.outsiders)
            WriteFile(b.dir / name, "someone else's");
        const CompanionLists companions = ListCompanions(b.dir.Path(), b.FileNames(), b.selected);
        const auto names = NamesFromDateKeys(b.photos, b.selected, "P *");
        const auto marks = PredictCollisions(b.dir.Path(), b.FileNames(), b.selected, names, companions);
        const auto outcomes = RenamePhotos(b.dir.Path(), b.photos, b.selected, names, {}, {}, companions);

        std::vector<std::string> listing;
        for (const auto& name : Listing(b.dir.Path()))
            if (std::find(c.outsiders.begin(), c.outsiders.end(), name) == c.outsiders.end())
                listing.push_back(name);
        EXPECT_EQ(listing, c.expected);
        for (const auto& name : c.outsiders)
            EXPECT_EQ(ReadFile(b.dir / name), "someone else's");
        ASSERT_EQ(outcomes.size(), 2u);
        EXPECT_EQ(outcomes[0].Result, *c.inTheWay ? rrFailed : rrRenamed);
        EXPECT_EQ(outcomes[0].InTheWay, c.inTheWay);
        EXPECT_EQ(marks[0].InTheWay, c.inTheWay);
        EXPECT_EQ(marks[0].Reason(), *c.inTheWay ? outcomes[0].Reason() : "");
        for (const RenameOutcome& companion : outcomes[0].Companions)
            EXPECT_EQ(companion.Result, outcomes[0].Result) << companion.OldName;
        EXPECT_EQ(outcomes[1].Result, rrRenamed);
        EXPECT_EQ(Contents(b.dir.Path()).size(), 6u + c.outsiders.size());
    }
}

TEST(BatchRename, CompanionGoneBeforeItsTurnLetsThePhotoMove)
{
    Batch b;
    b.Add("a.jpg", "2006-05-12_10.00.00");
    WriteFile(b.dir / "a.CR2", "raw");
    const CompanionLists companions = ListCompanions(b.dir.Path(), b.FileNames(), b.selected);
    const auto names = NamesFromDateKeys(b.photos, b.selected, "P *");
    std::filesystem::remove(b.dir / "a.CR2");
    const auto outcomes = RenamePhotos(b.dir.Path(), b.photos, b.selected, names, {}, {}, companions);
    EXPECT_EQ(outcomes[0].Result, rrRenamed);
    ASSERT_EQ(outcomes[0].Companions.size(), 1u);
    EXPECT_EQ(outcomes[0].Companions[0].Result, rrSkipped);
    EXPECT_EQ(outcomes[0].Companions[0].Skip, srGone);
    EXPECT_EQ(Listing(b.dir.Path()), (std::vector<std::string>{"P 1.jpg"}));
}
