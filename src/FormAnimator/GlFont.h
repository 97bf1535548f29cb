#pragma once
// Classes: TGlFont, TGlFontEntry, TGlFontManager.
//
// GL fonts: the font object every canvas creates for itself, and the
// process-wide keeper of GDI font handles. No text is drawn through OpenGL
// in this program, so both carry only their data and their clean-up.

#include "Classes.h"
#include "SyncObjs.h"

#include "platform/win32/WinTypes.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace FormAnimator {

class TGlCanvas;

class TGlFont : public TObject {
public:
    explicit TGlFont(TGlCanvas* Canvas) : FCanvas(Canvas) {}

    TGlCanvas* Canvas() const { return FCanvas; }
    int32_t ListBase() const { return FListBase; }
    float Size() const { return FSize; }
    uint32_t Handle() const { return FHandle; }
    const std::string& Name() const { return FName; }

private:
    int32_t FListBase = -1;
    float FSize = 16.0f;
    uint32_t FHandle = 0;
    std::string FName;
    TGlCanvas* FCanvas; // not owned
};

struct TGlFontEntry {
    uint32_t Lead = 0;
    win32::HFONT Font = nullptr;
    std::array<uint8_t, 64> Data{}; // per-font data no operation reads
};

class TGlFontManager : public TObject {
public:
    TGlFontManager();
    // Deletes every entry's font handle; a handle that cannot be deleted
    // raises an assertion with the system's message (after all the others
    // have been deleted).
    ~TGlFontManager() override;

    std::vector<TGlFontEntry> Fonts;

private:
    TCriticalSection FLock;
};

// Created at start-up, before the canvases; null before and after.
extern TGlFontManager* GlFontManager;

void GlFontInitialization();
void GlFontFinalization();

} // namespace FormAnimator
