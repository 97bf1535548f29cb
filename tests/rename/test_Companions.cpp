// Which files of a folder are a photo's companions, and the names they take.

#include "rename/Companions.h"

#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::string>;

} // namespace

TEST(Companions, FoundByStemOrWholeNameWithAKnownExtensionInAnyCase)
{
    const struct {
        const char* why;
        Names folder;
        Names photos;
        std::vector<bool> selected;
        std::vector<Names> expected;
    } cases[] = {
        {"raw and jpeg pairs",
         {"IMG_1.CR2", "IMG_1.JPG", "IMG_2.jpg", "IMG_2.nef", "IMG_3.jpg"},
         {"IMG_1.JPG", "IMG_2.jpg", "IMG_3.jpg"}, {true, true, true},
         {{"IMG_1.CR2"}, {"IMG_2.nef"}, {}}},
        {"both sidecar namings, extensions and bases in any case",
         {"IMG_1.JPG", "IMG_1.JPG.xmp", "img_1.Xmp", "Img_1.MOV"},
         {"IMG_1.JPG"}, {true},
         {{"IMG_1.JPG.xmp", "img_1.Xmp", "Img_1.MOV"}}},
        {"unknown extension, other base, two extensions on the stem",
         {"IMG_1.jpg", "IMG_1.txt", "IMG_10.CR2", "IMG_1.CR2.xmp", "IMG_1", "IMG_1.jpg.jpg.xmp"},
         {"IMG_1.jpg"}, {true},
         {{}}},
        {"an unselected photo's companions stay with it",
         {"a.jpg", "a.CR2", "b.jpg", "b.CR2"},
         {"a.jpg", "b.jpg"}, {false, true},
         {{}, {"b.CR2"}}},
        {"a file two listed photos could own belongs to neither",
         {"IMG_1.jpg", "img_1.JPG", "IMG_1.CR2", "a.jpg", "a.jpg.jpg", "a.jpg.xmp", "a.xmp"},
         {"IMG_1.jpg", "img_1.JPG", "a.jpg", "a.jpg.jpg"}, {true, true, true, true},
         {{}, {}, {"a.xmp"}, {}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindCompanions(c.folder, c.photos, c.selected), c.expected) << c.why;
}

TEST(Companions, ListedPhotoIsNeverACompanionEvenWithItsExtensionInTheTable)
{
    // With "jpg" counted, a.jpg would be a.JPG's companion by its stem.
    const std::vector<std::string_view> withJpg = {"jpg", "xmp"};
    EXPECT_EQ(FindCompanions({"a.JPG", "a.jpg", "b.jpg", "b.jpg.jpg"}, {"a.JPG", "a.jpg", "b.jpg"},
                             {true, true, true}, withJpg),
              (std::vector<Names>{{}, {}, {"b.jpg.jpg"}}));
}

TEST(Companions, TakeThePhotosNewNameInTheirOwnFormKeepingTheirExtensionsCase)
{
    const struct {
        const char* companion;
        const char* expected;
    } cases[] = {
        {"IMG_0042.CR2", "Trip 2024-06-01_07.CR2"},
        {"img_0042.xmp", "Trip 2024-06-01_07.xmp"},
        {"IMG_0042.JPG.xmp", "Trip 2024-06-01_07.jpg.xmp"},
        {"img_0042.jpg.XMP", "Trip 2024-06-01_07.jpg.XMP"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CompanionNewName("IMG_0042.JPG", "Trip 2024-06-01_07.jpg", c.companion), c.expected);
}
