#include "support/JpegSamples.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <jpeglib.h>

namespace support {

std::vector<uint8_t> EncodeJpeg(const JpegOptions& o, const SampleFiller& fill)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    const int components = o.space == JCS_GRAYSCALE ? 1 : o.space == JCS_CMYK ? 4 : 3;
    cinfo.image_width = static_cast<JDIMENSION>(o.width);
    cinfo.image_height = static_cast<JDIMENSION>(o.height);
    cinfo.input_components = components;
    cinfo.in_color_space = o.space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, o.quality, TRUE);
    if (o.progressive)
        jpeg_simple_progression(&cinfo);
    if (!o.scans.empty()) {
        cinfo.scan_info = o.scans.data();
        cinfo.num_scans = static_cast<int>(o.scans.size());
    }
    cinfo.arith_code = o.arithmetic ? TRUE : FALSE;
    cinfo.restart_in_rows = o.restartRows;
    if (o.fullChroma)
        for (int c = 0; c < cinfo.num_components; ++c)
            cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(o.width) * components);
    while (cinfo.next_scanline < cinfo.image_height) {
        fill(static_cast<int>(cinfo.next_scanline), components, row.data());
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + outSize);
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return bytes;
}

std::vector<uint8_t> EncodeJpeg(int width, int height, const RowFiller& fill, int quality)
{
    JpegOptions o;
    o.width = width;
    o.height = height;
    o.quality = quality;
    return EncodeJpeg(o, [&](int y, int, uint8_t* rgb) { fill(y, rgb); });
}

std::vector<uint8_t> QuadrantJpeg(int width, int height, Rgb tl, Rgb tr, Rgb bl, Rgb br)
{
    return EncodeJpeg(width, height, [=](int y, uint8_t* rgb) {
        for (int x = 0; x < width; ++x) {
            Rgb c = y < height / 2 ? (x < width / 2 ? tl : tr) : (x < width / 2 ? bl : br);
            rgb[x * 3] = c.r;
            rgb[x * 3 + 1] = c.g;
            rgb[x * 3 + 2] = c.b;
        }
    });
}

std::vector<uint8_t> SolidJpeg(int width, int height, Rgb colour)
{
    return QuadrantJpeg(width, height, colour, colour, colour, colour);
}

namespace {

struct TiffWriter {
    bool motorola;
    std::vector<uint8_t> bytes;
    void u16(uint16_t v)
    {
        if (motorola) {
            bytes.push_back(v >> 8);
            bytes.push_back(v & 0xFF);
        } else {
            bytes.push_back(v & 0xFF);
            bytes.push_back(v >> 8);
        }
    }
    void u32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(motorola ? (v >> (24 - 8 * i)) & 0xFF : (v >> (8 * i)) & 0xFF);
    }
    void entry(uint16_t tag, uint16_t type, uint32_t value)
    {
        u16(tag);
        u16(type);
        u32(1);
        if (type == 3) {
            u16(static_cast<uint16_t>(value));
            u16(0);
        } else {
            u32(value);
        }
    }
};

} // namespace

std::vector<uint8_t> ExifTiff(int orientation, const std::vector<uint8_t>& thumb, bool motorola,
                              int64_t thumbOffsetShift)
{
    TiffWriter w{motorola, {}};
    w.bytes.push_back(motorola ? 'M' : 'I');
    w.bytes.push_back(motorola ? 'M' : 'I');
    w.u16(42);
    w.u32(8);
    // IFD0 at 8: one or two entries (orientation, resolution unit).
    const uint16_t ifd0Count = orientation ? 2 : 1;
    const uint32_t ifd1At = 8 + 2 + 12u * ifd0Count + 4;
    w.u16(ifd0Count);
    if (orientation)
        w.entry(0x0112, 3, static_cast<uint32_t>(orientation));
    w.entry(0x0128, 3, 2);
    w.u32(thumb.empty() ? 0 : ifd1At);
    if (!thumb.empty()) {
        const uint32_t thumbAt = ifd1At + 2 + 12 * 3 + 4;
        w.u16(3);
        w.entry(0x0103, 3, 6);
        w.entry(0x0201, 4, static_cast<uint32_t>(thumbAt + thumbOffsetShift));
        w.entry(0x0202, 4, static_cast<uint32_t>(thumb.size()));
        w.u32(0);
        w.bytes.insert(w.bytes.end(), thumb.begin(), thumb.end());
    }
    return w.bytes;
}

} // namespace support
