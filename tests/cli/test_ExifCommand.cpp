#include "cli/ExifCommand.h"

#include "support/ChildProcess.h"
#include "support/CommaLocale.h"
#include "support/ExifWriter.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>


using namespace support;

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

using Outcome = support::ProcessRun;

Outcome Exif(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    Outcome r;
    r.status = cli::ExifCommand(args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

// Runs the built program with these arguments and environment changes.
Outcome Program(std::vector<std::string> arguments, const std::vector<std::string>& environment = {})
{
    arguments.insert(arguments.begin(), QUISTELOR_CLI);
    return support::RunProcess(arguments, support::ProcessOptions::Environment(environment));
}

const char* const kFieldOrder[] = {
    "ImageDescription", "Make", "Model", "OrientationValue", "XResolution", "YResolution",
    "Orientation", "RightsNotice", "Valid", "DateTime", "Software", "DateTimeOriginal",
    "DateTimeDigitized", "UserComment", "ExposureTime", "FNumber", "ExifVersion", "SubjectDistance",
    "MeteringMode", "LightSource", "Flash", "FocalLength", "ExposureProgram", "ISOSpeed",
    "ExifImageWidth", "ExifImageHeight", "ThumbXResolution", "ThumbYResolution", "ThumbOffset",
    "ThumbLength", "CommentPosition", "CommentLength", "CommentCharset", "ExifIfdOffset",
    "NextIfdOffset", "ExifEntryCount", "ThumbEntryCount", "MotorolaOrder",
};

Bytes SamplePhoto()
{
    TiffWriter w(true);
    w.Ifd0(w.Text(0x010F, "Line\nbreak\\maker"))
        .Ifd0(w.Short(0x0112, 6))
        .Exif(w.Rational(0x829D, 28, 10))
        .Exif(w.Text(0x9003, "2006:05:12 14:30:00"))
        .Exif(w.Undefined(0x9286, std::string("ASCII\0\0\0Hello", 13)))
        .Ifd1(w.Long(0x0201, 5120));
    return JpegWithExif(w.Build());
}

} // namespace

TEST(ExifCommand, EscapesControlBytesAndBackslash)
{
    const std::pair<std::string, std::string> cases[] = {
        {"plain text", "plain text"},
        {"a\nb\rc\td", "a\\nb\\rc\\td"},
        {"back\\slash", "back\\\\slash"},
        {std::string("\0\x01\x1f\x7f", 4), "\\x00\\x01\\x1f\\x7f"},
        {"Créatif", "Créatif"},
        {"\x80\xff", "\x80\xff"},
        {"", ""},
    };
    for (const auto& [in, expected] : cases) EXPECT_EQ(cli::EscapeValue(in), expected) << expected;
}

TEST(ExifCommand, PrintsEveryFieldInDeclarationOrder)
{
    support::ScratchFolder dir;
    const std::string file = dir.Write("photo.jpg", SamplePhoto());
    Outcome r = Exif({file});
    EXPECT_EQ(r.status, 0);
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 2 + std::size(kFieldOrder));
    EXPECT_EQ(lines[0], "==> " + file);
    EXPECT_EQ(lines[1], "ReadFromFile: true");
    for (std::size_t i = 0; i < std::size(kFieldOrder); ++i)
        EXPECT_EQ(lines[2 + i].rfind(std::string(kFieldOrder[i]) + ": ", 0), 0u) << lines[2 + i];

    const std::string out = r.out;
    for (const char* expected : {
             "\nMake: Line\\nbreak\\\\maker\n", "\nOrientationValue: 6\n", "\nOrientation: Rotated 90 right\n",
             "\nValid: true\n", "\nFNumber: 2.8\n", "\nDateTimeOriginal: 2006:05:12 14:30:00\n",
             "\nUserComment: Hello\n", "\nCommentLength: 13\n", "\nCommentCharset: ASCII\\x00\\x00\\x00\n",
             "\nThumbOffset: 5120 ($1400)\n", "\nMotorolaOrder: true\n", "\nThumbEntryCount: 1\n"})
        EXPECT_NE(out.find(expected), std::string::npos) << expected;
}

TEST(ExifCommand, FilesWithoutExifShowResetValuesAndZeros)
{
    support::ScratchFolder dir;
    Outcome r = Exif({dir.Write("empty.jpg", B("")), dir.Write("text.jpg", B("not a photo"))});
    EXPECT_EQ(r.status, 0);
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 2 * (2 + std::size(kFieldOrder)));
    EXPECT_EQ(lines[1], "ReadFromFile: false");
    for (const char* expected : {"\nOrientationValue: 1\n", "\nValid: false\n", "\nDateTimeOriginal: ?\n",
                                 "\nOrientation: Normal\n", "\nCommentPosition: 0\n", "\nCommentCharset: \n",
                                 "\nNextIfdOffset: 0\n", "\nMotorolaOrder: false\n"})
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected;
}

