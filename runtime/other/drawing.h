#pragma once
// State of 2D drawing: the GDI+ objects that exist while a drawing is in
// progress. No drawing happens at start-up, so the record starts empty.
#include <windows.h>

struct drawing_state_record {
  void* graphics;
  void* pen;
  void* font;
  void* path;
  void* string_format;
};

extern drawing_state_record* drawing_state;

void drawing_library_start();
