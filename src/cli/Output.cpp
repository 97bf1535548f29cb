#include "cli/Output.h"

#include "platform/EscapedText.h"
#include "platform/OSError.h"

#include <cerrno>

namespace cli {

std::string EscapeValue(std::string_view value)
{
    return platform::EscapeBytes(value);
}

int Emit(std::ostream& out, std::string_view text)
{
    errno = 0;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (out)
        return 0;
    return errno != 0 ? errno : EIO;
}

void ReportLostOutput(const char* command, int code, std::ostream& err)
{
    err << "quistelor-cli " << command << ": cannot write to standard output: " << platform::SysErrorMessage(code)
        << '\n'
        << std::flush;
}

std::string ErrorLine(const std::exception& e)
{
    if (const auto* os = dynamic_cast<const platform::EOSError*>(&e))
        if (os->what() == platform::EOSError::MessageFor(os->ErrorCode()))
            return EscapeValue(platform::SysErrorMessage(os->ErrorCode()));
    return EscapeValue(e.what());
}

} // namespace cli
