#pragma once
// Companion files: the raw file, sidecar, clip or sound that belongs to a
// photo by its name, and follows it when it is renamed.
//
// In the photo's folder, a companion of IMG_0042.JPG is a file named
// IMG_0042.<ext> (the photo's name without its extension, then one more
// extension) or IMG_0042.JPG.<ext> (the photo's whole name, then one more
// extension), where <ext> is in kCompanionExtensions. Names are compared as
// the photo list compares them: ASCII letters without regard to case. A
// companion takes the photo's new name in the same form, keeping its own
// extension as it is written: IMG_0042.CR2 -> Trip_07.CR2, IMG_0042.JPG.xmp
// -> Trip_07.jpg.xmp.

#include <iterator>
#include <string>
#include <string_view>
#include <vector>

// Extensions that make a file a companion, in lower case: raw formats,
// sidecars, the clip of a moving photo, thumbnails and sound notes.
inline constexpr std::string_view kCompanionExtensions[] = {
    "cr2", "cr3", "nef", "arw", "dng", "raf", "orf", "rw2", "pef", "srw",  // raw
    "xmp", "aae",                                                          // edits
    "mov", "mp4", "thm", "wav",                                            // clip, thumbnail, sound
};

// Companion names by list item.
using CompanionLists = std::vector<std::vector<std::string>>;

// For every list item, the names of its companions (empty for unselected
// items), in the order of folderNames. folderNames: the folder's files, as
// listed once for the whole batch; photoNames: the photo list. A file that
// is itself a listed photo is never a companion, and a file that would be
// the companion of two listed photos (IMG_1.jpg and img_1.JPG, or a.jpg and
// a.jpg.jpg for a.jpg.xmp) belongs to neither, so that renaming one never
// takes the other's.
CompanionLists FindCompanions(const std::vector<std::string>& folderNames,
                                                     const std::vector<std::string>& photoNames,
                                                     const std::vector<bool>& selected,
                                                     const std::vector<std::string_view>& extensions = {
                                                         std::begin(kCompanionExtensions),
                                                         std::end(kCompanionExtensions)});

// FindCompanions over the folder's plain files, listed once. Throws
// platform::EOSError when the folder cannot be read.
CompanionLists ListCompanions(const std::string& folder, const std::vector<std::string>& photoNames,
                              const std::vector<bool>& selected);

// The name a companion of photoName takes when the photo becomes newName.
std::string CompanionNewName(const std::string& photoName, const std::string& newName,
                             const std::string& companionName);
