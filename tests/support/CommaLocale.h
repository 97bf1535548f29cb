#pragma once
// A locale whose decimal separator is a comma, for the tests of locale-bound
// number texts. When none is installed, one is compiled into a temporary
// folder with the C library's localedef and found through LOCPATH.

#include "support/ChildProcess.h"
#include "support/ScratchFolder.h"

#include <clocale>
#include <cstdlib>
#include <string>

namespace support {

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

        // One folder per process: tests run in parallel, and a locale being
        // written must not be read by another test.
        static const support::ScratchFolder dir;
        // localedef ends with status 1 when it only warns.
        const int status = support::RunProcess({"localedef", "-i", "fr_FR", "-f", "UTF-8", dir / "fr_FR.UTF-8"}).status;
        if (status < 0 || status > 1) return std::string();
        setenv("LOCPATH", dir.Path().c_str(), 1);
        return usable("fr_FR.UTF-8") ? std::string("fr_FR.UTF-8") : std::string();
    }();
    return name;
}

} // namespace support
