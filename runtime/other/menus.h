#pragma once
// Numbered menus. A menu may keep its item data in a private heap, which
// goes with it.
#include <windows.h>
#include <cstdint>

struct registry;

struct menu_record {
  HMENU menu;     // live while non-zero
  HWND window;    // the window it was attached to, or none
  HANDLE heap;    // private heap of the menu's item data, or none
};

struct menu_state_record {
  menu_record* current;  // the menu that new items go into
};

extern registry* menu_registry;
extern menu_state_record* menu_state;

void menu_library_start();
// Detaches, destroys and frees the menu; any_number releases every menu.
void free_menu(int64_t number);
