#include "runtime/other/menus.h"

#include "runtime/core/registry.h"

registry* menu_registry;
menu_state_record* menu_state;

void menu_library_start() {
  menu_registry = create_registry(sizeof(menu_record), 16, free_menu);
  menu_state = static_cast<menu_state_record*>(new_library_state(sizeof(menu_state_record), nullptr));
}

static void destroy_menu(void* record) {
  auto* m = static_cast<menu_record*>(record);
  // The window may have been given another menu since; that one stays.
  if (m->window && GetMenu(m->window) == m->menu) SetMenu(m->window, nullptr);
  DestroyMenu(m->menu);
  if (m->heap) HeapDestroy(m->heap);
}

void free_menu(int64_t number) { release_object(menu_registry, number, destroy_menu); }
