#pragma once
// Numbered images and the codec tables that turn image files into bitmaps
// and back. Decoders and encoders are found by a format tag: the format's
// short name read as a little-endian integer ("BMP" is 0x504D42).
#include <windows.h>
#include <cstdint>

struct registry;

struct image_decoder {
  uint32_t format_tag;
  // Checks that the bytes hold this format and prepares decoding; none when they do not.
  void* (*open)(const void* bytes, int64_t size);
  // A 32-bit top-down DIB section of the image, or none.
  HBITMAP (*decode)(void* opened);
  void (*release)(void* opened);
};

struct image_encoder {
  uint32_t format_tag;
  // The encoded file in a block of the runtime heap (HeapFree it), or none.
  void* (*encode)(HBITMAP bitmap, int64_t* size);
};

constexpr int32_t codec_table_capacity = 8;

struct image_state_record {
  int32_t decoder_count;
  int32_t encoder_count;
  image_decoder decoders[codec_table_capacity];
  image_encoder encoders[codec_table_capacity];
};

// A frame is a bitmap or an icon. An image of several frames lists them all
// in `frames` (frames[0] is also `frame`); a single frame needs no list.
struct image_record {
  HANDLE frame;  // live while non-zero
  HANDLE* frames;  // from the runtime heap, or none
  int32_t frame_count;
};

extern registry* image_registry;
extern image_state_record* image_state;

void codec_table_start();
void image_library_start();
void image_library_stop();
// Frees every frame of the image and its frame list; any_number frees all images.
void free_image(int64_t number);

// Appends to the codec tables; false when a table is full or missing.
bool register_decoder(const image_decoder& decoder);
bool register_encoder(const image_encoder& encoder);
const image_decoder* find_decoder(uint32_t format_tag);
const image_encoder* find_encoder(uint32_t format_tag);
