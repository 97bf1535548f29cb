#include "cli/ExifCommand.h"

#include "cli/Output.h"

#include <cstdint>
#include <exception>
#include <sstream>
#include <type_traits>
#include <variant>

namespace cli {

namespace {

using FieldRef = std::variant<std::string TExif::*, std::uint8_t TExif::*, std::uint16_t TExif::*,
                              std::uint32_t TExif::*, bool TExif::*>;

struct Field {
    const char* name;
    FieldRef member;
};

// Every field of TExif, in declaration order.
const Field kFields[] = {
    {"ImageDescription", &TExif::ImageDescription},
    {"Make", &TExif::Make},
    {"Model", &TExif::Model},
    {"OrientationValue", &TExif::OrientationValue},
    {"XResolution", &TExif::XResolution},
    {"YResolution", &TExif::YResolution},
    {"Orientation", &TExif::Orientation},
    {"RightsNotice", &TExif::RightsNotice},
    {"Valid", &TExif::Valid},
    {"DateTime", &TExif::DateTime},
    {"Software", &TExif::Software},
    {"DateTimeOriginal", &TExif::DateTimeOriginal},
    {"DateTimeDigitized", &TExif::DateTimeDigitized},
    {"UserComment", &TExif::UserComment},
    {"ExposureTime", &TExif::ExposureTime},
    {"FNumber", &TExif::FNumber},
    {"ExifVersion", &TExif::ExifVersion},
    {"SubjectDistance", &TExif::SubjectDistance},
    {"MeteringMode", &TExif::MeteringMode},
    {"LightSource", &TExif::LightSource},
    {"Flash", &TExif::Flash},
    {"FocalLength", &TExif::FocalLength},
    {"ExposureProgram", &TExif::ExposureProgram},
    {"ISOSpeed", &TExif::ISOSpeed},
    {"ExifImageWidth", &TExif::ExifImageWidth},
    {"ExifImageHeight", &TExif::ExifImageHeight},
    {"ThumbXResolution", &TExif::ThumbXResolution},
    {"ThumbYResolution", &TExif::ThumbYResolution},
    {"ThumbOffset", &TExif::ThumbOffset},
    {"ThumbLength", &TExif::ThumbLength},
    {"CommentPosition", &TExif::CommentPosition},
    {"CommentLength", &TExif::CommentLength},
    {"CommentCharset", &TExif::CommentCharset},
    {"ExifIfdOffset", &TExif::ExifIfdOffset},
    {"NextIfdOffset", &TExif::NextIfdOffset},
    {"ExifEntryCount", &TExif::ExifEntryCount},
    {"ThumbEntryCount", &TExif::ThumbEntryCount},
    {"MotorolaOrder", &TExif::MotorolaOrder},
};

std::string FieldText(const TExif& exif, const FieldRef& member)
{
    return std::visit(
        [&exif](auto ptr) -> std::string {
            const auto& value = exif.*ptr;
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::string>)
                return EscapeValue(value);
            else if constexpr (std::is_same_v<T, bool>)
                return value ? "true" : "false";
            else
                return std::to_string(static_cast<unsigned long>(value));
        },
        member);
}

} // namespace

void PrintExifFields(const TExif& exif, std::ostream& out)
{
    for (const Field& f : kFields)
        out << f.name << ": " << FieldText(exif, f.member) << '\n';
}

int ExifCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (const std::string& a : args) {
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && a.size() > 1 && a[0] == '-') {
            err << "quistelor-cli exif: unknown option '" << a << "'\n";
            return 2;
        } else {
            files.push_back(a);
        }
    }
    if (files.empty()) {
        err << "quistelor-cli exif: no file given\n"
               "Usage: quistelor-cli exif FILE...\n";
        return 2;
    }

    int status = 0;
    for (const std::string& file : files) {
        std::ostringstream text;
        text << "==> " << EscapeValue(file) << '\n';
        TExif exif;
        try {
            const bool found = exif.ReadFromFile(file);
            text << "ReadFromFile: " << (found ? "true" : "false") << '\n';
            PrintExifFields(exif, text);
        } catch (const std::exception& e) {
            text << "error: " << ErrorLine(e) << '\n';
            status = 1;
        }
        if (const int code = Emit(out, text.str())) {
            ReportLostOutput("exif", code, err);
            return 2;
        }
    }
    return status;
}

} // namespace cli
