#pragma once
// Failure injection for the test program it is linked into: while a
// fault_switch lives, the program's own calls of kernel32's heap and file
// functions go through counters (the import table of the executable is
// patched; the system's DLLs and the C library keep their own tables, so
// libarchive's and the C library's memory and files are left alone).
//
// Heap calls count only for the runtime's three heaps (runtime.heap,
// string_heap, memory_heap): their live blocks are counted per heap all the
// time, and an armed allocation failure makes the N-th HeapAlloc or
// HeapReAlloc on them give none, as a heap that is out of memory does.
// CreateFileW and WriteFile count every call while armed for them.
#include <windows.h>

#include <cstdint>

enum heap_kind { runtime_heap_kind, string_heap_kind, memory_heap_kind, heap_kinds };

enum class fault_kind {
  none,
  allocation,    // the N-th allocation gives none
  file_opening,  // the N-th CreateFileW gives INVALID_HANDLE_VALUE and `error`
  file_write,    // the N-th WriteFile writes nothing and fails with ERROR_DISK_FULL
  short_write,   // the N-th WriteFile writes half and says so, as a full disk may
};

struct fault_counts {
  int64_t calls;  // counted calls of the armed kind since arming
  bool fired;     // the N-th call came and was failed
  int64_t live[heap_kinds];
  // Live blocks each heap still held when it was destroyed (its live count
  // starts again at 0), and how many of them nothing pointed to any more:
  // neither the program's static data, nor a root named with add_root, nor
  // a block reachable from those. Those were lost, leaked before the heap went.
  int64_t left_at_destroy[heap_kinds];
  int64_t unreachable_at_destroy[heap_kinds];
};

class fault_switch {
 public:
  fault_switch();
  ~fault_switch();
  fault_switch(const fault_switch&) = delete;
  fault_switch& operator=(const fault_switch&) = delete;

  bool installed() const { return installed_; }
  // Counts calls of that kind from now on and fails the n-th (from 1); n = 0
  // only counts. Resets calls, fired and what destroyed heaps held (-1 until
  // one is destroyed).
  void arm(fault_kind kind, int64_t n, DWORD error = ERROR_DISK_FULL);
  // Memory outside the program's static data (a record on the stack, say)
  // whose words count as pointers when lost blocks are looked for.
  void add_root(const void* from, size_t bytes);
  void clear_roots();
  // Stops counting; the counts stay as they are.
  void disarm();
  const fault_counts& counts() const;

 private:
  bool installed_;
};
