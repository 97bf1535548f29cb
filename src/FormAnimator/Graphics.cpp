#include "Graphics.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <mutex>

namespace FormAnimator {

namespace {

// The extension with its dot, or empty when the file name has none.
std::string ExtensionOf(const std::string& FileName)
{
    const size_t dot = FileName.rfind('.');
    const size_t slash = FileName.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    return FileName.substr(dot);
}

struct Registry {
    std::mutex lock;
    std::vector<TPicture::TFileFormat> formats;
};

Registry& FileFormatRegistry()
{
    static Registry registry;
    return registry;
}

} // namespace

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

int32_t TPicture::Width() const { return FGraphic ? FGraphic->GetWidth() : 0; }
int32_t TPicture::Height() const { return FGraphic ? FGraphic->GetHeight() : 0; }

void TPicture::LoadFromFile(const std::string& FileName)
{
    const std::string extension = LowerCase(ExtensionOf(FileName));
    TGraphicClass graphicClass = nullptr;
    for (const TFileFormat& format : FileFormats())
        if (format.Extension == extension)
            graphicClass = format.GraphicClass;
    if (!graphicClass)
        throw EInvalidGraphic("Unknown picture file extension (" + extension + ")");
    std::ifstream file(FileName, std::ios::binary);
    if (!file)
        throw EFOpenError("Cannot open file \"" + FileName + "\". " + std::strerror(errno));
    std::unique_ptr<TGraphic> graphic(graphicClass());
    graphic->LoadFromStream(file);
    FGraphic = std::move(graphic);
}

void TPicture::RegisterFileFormat(const std::string& Extension, const std::string& Description,
                                  TGraphicClass GraphicClass)
{
    Registry& registry = FileFormatRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    const std::string extension = LowerCase(Extension);
    std::erase_if(registry.formats, [&](const TFileFormat& f) { return f.Extension == extension; });
    registry.formats.push_back({extension, Description, GraphicClass});
}

std::vector<TPicture::TFileFormat> TPicture::FileFormats()
{
    Registry& registry = FileFormatRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    return registry.formats;
}

} // namespace FormAnimator
