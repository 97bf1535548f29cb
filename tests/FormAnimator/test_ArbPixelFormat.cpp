// Pixel-format selection through WGL_ARB_pixel_format, driven through
// replaced entry points of the hidden window canvas (a fake driver with a
// chosen list of formats) and, at the end, through the real one.

#include "FormAnimator/ArbPixelFormat.h"
#include "FormAnimator/GlWindowedCanvas.h"

#include "GlTestSupport.h"

#include "platform/win32/LastError.h"
#include "platform/win32/WglExtensions.h"

#include <map>
#include <vector>

using namespace FormAnimator;
using namespace FormAnimator::testing;
using namespace win32;

namespace {

using Format = std::map<int, int>; // attribute -> value

// A fake driver: formats numbered from 1, an optional inflated count, and a
// record of what it was asked.
struct FakeDriver {
    std::vector<Format> formats;
    UINT reportedCount = 0; // 0: the real number of matches
    std::vector<std::vector<int>> chooseLists;
    std::vector<int> queriedFormats;
    std::vector<int> lastIds;
};
FakeDriver* fake = nullptr;

int ValueOf(const Format& f, int attribute)
{
    auto it = f.find(attribute);
    return it == f.end() ? 0 : it->second;
}

bool IsMinimum(int attribute)
{
    return attribute == WGL_DEPTH_BITS_ARB || attribute == WGL_ALPHA_BITS_ARB || attribute == WGL_STENCIL_BITS_ARB
        || attribute == WGL_SAMPLES_ARB || attribute == WGL_SAMPLE_BUFFERS_ARB;
}

BOOL FakeChoose(HDC, const int* ints, const float* floats, UINT max, int* formats, UINT* count)
{
    std::vector<int> list;
    for (const int* p = ints; *p; p += 2)
        list.insert(list.end(), {p[0], p[1]});
    fake->chooseLists.push_back(list);
    EXPECT_EQ(floats[0], 0.0f);
    UINT n = 0, written = 0;
    for (size_t i = 0; i < fake->formats.size(); ++i) {
        bool match = true;
        for (size_t k = 0; k < list.size(); k += 2) {
            int have = ValueOf(fake->formats[i], list[k]);
            match = match && (IsMinimum(list[k]) ? have >= list[k + 1] : have == list[k + 1]);
        }
        if (!match)
            continue;
        ++n;
        if (written < max)
            formats[written++] = static_cast<int>(i + 1);
    }
    *count = list.empty() && fake->reportedCount ? fake->reportedCount : n;
    return TRUE;
}

BOOL FakeGet(HDC, int format, int layer, UINT n, const int* ids, int* values)
{
    EXPECT_EQ(layer, 0);
    fake->queriedFormats.push_back(format);
    fake->lastIds.assign(ids, ids + n);
    if (format < 1 || static_cast<size_t>(format) > fake->formats.size())
        return FALSE;
    for (UINT i = 0; i < n; ++i)
        values[i] = ValueOf(fake->formats[static_cast<size_t>(format) - 1], ids[i]);
    return TRUE;
}

BOOL FailingChoose(HDC, const int*, const float*, UINT, int*, UINT*)
{
    SetLastError(ERROR_INVALID_DATA);
    return FALSE;
}

// A window format with the given depth and stencil sizes.
Format WindowFormat(int depth, int stencil = 0, int alpha = 8)
{
    return {{WGL_DRAW_TO_WINDOW_ARB, 1}, {WGL_PIXEL_TYPE_ARB, WGL_TYPE_RGBA_ARB}, {WGL_SUPPORT_OPENGL_ARB, 1},
            {WGL_ACCELERATION_ARB, WGL_FULL_ACCELERATION_ARB}, {WGL_DEPTH_BITS_ARB, depth},
            {WGL_STENCIL_BITS_ARB, stencil}, {WGL_ALPHA_BITS_ARB, alpha}, {WGL_SWAP_METHOD_ARB, WGL_SWAP_UNDEFINED_ARB}};
}

} // namespace

