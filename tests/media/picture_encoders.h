// PNG and JPEG files made in memory with libpng's and libjpeg's own
// encoders, so the reader is checked against the libraries' writers rather
// than against files made by the code under test.
#pragma once

#include <png.h>
// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace mosaicer::testing {

struct PngPicture {
  int width = 0, height = 0;
  int colourType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<png_color> palette{};        // PNG_COLOR_TYPE_PALETTE
  std::vector<std::uint8_t> paletteAlpha{};  // tRNS of a palette picture
  bool transparentColour = false;        // tRNS of a grey or RGB picture
  png_color_16 transparent{};
  // Samples per pixel in file order, each 0 .. 2^bitDepth - 1, row by row.
  std::vector<unsigned> samples{};
};

inline void AppendPng(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}

inline int PngChannels(int colourType) {
  if (colourType == PNG_COLOR_TYPE_PALETTE) return 1;
  return (colourType & PNG_COLOR_MASK_COLOR ? 3 : 1) + (colourType & PNG_COLOR_MASK_ALPHA ? 1 : 0);
}

// Packs the samples as PNG rows: sub-byte samples high bits first, 16-bit
// samples big-endian.
inline std::vector<std::vector<std::uint8_t>> PngRows(const PngPicture& picture) {
  const int channels = PngChannels(picture.colourType);
  std::vector<std::vector<std::uint8_t>> rows;
  std::size_t i = 0;
  for (int y = 0; y < picture.height; ++y) {
    std::vector<std::uint8_t> row((static_cast<std::size_t>(picture.width) * channels * picture.bitDepth + 7) / 8);
    for (int s = 0; s < picture.width * channels; ++s, ++i) {
      const unsigned v = picture.samples[i];
      if (picture.bitDepth == 16) {
        row[2 * s] = static_cast<std::uint8_t>(v >> 8), row[2 * s + 1] = static_cast<std::uint8_t>(v);
      } else {
        const int perByte = 8 / picture.bitDepth;
        const int shift = 8 - picture.bitDepth * (s % perByte + 1);
        row[s / perByte] = static_cast<std::uint8_t>(row[s / perByte] | v << shift);
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

// Empty if libpng refused the picture.
inline std::vector<std::uint8_t> EncodePng(const PngPicture& picture) {
  std::vector<std::uint8_t> out;
  std::vector<std::vector<std::uint8_t>> rows = PngRows(picture);
  std::vector<png_bytep> pointers;
  for (auto& row : rows) pointers.push_back(row.data());
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, AppendPng, nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height),
               picture.bitDepth, picture.colourType,
               picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!picture.palette.empty())
    png_set_PLTE(png, info, picture.palette.data(), static_cast<int>(picture.palette.size()));
  if (!picture.paletteAlpha.empty())
    png_set_tRNS(png, info, picture.paletteAlpha.data(), static_cast<int>(picture.paletteAlpha.size()),
                 nullptr);
  png_color_16 colour = picture.transparent;
  if (picture.transparentColour) png_set_tRNS(png, info, nullptr, 0, &colour);
  png_write_info(png, info);
  png_write_image(png, pointers.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

struct JpegPicture {
  int width = 0, height = 0;
  J_COLOR_SPACE space = JCS_RGB;  // JCS_RGB, JCS_GRAYSCALE or JCS_CMYK
  bool progressive = false;
  int quality = 100;
  std::vector<std::uint8_t> app1{};  // written as an APP1 marker when not empty
  std::vector<std::uint8_t> samples{};  // interleaved, row by row
};

struct JpegTestError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

inline void JpegTestAbort(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegTestError*>(info->err)->jump, 1);
}

// Empty if libjpeg refused the picture. Full-resolution chroma, so colours
// come back within a few levels.
inline std::vector<std::uint8_t> EncodeJpeg(const JpegPicture& picture) {
  jpeg_compress_struct info{};
  JpegTestError error{};
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = JpegTestAbort;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(error.jump)) {
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return {};
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(picture.width);
  info.image_height = static_cast<JDIMENSION>(picture.height);
  info.input_components = picture.space == JCS_GRAYSCALE ? 1 : picture.space == JCS_CMYK ? 4 : 3;
  info.in_color_space = picture.space;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, picture.quality, TRUE);
  for (int c = 0; c < info.num_components; ++c)
    info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
  if (picture.progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  if (!picture.app1.empty())
    jpeg_write_marker(&info, JPEG_APP0 + 1, picture.app1.data(),
                      static_cast<unsigned>(picture.app1.size()));
  const std::size_t stride = static_cast<std::size_t>(picture.width) * info.input_components;
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPLE*>(picture.samples.data() + stride * info.next_scanline);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<std::uint8_t> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

// An EXIF APP1 body holding only the orientation tag.
inline std::vector<std::uint8_t> ExifWithOrientation(int orientation, bool bigEndian) {
  std::vector<std::uint8_t> d = {'E', 'x', 'i', 'f', 0, 0};
  // A value of `bytes` bytes in the file's byte order.
  auto put = [&](unsigned v, int bytes) {
    for (int i = 0; i < bytes; ++i)
      d.push_back(static_cast<std::uint8_t>(v >> 8 * (bigEndian ? bytes - 1 - i : i)));
  };
  d.insert(d.end(), 2, bigEndian ? 'M' : 'I');
  put(42, 2), put(8, 4);  // the first directory follows the header
  put(1, 2);              // one entry: the orientation, one SHORT
  put(0x0112, 2), put(3, 2), put(1, 4), put(static_cast<unsigned>(orientation), 2), put(0, 2);
  put(0, 4);  // no next directory
  return d;
}

}  // namespace mosaicer::testing
