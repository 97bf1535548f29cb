#include "GlFont.h"

#include "platform/OSError.h"
#include "platform/win32/Gdi.h"
#include "platform/win32/LastError.h"

namespace FormAnimator {

TGlFontManager* GlFontManager = nullptr;

TGlFontManager::TGlFontManager() = default;

TGlFontManager::~TGlFontManager()
{
    std::string failure;
    for (const TGlFontEntry& entry : Fonts)
        if (!win32::DeleteObject(entry.Font) && failure.empty())
            failure = platform::SysErrorMessage(static_cast<int>(win32::GetLastError()));
    Fonts.clear();
    if (!failure.empty() && CanRaise())
        QUISTELOR_ASSERT(false, failure.c_str(), "FormAnimator/GlFont");
}

void GlFontInitialization()
{
    if (!GlFontManager)
        GlFontManager = new TGlFontManager;
}

void GlFontFinalization() { FreeAndNil(GlFontManager); }

} // namespace FormAnimator
