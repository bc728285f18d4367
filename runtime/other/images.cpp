#include "runtime/other/images.h"

#include "runtime/core/registry.h"
#include "runtime/core/runtime_globals.h"

registry* image_registry;
image_state_record* image_state;

void codec_table_start() {
  image_state = static_cast<image_state_record*>(new_library_state(sizeof(image_state_record), nullptr));
}

void image_library_start() { image_registry = create_registry(sizeof(image_record), 16, free_image); }

void image_library_stop() { free_image(any_number); }

static void free_frame(HANDLE frame) {
  if (GetObjectType(frame) == OBJ_BITMAP)
    DeleteObject(frame);
  else
    DestroyIcon(static_cast<HICON>(frame));
}

static void free_frames(void* record) {
  auto* image = static_cast<image_record*>(record);
  if (!image->frames) {
    free_frame(image->frame);
    return;
  }
  for (int32_t i = 0; i < image->frame_count; i++) free_frame(image->frames[i]);
  HeapFree(runtime.heap, 0, image->frames);
}

void free_image(int64_t number) { release_object(image_registry, number, free_frames); }

bool register_decoder(const image_decoder& decoder) {
  if (!image_state || image_state->decoder_count >= codec_table_capacity) return false;
  image_state->decoders[image_state->decoder_count++] = decoder;
  return true;
}

bool register_encoder(const image_encoder& encoder) {
  if (!image_state || image_state->encoder_count >= codec_table_capacity) return false;
  image_state->encoders[image_state->encoder_count++] = encoder;
  return true;
}

const image_decoder* find_decoder(uint32_t format_tag) {
  if (!image_state) return nullptr;
  for (int32_t i = 0; i < image_state->decoder_count; i++)
    if (image_state->decoders[i].format_tag == format_tag) return &image_state->decoders[i];
  return nullptr;
}

const image_encoder* find_encoder(uint32_t format_tag) {
  if (!image_state) return nullptr;
  for (int32_t i = 0; i < image_state->encoder_count; i++)
    if (image_state->encoders[i].format_tag == format_tag) return &image_state->encoders[i];
  return nullptr;
}
