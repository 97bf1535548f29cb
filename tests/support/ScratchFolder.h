#pragma once
// ScratchFolder: a fresh empty folder under the system's temporary folder
// (TMPDIR), removed with everything in it when the object goes, even when a
// test took its write permission away.

#include "support/Files.h"

#include <filesystem>
#include <stdexcept>
#include <string>

#include <stdlib.h>

namespace support {

class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quistelor-test-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary folder");
        path_ = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     ec);
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return path_; }
    // The path of name inside the folder.
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    // Writes bytes (any contiguous container of bytes) as the folder's file
    // name, replacing it; returns the file's path.
    template <class Bytes>
    std::string Write(const std::string& name, const Bytes& bytes) const
    {
        const std::string file = *this / name;
        WriteFile(file, bytes);
        return file;
    }

private:
    std::string path_;
};

} // namespace support
