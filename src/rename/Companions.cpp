#include "rename/Companions.h"

#include "platform/FindFiles.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace {

std::string AsciiLower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && AsciiLower(a) == AsciiLower(b);
}

// The name up to its last '.', or the whole name when it has none.
std::string_view Stem(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

constexpr std::size_t kNobody = static_cast<std::size_t>(-1);
constexpr std::size_t kSeveral = static_cast<std::size_t>(-2);

} // namespace

CompanionLists FindCompanions(const std::vector<std::string>& folderNames,
                                                     const std::vector<std::string>& photoNames,
                                                     const std::vector<bool>& selected,
                                                     const std::vector<std::string_view>& extensions)
{
    // Who may own a base name (the companion's name without its extension):
    // the photo whose whole name or stem it is, or several photos.
    std::unordered_map<std::string, std::size_t> owner;
    auto claim = [&](std::string_view base, std::size_t photo) {
        const auto [it, fresh] = owner.emplace(AsciiLower(base), photo);
        if (!fresh && it->second != photo)
            it->second = kSeveral;
    };
    const std::unordered_set<std::string> photos(photoNames.begin(), photoNames.end());
    for (std::size_t i = 0; i < photoNames.size(); ++i) {
        claim(photoNames[i], i);
        claim(Stem(photoNames[i]), i);
    }

    CompanionLists companions(photoNames.size());
    for (const std::string& name : folderNames) {
        const std::size_t dot = name.rfind('.');
        if (dot == std::string::npos || dot == 0 || photos.count(name))
            continue;
        const std::string extension = AsciiLower(std::string_view(name).substr(dot + 1));
        if (std::find(extensions.begin(), extensions.end(), extension) == extensions.end())
            continue;
        const auto it = owner.find(AsciiLower(std::string_view(name).substr(0, dot)));
        const std::size_t photo = it == owner.end() ? kNobody : it->second;
        if (photo < photoNames.size() && photo < selected.size() && selected[photo])
            companions[photo].push_back(name);
    }
    return companions;
}

CompanionLists ListCompanions(const std::string& folder, const std::vector<std::string>& photoNames,
                              const std::vector<bool>& selected)
{
    return FindCompanions(platform::FindFiles(folder, "*"), photoNames, selected);
}

std::string CompanionNewName(const std::string& photoName, const std::string& newName,
                             const std::string& companionName)
{
    const std::string_view base = Stem(companionName);
    const std::string_view extension = std::string_view(companionName).substr(base.size());
    const std::string_view target = SameIgnoringCase(base, photoName) ? std::string_view(newName) : Stem(newName);
    return std::string(target) + std::string(extension);
}
