#include "platform/bstr.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/bstr_cache.h"

namespace {

// Every BSTR is preceded by 8 bytes: a 4-byte owner tag, then the 4-byte
// byte length that SysStringByteLen reads, as on Windows. The data ends with
// a NUL OLECHAR (two for a heap block, which also covers a trailing partial
// character of an odd byte length).
//
// Owner tag 0: the BSTR has a heap block of its own, starting at the tag.
// Otherwise it lives in a shared block and the tag is its distance in 8-byte
// units from the block's start, where a BlockHeader counts the texts (and
// the allocator) still holding the block.
constexpr size_t kHeaderBytes = 2 * sizeof(uint32_t);
constexpr UINT kMaxBytes = 0x7FFFFFF0u;

struct BlockHeader {
  std::atomic<uint32_t> holders;
  uint32_t reserved;
};
// Shared blocks are mapped from the system, not taken from the heap: a block
// goes back whole when its last text is freed, whatever the heap holds
// around it, so a large value array leaves no memory behind.
constexpr size_t kBlockBytes = size_t(256) << 10;
constexpr size_t kBlockHeaderBytes = 16;
static_assert(sizeof(BlockHeader) <= kBlockHeaderBytes);
// Texts above this many bytes get a heap block of their own.
constexpr size_t kMaxSharedTextBytes = 1024;

// The cache: freed heap blocks of up to kCachedBlockLimit bytes, by size in
// 16-byte steps, at most kBlocksPerSize of each size per thread.
constexpr size_t kSizeStep = 16;
constexpr size_t kCachedBlockLimit = 512;
constexpr size_t kSizeClasses = kCachedBlockLimit / kSizeStep;
constexpr size_t kBlocksPerSize = 8;

uint32_t* TagOf(BSTR bstr) { return reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(bstr) - kHeaderBytes); }
DWORD* PrefixOf(BSTR bstr) { return reinterpret_cast<DWORD*>(reinterpret_cast<char*>(bstr) - sizeof(DWORD)); }

// Size of the heap block of a BSTR of byteLength bytes: rounded up to the
// cache's size step, so any cached block of a size class fits every text of
// that class.
size_t HeapBlockBytes(UINT byteLength) {
  const size_t bytes = kHeaderBytes + size_t(byteLength) + 2 * sizeof(OLECHAR);
  return (bytes + kSizeStep - 1) / kSizeStep * kSizeStep;
}

bool EnabledAtStart() {
#ifdef SW_BSTR_NO_CACHE
  return false;
#else
  return std::getenv("OANOCACHE") == nullptr;
#endif
}

std::atomic<bool>& CacheSwitch() {
  static std::atomic<bool> enabled{EnabledAtStart()};
  return enabled;
}

// Set when this thread's cache is gone (thread exit): BSTRs freed by later
// destructors go straight back to the heap.
thread_local bool t_cacheGone = false;

class ThreadCache {
 public:
  ~ThreadCache() {
    t_cacheGone = true;
    for (size_t c = 0; c < kSizeClasses; ++c) {
      for (size_t i = 0; i < counts_[c]; ++i) std::free(blocks_[c][i]);
    }
  }
  void* Take(size_t blockBytes) {
    const size_t c = blockBytes / kSizeStep - 1;
    if (c >= kSizeClasses || counts_[c] == 0) return nullptr;
    return blocks_[c][--counts_[c]];
  }
  bool Keep(void* block, size_t blockBytes) {
    const size_t c = blockBytes / kSizeStep - 1;
    if (c >= kSizeClasses || counts_[c] == kBlocksPerSize) return false;
    blocks_[c][counts_[c]++] = block;
    return true;
  }

 private:
  void* blocks_[kSizeClasses][kBlocksPerSize] = {};
  size_t counts_[kSizeClasses] = {};
};

// This thread's cache; null while the cache is off or after the thread's
// cache was destroyed.
ThreadCache* Cache() {
  if (t_cacheGone || !CacheSwitch().load(std::memory_order_relaxed)) return nullptr;
  thread_local ThreadCache cache;
  return &cache;
}

// Writes the header and terminator of a BSTR of byteLength bytes whose
// header starts at `at`; the data bytes are left for the caller.
BSTR Frame(char* at, uint32_t tag, UINT byteLength, size_t terminatorBytes) {
  std::memcpy(at, &tag, sizeof tag);
  const DWORD length = byteLength;
  std::memcpy(at + sizeof(uint32_t), &length, sizeof length);
  std::memset(at + kHeaderBytes + byteLength, 0, terminatorBytes);
  return reinterpret_cast<BSTR>(at + kHeaderBytes);
}

// A BSTR with a heap block of its own, taken from the cache when it can be.
BSTR AllocateBytes(UINT byteLength) {
  if (byteLength > kMaxBytes) return nullptr;
  const size_t blockBytes = HeapBlockBytes(byteLength);
  ThreadCache* cache = Cache();
  void* block = cache ? cache->Take(blockBytes) : nullptr;
  if (!block && !(block = std::malloc(blockBytes))) return nullptr;
  return Frame(static_cast<char*>(block), 0, byteLength, 2 * sizeof(OLECHAR));
}

