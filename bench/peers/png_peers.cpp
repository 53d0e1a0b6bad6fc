#include "png_peers.h"

#include <png.h>
#include <zlib.h>

#include <cstring>

namespace bench::png {

namespace {

struct MemoryReader {
  const std::vector<std::uint8_t>* file;
  std::size_t position;
};

void ReadFromMemory(png_structp png, png_bytep data, png_size_t length) {
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (reader->position + length > reader->file->size()) {
    png_error(png, "read past the end");
  }
  std::memcpy(data, reader->file->data() + reader->position, length);
  reader->position += length;
}

void WriteToMemory(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void FlushNothing(png_structp) {}

// The row pointers of a block of `height` rows of `rowBytes` bytes.
void PointRows(std::uint8_t* first, std::size_t rowBytes, png_uint_32 height, std::vector<png_bytep>& rows) {
  rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = first + rowBytes * y;
}

}  // namespace

bool Decode(const std::vector<std::uint8_t>& file, std::vector<std::uint8_t>& pixels) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  MemoryReader reader{&file, 0};
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &reader, ReadFromMemory);
  png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#ifdef PNG_IGNORE_ADLER32
  png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
  png_read_info(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  pixels.resize(rowBytes * height);
  PointRows(pixels.data(), rowBytes, height, rows);
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

bool EncodeWithAllFilters(const std::uint8_t* pixels, int width, int height, int channels,
                          std::vector<std::uint8_t>& out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows;
  out.clear();
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &out, WriteToMemory, FlushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               channels == 3 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
  png_set_compression_level(png, 0);
  png_write_info(png, info);
  PointRows(const_cast<std::uint8_t*>(pixels), static_cast<std::size_t>(width) * channels,
            static_cast<png_uint_32>(height), rows);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace bench::png
