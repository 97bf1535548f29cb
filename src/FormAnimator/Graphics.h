#pragma once
// Classes: TGraphic, EInvalidGraphic, EFOpenError, TPicture.
//
// The toolkit's picture framework, as far as the library needs it: a graphic
// is an image with a size that draws itself into a rectangle of a device
// context and loads and saves itself through a stream or the clipboard; the
// picture keeps one graphic and loads files through a registry that maps
// file extensions to graphic classes.

#include "Classes.h"

#include "platform/win32/Rect.h"
#include "platform/win32/WinTypes.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace FormAnimator {

class TGraphic : public TPersistent {
public:
    std::string ClassName() const override { return "TGraphic"; }

    // The graphic's slots, in this order.
    virtual void Draw(win32::HDC DC, const win32::TRect& Rect) = 0;
    virtual bool GetEmpty() = 0;
    virtual int32_t GetHeight() = 0;
    virtual int32_t GetWidth() = 0;
    virtual void SetHeight(int32_t Value) = 0;
    virtual void SetWidth(int32_t Value) = 0;
    virtual void LoadFromStream(std::istream& Stream) = 0;
    virtual void SaveToStream(std::ostream& Stream) = 0;
    virtual void LoadFromClipboardFormat(uint16_t Format, win32::HANDLE Data) = 0;
    virtual void SaveToClipboardFormat(uint16_t& Format, win32::HANDLE& Data) = 0;
};

// A graphic class: its virtual constructor.
using TGraphicClass = TGraphic* (*)();

template <class T>
TGraphic* NewGraphic()
{
    return new T;
}

// A file could not be read as a picture.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// A picture file could not be opened.
class EFOpenError : public Exception {
public:
    using Exception::Exception;
};

class TPicture : public TPersistent {
public:
    struct TFileFormat {
        std::string Extension; // with its leading dot
        std::string Description;
        TGraphicClass GraphicClass;
    };

    TPicture();
    ~TPicture() override;
    std::string ClassName() const override { return "TPicture"; }

    // Null while the picture holds nothing.
    TGraphic* Graphic() const { return FGraphic.get(); }
    int32_t Width() const;
    int32_t Height() const;

    // Makes a graphic of the class registered for the file's extension
    // (compared without regard to case) and loads it from the file; the
    // picture keeps its graphic when anything fails.
    void LoadFromFile(const std::string& FileName);

    // A later registration of an extension replaces the earlier one.
    static void RegisterFileFormat(const std::string& Extension, const std::string& Description,
                                   TGraphicClass GraphicClass);
    static std::vector<TFileFormat> FileFormats();

private:
    std::unique_ptr<TGraphic> FGraphic;
};

} // namespace FormAnimator