// Swaps the hidden canvas's entry points for the fake driver's, and back.
class ArbSelection : public GlSuite {
protected:
    void SetUp() override
    {
        GlSuite::SetUp();
        if (IsSkipped())
            return;
        fake = &driver;
        savedChoose = NullWindowedCanvas->wglChoosePixelFormatARB;
        savedGet = NullWindowedCanvas->wglGetPixelFormatAttribivARB;
        savedMultisample = NullWindowedCanvas->HasMultisample;
        NullWindowedCanvas->wglChoosePixelFormatARB = FakeChoose;
        NullWindowedCanvas->wglGetPixelFormatAttribivARB = FakeGet;
        NullWindowedCanvas->HasMultisample = true;
    }
    void TearDown() override
    {
        if (!NullWindowedCanvas)
            return;
        NullWindowedCanvas->wglChoosePixelFormatARB = savedChoose;
        NullWindowedCanvas->wglGetPixelFormatAttribivARB = savedGet;
        NullWindowedCanvas->HasMultisample = savedMultisample;
        NullWindowedCanvas->HasArbPixelFormat = true;
        fake = nullptr;
    }
    FakeDriver driver;
    PFNWGLCHOOSEPIXELFORMATARBPROC savedChoose = nullptr;
    PFNWGLGETPIXELFORMATATTRIBIVARBPROC savedGet = nullptr;
    bool savedMultisample = false;
};

TEST_F(ArbSelection, ADefaultWindowDescriptionAsksExactlyForWindowRgbaAndOpenGl)
{
    driver.formats = {WindowFormat(0), WindowFormat(24)};
    TGlPixelFormat defaults;
    EXPECT_EQ(SelectArbPixelFormat(&defaults, skWindow, nullptr), 1);
    ASSERT_EQ(driver.chooseLists.size(), 1u);
    EXPECT_EQ(driver.chooseLists[0], (std::vector<int>{WGL_DRAW_TO_WINDOW_ARB, 1, WGL_PIXEL_TYPE_ARB,
                                                       WGL_TYPE_RGBA_ARB, WGL_SUPPORT_OPENGL_ARB, 1}));
    EXPECT_TRUE(driver.queriedFormats.empty()); // no scoring after an exact match
    EXPECT_EQ(SelectArbPixelFormat(nullptr, skWindow, nullptr), 1);
}

TEST_F(ArbSelection, TheExactPassReturnsTheDriversFirstChoice)
{
    driver.formats = {WindowFormat(16), WindowFormat(24), WindowFormat(32)};
    TGlPixelFormat f;
    f.SetDesiredDepthBits(24);
    f.SetDoubleBuffered(false);
    f.SetDesiredAcceleration(aFull);
    f.SetDesiredSwapMethod(smExchange);
    driver.formats[1][WGL_SWAP_METHOD_ARB] = WGL_SWAP_EXCHANGE_ARB;
    driver.formats[2][WGL_SWAP_METHOD_ARB] = WGL_SWAP_EXCHANGE_ARB;
    EXPECT_EQ(SelectArbPixelFormat(&f, skWindow, nullptr), 2);
    EXPECT_EQ(driver.chooseLists[0],
              (std::vector<int>{WGL_DRAW_TO_WINDOW_ARB, 1, WGL_PIXEL_TYPE_ARB, WGL_TYPE_RGBA_ARB,
                                WGL_SUPPORT_OPENGL_ARB, 1, WGL_ACCELERATION_ARB, WGL_FULL_ACCELERATION_ARB,
                                WGL_DEPTH_BITS_ARB, 24, WGL_SWAP_METHOD_ARB, WGL_SWAP_EXCHANGE_ARB}));
}

TEST_F(ArbSelection, MissingDepthBitsCostOnePointEachButNoDepthBufferExcludes)
{
    // Only 16 depth bits on offer; the depth-less format comes first.
    driver.formats = {WindowFormat(0), WindowFormat(16)};
    TGlPixelFormat f;
    f.SetDesiredDepthBits(24);
    EXPECT_EQ(SelectArbPixelFormat(&f, skWindow, nullptr), 2);
    ASSERT_EQ(driver.chooseLists.size(), 2u);
    EXPECT_TRUE(driver.chooseLists[1].empty()); // every format
    EXPECT_EQ(driver.queriedFormats, (std::vector<int>{1, 2}));
    // The 16-bit format costs the 8 missing depth bits and nothing else.
    int32_t score = 0;
    for (int row = 0; row < ArbAttributeCount; ++row)
        score += ScoreAttribute(row, ArbDesiredValue(row, f, skWindow),
                                ValueOf(driver.formats[1], ArbAttributeTable[row].Attribute), skWindow);
    EXPECT_EQ(score, 8);
}

TEST_F(ArbSelection, StencilWishedWhereNoFormatHasAStencilBufferFindsNothing)
{
    driver.formats = {WindowFormat(24, 0), WindowFormat(16, 0)};
    TGlPixelFormat f;
    f.SetDesiredStencilBits(8);
    EXPECT_EQ(SelectArbPixelFormat(&f, skWindow, nullptr), -1);
    EXPECT_EQ(driver.queriedFormats.size(), 2u);
}

