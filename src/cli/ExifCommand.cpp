#include "cli/ExifCommand.h"

#include "cli/Output.h"

#include <cerrno>
#include <cstdint>
#include <exception>
#include <sstream>
#include <type_traits>
#include <variant>

#include <sys/stat.h>

namespace cli {

namespace {

std::string FieldText(const TExif& exif, const TExifField::Member& member)
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
    for (const TExifField& f : TExifFields())
        out << f.Name << ": " << FieldText(exif, f.Field) << '\n';
}

int ExifCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (const std::string& a : args) {
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && a.size() > 1 && a[0] == '-') {
            err << "quistelor-cli exif: unknown option '" << EscapeValue(a) << "'\n";
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
            // The reader leaves its fields alone for a file that is not
            // there, which suits the window's date fallback; asked about a
            // file by name, that file's absence is an error.
            struct stat st {};
            if (::stat(file.c_str(), &st) != 0) {
                const int code = errno;
                throw EInOutError(code, file, platform::SysErrorMessage(code));
            }
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
