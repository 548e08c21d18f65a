// Storage for the records of the editable topology: vertices, edges and faces.
//
// A refined mesh holds hundreds of thousands of small records. As heap blocks of their own
// each would carry the allocator's header and be rounded up to 16 bytes, a third more for
// an edge of 32 bytes, and setup would make a million separate allocations. Here records of
// one size are cut back to back from slabs of 64 KiB; a released record's place goes to a
// free list that the next record of that size takes first. Slabs live as long as the
// process, so memory released by one topology serves the next one built.
//
// The record classes route their own operator new and delete here, so every `new Edge`,
// `clone()` and `delete` of a record, in the engine or its callers, uses the pool. Safe to
// call from any thread. Sizes above kLargestPooledRecord, and every size in a build with
// AddressSanitizer (so that it still sees use after release), go to the ordinary heap.
#pragma once

#include <cstddef>

namespace vantor::recordpool {

constexpr std::size_t kLargestPooledRecord = 128;

// Storage for one record of size bytes, aligned for any record (8 bytes); never null
// (throws std::bad_alloc when memory runs out).
void* allocate(std::size_t size);
// Gives back what allocate(size) answered, with the same size; null is ignored.
void release(void* record, std::size_t size) noexcept;

}  // namespace vantor::recordpool

// The class-specific allocation functions of a pooled record class. The sized delete
// receives the dynamic type's size when a record is deleted through a base with a virtual
// destructor.
#define VANTOR_POOLED_RECORD                                                                   \
  static void* operator new(std::size_t size) { return ::vantor::recordpool::allocate(size); } \
  static void operator delete(void* record, std::size_t size) noexcept {                       \
    ::vantor::recordpool::release(record, size);                                               \
  }
