// libFuzzer target: TExif::ReadFromFile on arbitrary bytes. The bytes are
// put in an in-memory file that the reader opens by path, as it would a photo.

#include "FuzzSupport.h"
#include "metadata/Exif.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>



extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::FillMemoryFile(data, size);

    TExif exif;
    try {
        const bool found = exif.ReadFromFile(path);
        // The result and Valid tell the same thing.
        if (found != exif.Valid) std::abort();
    } catch (const EInOutError&) {
        // A file that ends inside a header: the reader's documented error.
    }
    return 0;
}
