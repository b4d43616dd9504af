// Peak heap of a benchmark binary: replaces the global operator new and delete so every
// allocation is counted by its usable size. Include it in exactly one file of a binary.
// g_live is the bytes allocated now (mapped buffers included), g_peak the largest g_live
// seen (reset it freely).
#pragma once

#include <malloc.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

#include "platform/ByteBuffer.h"

namespace heap_counter {

inline std::atomic<std::size_t> g_live{0};
inline std::atomic<std::size_t> g_peak{0};

inline void* Allocate(std::size_t n) {
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  const std::size_t size = malloc_usable_size(p);
  const std::size_t live = g_live.fetch_add(size, std::memory_order_relaxed) + size;
  std::size_t peak = g_peak.load(std::memory_order_relaxed);
  while (live > peak && !g_peak.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
  }
  return p;
}

inline void Release(void* p) noexcept {
  if (!p) return;
  g_live.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
  std::free(p);
}

// Large buffers bypass the heap (ByteBuffer maps them): they count as live bytes too.
inline void OnMapped(std::ptrdiff_t change) {
  const std::size_t live =
      g_live.fetch_add(static_cast<std::size_t>(change), std::memory_order_relaxed) +
      static_cast<std::size_t>(change);
  std::size_t peak = g_peak.load(std::memory_order_relaxed);
  while (live > peak && !g_peak.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
  }
}
inline const bool kObservingMappings = (polyverb::ByteBuffer::ObserveMappings(&OnMapped), true);

}  // namespace heap_counter

void* operator new(std::size_t n) {
  return heap_counter::Allocate(n);
}
void* operator new[](std::size_t n) {
  return heap_counter::Allocate(n);
}
void operator delete(void* p) noexcept {
  heap_counter::Release(p);
}
void operator delete[](void* p) noexcept {
  heap_counter::Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
  heap_counter::Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  heap_counter::Release(p);
}
