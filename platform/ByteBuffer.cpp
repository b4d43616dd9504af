#include "platform/ByteBuffer.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdint>
#include <new>
#include <utility>

namespace polyverb {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// From this size on a block gets its own mapping; below it the heap reuses freed memory,
// which costs no fresh pages at all.
constexpr std::size_t kMapFrom = std::size_t{1} << 20;

std::atomic<ByteBuffer::MapObserver> map_observer{nullptr};

void TellObserver(std::ptrdiff_t change) {
  if (const ByteBuffer::MapObserver observer = map_observer.load(std::memory_order_relaxed))
    observer(change);
}

}  // namespace

void ByteBuffer::ObserveMappings(MapObserver observer) {
  map_observer.store(observer, std::memory_order_relaxed);
}

ByteBuffer::ByteBuffer(std::size_t size) : size_(size) {
  if (size < kMapFrom) {
    data_ = static_cast<char*>(::operator new(size == 0 ? 1 : size));
    return;
  }
  // Huge pages must be aligned to their size: map one more, then give back the ends.
  const std::size_t length = (size + kHugePage - 1) / kHugePage * kHugePage;
  void* raw = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
  if (aligned > start) ::munmap(raw, aligned - start);
  if (const std::uintptr_t tail = start + length + kHugePage - (aligned + length); tail > 0)
    ::munmap(reinterpret_cast<void*>(aligned + length), tail);
  data_ = reinterpret_cast<char*>(aligned);
  mapped_ = length;
  TellObserver(static_cast<std::ptrdiff_t>(length));
  // Only advice: without huge pages the block still works, one page at a time.
  ::madvise(data_, length, MADV_HUGEPAGE);
}

ByteBuffer::~ByteBuffer() {
  Release();
}

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, 0)) {}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    mapped_ = std::exchange(other.mapped_, 0);
  }
  return *this;
}

void ByteBuffer::Release() noexcept {
  if (data_ == nullptr) return;
  if (mapped_ > 0) {
    ::munmap(data_, mapped_);
    TellObserver(-static_cast<std::ptrdiff_t>(mapped_));
  } else {
    ::operator delete(data_);
  }
  data_ = nullptr;
  size_ = 0;
  mapped_ = 0;
}

}  // namespace polyverb