void ReleaseBlock(char* block) {
  auto* header = reinterpret_cast<BlockHeader*>(block);
  if (header->holders.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    header->~BlockHeader();
    munmap(block, kBlockBytes);
  }
}

}  // namespace

bool PlatformSetBstrCacheEnabled(bool enabled) { return CacheSwitch().exchange(enabled); }
bool PlatformBstrCacheEnabled() { return CacheSwitch().load(); }

BstrBlockAllocator::~BstrBlockAllocator() { Retire(); }

void BstrBlockAllocator::Retire() {
  if (block_) ReleaseBlock(block_);
  block_ = nullptr;
  used_ = 0;
}

BSTR BstrBlockAllocator::Allocate(const OLECHAR* text, UINT length) {
  const size_t byteLength = size_t(length) * sizeof(OLECHAR);
  if (byteLength > kMaxSharedTextBytes || !CacheSwitch().load(std::memory_order_relaxed)) {
    return SysAllocStringLen(text, length);
  }
  // Header, data and one NUL OLECHAR, rounded so the next header is aligned.
  const size_t recordBytes = (kHeaderBytes + byteLength + sizeof(OLECHAR) + 7) / 8 * 8;
  if (!block_ || used_ + recordBytes > kBlockBytes) {
    Retire();
    void* fresh = mmap(nullptr, kBlockBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (fresh == MAP_FAILED) return nullptr;
    auto* header = new (fresh) BlockHeader{};
    header->holders.store(1, std::memory_order_relaxed);  // this allocator's hold
    block_ = static_cast<char*>(fresh);
    used_ = kBlockHeaderBytes;
  }
  reinterpret_cast<BlockHeader*>(block_)->holders.fetch_add(1, std::memory_order_relaxed);
  const uint32_t tag = static_cast<uint32_t>(used_ / 8);
  BSTR result = Frame(block_ + used_, tag, static_cast<UINT>(byteLength), sizeof(OLECHAR));
  if (text) std::memcpy(result, text, byteLength);
  used_ += recordBytes;
  return result;
}

BSTR BstrBlockAllocator::Reuse(BSTR made) {
  if (!made) return nullptr;
  const uint32_t tag = *TagOf(made);
  if (tag == 0) return SysAllocStringLen(made, SysStringLen(made));
  char* block = reinterpret_cast<char*>(TagOf(made)) - size_t(tag) * 8;
  reinterpret_cast<BlockHeader*>(block)->holders.fetch_add(1, std::memory_order_relaxed);
  return made;
}

BSTR SysAllocString(const OLECHAR* psz) {
  if (!psz) return nullptr;
  size_t length = 0;
  while (psz[length]) ++length;
  if (length > kMaxBytes / sizeof(OLECHAR)) return nullptr;
  return SysAllocStringLen(psz, static_cast<UINT>(length));
}

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
  if (ui > kMaxBytes / sizeof(OLECHAR)) return nullptr;
  BSTR result = AllocateBytes(ui * static_cast<UINT>(sizeof(OLECHAR)));
  if (result && strIn) std::memcpy(result, strIn, ui * sizeof(OLECHAR));
  return result;
}

BSTR SysAllocStringByteLen(LPCSTR psz, UINT len) {
  BSTR result = AllocateBytes(len);
  if (result && psz) std::memcpy(result, psz, len);
  return result;
}

INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len) {
  if (!pbstr) return FALSE;
  BSTR replacement = SysAllocStringLen(psz, len);
  if (!replacement) return FALSE;
  // psz may point into *pbstr: it was copied before the old text is freed.
  SysFreeString(*pbstr);
  *pbstr = replacement;
  return TRUE;
}

INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz) {
  if (!pbstr) return FALSE;
  if (!psz) {
    SysFreeString(*pbstr);
    *pbstr = nullptr;
    return TRUE;
  }
  size_t length = 0;
  while (psz[length]) ++length;
  if (length > kMaxBytes / sizeof(OLECHAR)) return FALSE;
  return SysReAllocStringLen(pbstr, psz, static_cast<UINT>(length));
}

void SysFreeString(BSTR bstrString) {
  if (!bstrString) return;
  uint32_t tag;
  std::memcpy(&tag, TagOf(bstrString), sizeof tag);
  char* header = reinterpret_cast<char*>(TagOf(bstrString));
  if (tag != 0) {
    ReleaseBlock(header - size_t(tag) * 8);
    return;
  }
  ThreadCache* cache = Cache();
  if (cache && cache->Keep(header, HeapBlockBytes(SysStringByteLen(bstrString)))) return;
  std::free(header);
}

UINT SysStringByteLen(BSTR bstr) { return bstr ? *PrefixOf(bstr) : 0; }

UINT SysStringLen(BSTR pbstr) { return SysStringByteLen(pbstr) / sizeof(OLECHAR); }
