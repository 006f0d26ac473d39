// The BSTR allocator's reuse of memory, as the OLE Automation runtime does it:
//
// - A cache of freed BSTR blocks. SysFreeString keeps a few freed blocks of
//   each small size on the freeing thread, and the next SysAlloc* of a text
//   of that size on that thread takes one back instead of calling the heap.
// - Shared blocks (`BstrBlockAllocator`, not a Windows function): a caller
//   that makes very many texts at once, such as a value array of a whole
//   sheet, places them one after another in 256 KB blocks mapped from the
//   system. Each text is still an ordinary BSTR, freed with SysFreeString; a
//   block is unmapped when its last text is freed. A text repeated many
//   times can be handed out once per owner from one place in a block.
//
// Both are switched off, as in the real runtime, when the environment
// variable OANOCACHE is set when the first BSTR is made, and by default in a
// sanitizer build (SW_BSTR_NO_CACHE), so that every BSTR is its own heap
// block and a use after SysFreeString is caught. Tests switch it with
// PlatformSetBstrCacheEnabled.
#pragma once

#include <cstddef>

#include "platform/windows_api.h"

#ifdef _WIN32

// The system runtime keeps its own cache; texts are allocated one by one.
class BstrBlockAllocator {
 public:
  BSTR Allocate(const OLECHAR* text, UINT length) { return SysAllocStringLen(text, length); }
  BSTR Reuse(BSTR made) { return SysAllocStringLen(made, SysStringLen(made)); }
};

#else

// Turns the cache and shared blocks on or off for the whole process and
// returns the previous setting. Blocks already cached stay until reused or
// until their thread ends; texts already in shared blocks stay valid.
bool PlatformSetBstrCacheEnabled(bool enabled);
bool PlatformBstrCacheEnabled();

// Makes BSTRs in shared blocks. Not thread-safe itself (one allocator per
// thread of work); the texts it makes may be freed on any thread.
//
//   BstrBlockAllocator texts;
//   for (...) element.bstrVal = texts.Allocate(chars, length);  // null: out of memory
class BstrBlockAllocator {
 public:
  BstrBlockAllocator() = default;
  BstrBlockAllocator(const BstrBlockAllocator&) = delete;
  BstrBlockAllocator& operator=(const BstrBlockAllocator&) = delete;
  // Lets go of the block being filled; texts already made stay valid.
  ~BstrBlockAllocator();

  // As SysAllocStringLen(text, length). Long texts, and every text while the
  // cache is off, get a heap block of their own.
  BSTR Allocate(const OLECHAR* text, UINT length);
  // The same text again for a second owner: a text `made` by Allocate that
  // lives in a shared block is handed out once more (the block counts one
  // more holder, and each owner frees it with SysFreeString as usual);
  // otherwise a copy. Owners must not write into a text they share.
  BSTR Reuse(BSTR made);

 private:
  void Retire();

  char* block_ = nullptr;  // the block being filled, held by this allocator
  size_t used_ = 0;        // bytes of block_ in use, header included
};

#endif  // _WIN32
