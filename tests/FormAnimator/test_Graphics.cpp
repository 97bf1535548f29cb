// The picture framework: file formats registered by extension, and what a
// picture keeps when a file cannot be loaded.

#include "FormAnimator/Graphics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <istream>
#include <iterator>

#include <unistd.h>

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
    std::filesystem::path Write(const std::string& Name, const std::string& Bytes)
    {
        std::filesystem::path path = Folder / Name;
        std::ofstream(path, std::ios::binary) << Bytes;
        return path;
    }
    void TearDown() override { std::filesystem::remove_all(Folder); }

    std::filesystem::path Folder = [] {
        auto path = std::filesystem::temp_directory_path() / ("quistelor-pictures-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
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
    picture.LoadFromFile(Write("a.v1.Tbg", "abc").string());
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
    picture.LoadFromFile(Write("kept.tbg", "kept").string());
    TGraphic* kept = picture.Graphic();

    struct Case {
        std::string file;
        const char* message;
    };
    const std::string missing = (Folder / "missing.tbg").string();
    for (const Case& c : {Case{Write("x.unknown", "").string(), "Unknown picture file extension (.unknown)"},
                          Case{Write("none.d/noextension", "").string(), "Unknown picture file extension ()"},
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