TEST(ExifCommand, ErrorsAreReportedAndTheNextFileIsRead)
{
    support::ScratchFolder dir;
    const std::string cut = dir.Write("cut.jpg", Bytes{0xFF, 0xD8, 0xFF, 0xE1});
    const std::string missing = dir.Path() + "/missing.jpg";
    const std::string good = dir.Write("good.jpg", SamplePhoto());
    Outcome r = Exif({cut, dir.Path(), missing, good});
    EXPECT_EQ(r.status, 1);
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[0], "==> " + cut);
    EXPECT_EQ(lines[1].rfind("error: ", 0), 0u);
    EXPECT_NE(lines[1].find(cut), std::string::npos);
    EXPECT_EQ(lines[2], "==> " + dir.Path());
    EXPECT_EQ(lines[3].rfind("error: ", 0), 0u);
    EXPECT_EQ(lines[4], "==> " + missing);
    EXPECT_EQ(lines[5], "error: Cannot read \"" + missing + "\": No such file or directory");
    EXPECT_EQ(lines[6], "==> " + good);
    EXPECT_EQ(lines[7], "ReadFromFile: true");
    EXPECT_EQ(lines.size(), 8 + std::size(kFieldOrder));
}

TEST(ExifCommand, UsageErrors)
{
    Outcome none = Exif({});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("Usage: quistelor-cli exif FILE..."), std::string::npos);
    EXPECT_EQ(none.out, "");

    Outcome option = Exif({"--frobnicate"});
    EXPECT_EQ(option.status, 2);

    // "--" ends the options, so a file may be named like one (this one is
    // not there, which is an error of that file's own).
    Outcome r = Exif({"--", "-x.jpg"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Lines(r.out).at(0), "==> -x.jpg");
    EXPECT_EQ(Lines(r.out).at(1), "error: Cannot read \"-x.jpg\": No such file or directory");
}

TEST(ExifProgram, HelpVersionAndUnknownCommands)
{
    Outcome help = Program({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: quistelor-cli COMMAND"), std::string::npos);
    EXPECT_NE(help.out.find("  exif FILE..."), std::string::npos);

    Outcome version = Program({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("quistelor-cli ", 0), 0u);

    Outcome commandHelp = Program({"exif", "--help"});
    EXPECT_EQ(commandHelp.status, 0);
    EXPECT_NE(commandHelp.out.find("Usage: quistelor-cli exif FILE..."), std::string::npos);

    EXPECT_EQ(Program({"no-such-command"}).status, 2);
    EXPECT_EQ(Program({}).status, 2);
}

// A mistyped word is echoed back escaped, as values are, so that it cannot
// carry terminal codes or extra lines onto the screen.
TEST(ExifProgram, UnknownCommandsAndOptionsAreEchoedEscaped)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"no\x1b[2Jsuch"}, "quistelor-cli: unknown command 'no\\x1b[2Jsuch'\n"},
        {{"exif", "-x\ry"}, "quistelor-cli exif: unknown option '-x\\ry'\n"},
        {{"rename", "--a\nb", "P *", "."}, "quistelor-cli rename: unknown option '--a\\nb'\n"},
        {{"preview", "--a\tb\x7f", "P *", "."}, "quistelor-cli preview: unknown option '--a\\tb\\x7f'\n"},
    };
    for (const auto& [args, firstLine] : cases) {
        const Outcome r = Program(args);
        EXPECT_EQ(r.status, 2) << firstLine;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), firstLine);
    }
}

TEST(ExifProgram, ExitStatusTellsWhetherAnyFileRaised)
{
    support::ScratchFolder dir;
    const std::string good = dir.Write("good.jpg", SamplePhoto());
    const std::string cut = dir.Write("cut.jpg", Bytes{0xFF});
    EXPECT_EQ(Program({"exif", good}).status, 0);
    Outcome r = Program({"exif", cut, good});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("DateTimeOriginal: 2006:05:12 14:30:00"), std::string::npos);
}

TEST(ExifProgram, RationalsUseTheLocalesDecimalSeparator)
{
    const std::string comma = CommaLocale();
    if (comma.empty()) GTEST_SKIP() << "no locale with a decimal comma can be had";
    support::ScratchFolder dir;
    const std::string good = dir.Write("good.jpg", SamplePhoto());
    EXPECT_NE(Program({"exif", good}, {"LC_ALL=" + comma}).out.find("\nFNumber: 2,8\n"), std::string::npos);
    EXPECT_NE(Program({"exif", good}, {"LC_ALL=C"}).out.find("\nFNumber: 2.8\n"), std::string::npos);
}
