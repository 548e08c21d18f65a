#include "gfx/mesh/RecordPool.h"

#include <array>
#include <mutex>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define VANTOR_RECORDS_ON_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTOR_RECORDS_ON_HEAP 1
#endif
#endif

namespace vantor::recordpool {

namespace {

constexpr std::size_t kGranule = 8;  // sizes are rounded up to this, the records' alignment
constexpr std::size_t kSlabBytes = 64 * 1024;

bool pooled(std::size_t size) {
#ifdef VANTOR_RECORDS_ON_HEAP
  (void)size;
  return false;
#else
  return size <= kLargestPooledRecord;
#endif
}

class Pool {
 public:
  void* take(std::size_t size) {
    const std::size_t slot = slotBytes(size);
    std::lock_guard lock(mutex_);
    SizeClass& sizes = classes_[slot / kGranule];
    if (sizes.freeList) {
      FreeSlot* first = sizes.freeList;
      sizes.freeList = first->next;
      return first;
    }
    if (sizes.left < slot) {
      // The rest of the old slab, too small for this size, is left unused.
      sizes.next = static_cast<unsigned char*>(::operator new(kSlabBytes));
      sizes.left = kSlabBytes;
    }
    void* record = sizes.next;
    sizes.next += slot;
    sizes.left -= slot;
    return record;
  }

  void give(void* record, std::size_t size) noexcept {
    std::lock_guard lock(mutex_);
    SizeClass& sizes = classes_[slotBytes(size) / kGranule];
    sizes.freeList = ::new (record) FreeSlot{sizes.freeList};
  }

 private:
  struct FreeSlot {
    FreeSlot* next;
  };
  struct SizeClass {
    FreeSlot* freeList = nullptr;
    unsigned char* next = nullptr;  // where the next new slot of the current slab starts
    std::size_t left = 0;           // bytes of the current slab not handed out
  };

  static std::size_t slotBytes(std::size_t size) {
    if (size < sizeof(FreeSlot)) size = sizeof(FreeSlot);
    return (size + kGranule - 1) / kGranule * kGranule;
  }

  std::mutex mutex_;
  std::array<SizeClass, kLargestPooledRecord / kGranule + 1> classes_{};
};

// Made on first use and never destroyed: records may be released during static
// destruction, and the slabs stay reachable for leak checkers.
Pool& pool() {
  static Pool* const instance = new Pool;
  return *instance;
}

}  // namespace

void* allocate(std::size_t size) {
  if (!pooled(size)) return ::operator new(size);
  return pool().take(size);
}

void release(void* record, std::size_t size) noexcept {
  if (!record) return;
  if (!pooled(size)) {
    ::operator delete(record);
    return;
  }
  pool().give(record, size);
}

}  // namespace vantor::recordpool