TEST_F(ArbSelection, AFormatThatCannotDrawToTheKindIsExcluded)
{
    Format pbufferOnly = WindowFormat(24);
    pbufferOnly[WGL_DRAW_TO_WINDOW_ARB] = 0;
    pbufferOnly[WGL_DRAW_TO_PBUFFER_ARB] = 1;
    driver.formats = {pbufferOnly};
    TGlPixelFormat f;
    f.SetDesiredDepthBits(32);
    EXPECT_EQ(SelectArbPixelFormat(&f, skWindow, nullptr), -1);
    EXPECT_EQ(SelectArbPixelFormat(&f, skPBuffer, nullptr), 1); // 8 points short, but usable
}

TEST_F(ArbSelection, AntialiasingTakesPartOnlyWithMultisample)
{
    driver.formats = {WindowFormat(24)};
    TGlPixelFormat f;
    f.SetDesiredAntialiasingLevel(4);
    NullWindowedCanvas->HasMultisample = false;
    EXPECT_EQ(SelectArbPixelFormat(&f, skWindow, nullptr), 1);
    for (int id : driver.chooseLists[0])
        EXPECT_TRUE(id != WGL_SAMPLE_BUFFERS_ARB && id != WGL_SAMPLES_ARB);

    driver = FakeDriver{};
    driver.formats = {WindowFormat(24)};
    f.SetDesiredDepthBits(32); // force the scoring pass
    EXPECT_EQ(SelectArbPixelFormat(&f, skWindow, nullptr), 1);
    EXPECT_EQ(driver.lastIds.size(), 11u);

    NullWindowedCanvas->HasMultisample = true;
    driver = FakeDriver{};
    driver.formats = {WindowFormat(24)};
    EXPECT_EQ(SelectArbPixelFormat(&f, skWindow, nullptr), 1);
    EXPECT_EQ(driver.lastIds.size(), 13u);
    EXPECT_EQ(driver.chooseLists[0].end()[-4], WGL_SAMPLE_BUFFERS_ARB);
    EXPECT_EQ(driver.chooseLists[0].end()[-2], WGL_SAMPLES_ARB);
    EXPECT_EQ(driver.chooseLists[0].end()[-1], 4);
}

TEST_F(ArbSelection, OnlyTheFirst4096FormatsAreScored)
{
    // 5000 formats that all miss the wish; the only good one is number 4500.
    driver.formats.assign(5000, WindowFormat(0));
    driver.formats[4499] = WindowFormat(16);
    driver.reportedCount = 5000;
    TGlPixelFormat f;
    f.SetDesiredDepthBits(24);
    EXPECT_EQ(SelectArbPixelFormat(&f, skWindow, nullptr), -1);
    EXPECT_EQ(driver.queriedFormats.size(), 4096u);
    EXPECT_EQ(driver.queriedFormats.back(), 4096);
}

TEST_F(ArbSelection, EqualScoresKeepTheEarlierFormat)
{
    driver.formats = {WindowFormat(0), WindowFormat(16, 0, 0), WindowFormat(16, 0, 8)};
    TGlPixelFormat f;
    f.SetDesiredDepthBits(24);
    f.SetDesiredAlphaBits(4);
    // Format 2 has no alpha: excluded. Format 3 has more alpha than wished,
    // which costs nothing.
    EXPECT_EQ(SelectArbPixelFormat(&f, skWindow, nullptr), 3);
    driver = FakeDriver{};
    driver.formats = {WindowFormat(16), WindowFormat(16)};
    EXPECT_EQ(SelectArbPixelFormat(&f, skWindow, nullptr), 1);
}

TEST_F(ArbSelection, ACustomScorerDecides)
{
    driver.formats = {WindowFormat(16), WindowFormat(8)};
    TGlPixelFormat f;
    f.SetDesiredDepthBits(24);
    // Prefers small depth buffers.
    auto scorer = [](int32_t Row, int32_t, int32_t Actual, int32_t) { return Row == 7 ? Actual : 0; };
    EXPECT_EQ(SelectArbPixelFormat(&f, skWindow, scorer), 2);
}

TEST_F(ArbSelection, WithoutTheExtensionNothingIsAsked)
{
    NullWindowedCanvas->HasArbPixelFormat = false;
    driver.formats = {WindowFormat(24)};
    TGlPixelFormat f;
    EXPECT_EQ(SelectArbPixelFormat(&f, skWindow, nullptr), -1);
    EXPECT_TRUE(driver.chooseLists.empty());
}

TEST_F(ArbSelection, ADriverFailureIsThePlatformError)
{
    NullWindowedCanvas->wglChoosePixelFormatARB = FailingChoose;
    TGlPixelFormat f;
    EXPECT_THROW(SelectArbPixelFormat(&f, skWindow, nullptr), platform::EOSError);
}

