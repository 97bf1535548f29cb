// The picture framework: file formats registered by extension, and what a
// picture keeps when a file cannot be loaded.

#include "FormAnimator/Graphics.h"

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <istream>
#include <iterator>

using namespace FormAnimator;

namespace {

// Remembers the bytes it was loaded from; its size is their count.
class TBytesGraphic : public TGraphic {
public:
    void Draw(win32::HDC, const win32::TRect&) override {}
    bool GetEmpty() override { return Bytes.empty(); }
    int32_t GetHeight() override { return 1; }
    int32_t GetWidth() override { return static_cast<int32_t>(Bytes.size()); }
    void SetHeight(int32_t) override {}
    void SetWidth(int32_t) override {}
    void LoadFromStream(std::istream& Stream) override
    {
        Bytes.assign(std::istreambuf_iterator<char>(Stream), std::istreambuf_iterator<char>());
    }
    void SaveToStream(std::ostream&) override {}
    void LoadFromClipboardFormat(uint16_t, win32::HANDLE) override {}
    void SaveToClipboardFormat(uint16_t&, win32::HANDLE&) override {}
    std::string Bytes;
};

class TOtherGraphic : public TBytesGraphic {};

class Pictures : public ::testing::Test {
protected:
    support::ScratchFolder Folder;
};

} // namespace

TEST_F(Pictures, LoadByTheLatestClassRegisteredForTheExtensionWhateverItsCase)
{
    TPicture::RegisterFileFormat(".tbg", "first", NewGraphic<TOtherGraphic>);
    TPicture::RegisterFileFormat(".TBG", "test bytes", NewGraphic<TBytesGraphic>);
    int found = 0;
    for (const TPicture::TFileFormat& format : TPicture::FileFormats())
        if (format.Extension == ".tbg") {
            ++found;
            EXPECT_EQ(format.Description, "test bytes");
        }
    EXPECT_EQ(found, 1);

    TPicture picture;
    EXPECT_EQ(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Width(), 0);
    picture.LoadFromFile(Folder.Write("a.v1.Tbg", std::string("abc")));
    auto* graphic = dynamic_cast<TBytesGraphic*>(picture.Graphic());
    ASSERT_NE(graphic, nullptr);
    EXPECT_EQ(typeid(*graphic), typeid(TBytesGraphic));
    EXPECT_EQ(graphic->Bytes, "abc");
    EXPECT_EQ(picture.Width(), 3);
}

TEST_F(Pictures, AFileThatCannotBeLoadedLeavesThePictureAsItWas)
{
    TPicture::RegisterFileFormat(".tbg", "test bytes", NewGraphic<TBytesGraphic>);
    TPicture picture;
    picture.LoadFromFile(Folder.Write("kept.tbg", std::string("kept")));
    TGraphic* kept = picture.Graphic();

    struct Case {
        std::string file;
        const char* message;
    };
    const std::string missing = Folder / "missing.tbg";
    std::filesystem::create_directory(Folder / "dotted.d");
    for (const Case& c : {Case{Folder.Write("x.unknown", std::string()), "Unknown picture file extension (.unknown)"},
                          Case{Folder.Write("dotted.d/noextension", std::string()), "Unknown picture file extension ()"},
                          Case{missing, nullptr}}) {
        try {
            picture.LoadFromFile(c.file);
            ADD_FAILURE() << c.file << " loaded";
        } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), c.message);
        } catch (const EFOpenError& e) {
            EXPECT_EQ(c.message, nullptr);
            EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + missing + "\". No such file or directory");
        }
        EXPECT_EQ(picture.Graphic(), kept);
    }
}
