#pragma once
// A locale whose decimal separator is a comma, for the tests of locale-bound
// number texts. When none is installed, one is compiled into a temporary
// folder with the C library's localedef and found through LOCPATH.

#include <clocale>
#include <cstdlib>
#include <string>

namespace exiftest {

// Returns the name of a comma locale usable with setlocale, or "" when none
// can be had. The environment variable LOCPATH may be set for it.
inline std::string CommaLocale()
{
    static const std::string name = [] {
        const std::string old = std::setlocale(LC_NUMERIC, nullptr);
        auto usable = [&old](const char* l) {
            const bool ok = std::setlocale(LC_NUMERIC, l) != nullptr;
            std::setlocale(LC_NUMERIC, old.c_str());
            return ok;
        };
        for (const char* l : {"fr_FR.UTF-8", "de_DE.UTF-8", "fr_FR.utf8", "de_DE.utf8"})
            if (usable(l)) return std::string(l);

        const char* tmp = std::getenv("TMPDIR");
        const std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/quistelor-test-locales";
        const std::string cmd = "mkdir -p '" + dir + "' && localedef -i fr_FR -f UTF-8 '" + dir +
                                "/fr_FR.UTF-8' >/dev/null 2>&1";
        if (std::system(cmd.c_str()) > 1) return std::string();  // localedef warns with status 1
        setenv("LOCPATH", dir.c_str(), 1);
        return usable("fr_FR.UTF-8") ? std::string("fr_FR.UTF-8") : std::string();
    }();
    return name;
}

} // namespace exiftest