TEST(ScoreAttribute, PenalisesEachRowByItsRule)
{
    constexpr int32_t X = 0x1000000;
    struct Case {
        int32_t row, desired, actual, kind, penalty;
    };
    const Case cases[] = {
        {0, 1, 0, skWindow, X},   {0, 1, 1, skWindow, 0},   {0, 0, 0, skBitmap, 0},
        {1, 1, 0, skBitmap, X},   {2, 1, 0, skPBuffer, X},  {2, 0, 1, skWindow, 0},
        {3, WGL_TYPE_RGBA_ARB, WGL_TYPE_COLORINDEX_ARB, skWindow, X},
        {4, 1, 0, skWindow, X},   {4, 1, 1, skWindow, 0},
        {5, 1, 0, skWindow, 1},   {5, 0, 1, skWindow, 1},
        {6, 0, WGL_NO_ACCELERATION_ARB, skWindow, 0},
        {6, WGL_FULL_ACCELERATION_ARB, WGL_NO_ACCELERATION_ARB, skWindow, 512},
        {6, WGL_FULL_ACCELERATION_ARB, WGL_GENERIC_ACCELERATION_ARB, skWindow, 256},
        {7, 24, 16, skWindow, 8}, {7, 24, 0, skWindow, 0x10000}, {7, 16, 32, skWindow, 0}, {7, 0, 0, skWindow, 0},
        {8, 8, 0, skWindow, 0x10000}, {9, 8, 4, skWindow, 4},
        {10, 0, WGL_SWAP_COPY_ARB, skWindow, 0},
        {10, WGL_SWAP_EXCHANGE_ARB, WGL_SWAP_UNDEFINED_ARB, skWindow, 2},
        {11, 1, 0, skWindow, 1},  {12, 4, 2, skWindow, 2},  {12, 4, 8, skWindow, 0},
        // A driver answering wild values cannot overflow the sum.
        {6, WGL_FULL_ACCELERATION_ARB, INT32_MIN, skWindow, INT32_MAX},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScoreAttribute(c.row, c.desired, c.actual, c.kind), c.penalty)
            << "row " << c.row << " d " << c.desired << " a " << c.actual;
}

TEST(ArbAttributeTable, ListsTheThirteenRowsInOrder)
{
    const int ids[] = {WGL_DRAW_TO_WINDOW_ARB, WGL_DRAW_TO_BITMAP_ARB, WGL_DRAW_TO_PBUFFER_ARB, WGL_PIXEL_TYPE_ARB,
                       WGL_SUPPORT_OPENGL_ARB, WGL_DOUBLE_BUFFER_ARB, WGL_ACCELERATION_ARB, WGL_DEPTH_BITS_ARB,
                       WGL_ALPHA_BITS_ARB, WGL_STENCIL_BITS_ARB, WGL_SWAP_METHOD_ARB, WGL_SAMPLE_BUFFERS_ARB,
                       WGL_SAMPLES_ARB};
    for (int row = 0; row < ArbAttributeCount; ++row) {
        EXPECT_EQ(ArbAttributeTable[row].Attribute, ids[row]) << row;
        EXPECT_EQ(ArbAttributeTable[row].MultisampleOnly, row >= 11) << row;
    }
}

class ArbOnTheRealDriver : public GlSuite {};

TEST_F(ArbOnTheRealDriver, FindsFormatsForEachKind)
{
    TGlPixelFormat f;
    f.SetDesiredDepthBits(24);
    f.SetDesiredStencilBits(8);
    for (TGlSurfaceKind kind : {skWindow, skBitmap, skPBuffer}) {
        int index = SelectArbPixelFormat(&f, kind, nullptr);
        ASSERT_GT(index, 0) << kind;
        const int ids[] = {WGL_DEPTH_BITS_ARB, WGL_STENCIL_BITS_ARB, ArbAttributeTable[kind].Attribute};
        int values[3] = {};
        ASSERT_TRUE(NullWindowedCanvas->wglGetPixelFormatAttribivARB(NullWindowedCanvas->DC, index, 0, 3, ids,
                                                                     values));
        EXPECT_GE(values[0], 24);
        EXPECT_GE(values[1], 8);
        EXPECT_EQ(values[2], 1);
    }
    // Full acceleration cannot be had from a software driver: the scoring
    // pass still finds the best of the rest.
    f.SetDesiredAcceleration(aFull);
    EXPECT_GT(SelectArbPixelFormat(&f, skPBuffer, nullptr), 0);
}
