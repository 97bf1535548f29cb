#pragma once
// Classes: CardImage.
//
// A memory card for tests that must meet a real one: an image file made with
// mkfs, attached to a loop device and mounted through FUSE, as a desktop
// mounts an exFAT or FAT card. Such file systems have neither an exclusive
// rename nor hard links. It needs root, loop devices, /dev/fuse and the tools
// (exfatprogs and exfat-fuse, or dosfstools and fusefat); without one of
// them nothing is mounted and SkipReason() says what is missing.

#include "support/ScratchFolder.h"

#include <string>
#include <vector>

namespace support {

class CardImage {
public:
    enum Kind { ckExfat, ckFat };

    explicit CardImage(Kind kind);
    // Unmounts the card, detaches the loop device and removes the image.
    ~CardImage();
    CardImage(const CardImage&) = delete;
    CardImage& operator=(const CardImage&) = delete;

    // Empty when the card is mounted, else why it is not.
    const std::string& SkipReason() const { return skip_; }
    // The folder the card is mounted on.
    const std::string& Path() const { return mountPoint_; }

    static const char* Name(Kind kind) { return kind == ckExfat ? "exFAT" : "FAT"; }

private:
    bool Run(const std::string& step, const std::vector<std::string>& argv, std::string* out = nullptr);

    ScratchFolder work_;
    std::string image_, mountPoint_, loop_, skip_;
    bool mounted_ = false;
};

} // namespace support
