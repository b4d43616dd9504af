// A block of memory of a size fixed when it is made, for a file's bytes and for tables
// sized from them. Fresh memory is paid for page by page when it is first touched, which
// dominates reading a large file: a large block is therefore mapped on its own and asked
// for as huge pages (where the system offers them), a small one comes from the heap.
#pragma once

#include <cstddef>
#include <string_view>

namespace polyverb {

class ByteBuffer {
 public:
  ByteBuffer() = default;
  // `size` bytes, not initialised. Throws std::bad_alloc when there is no memory.
  explicit ByteBuffer(std::size_t size);
  ~ByteBuffer();
  ByteBuffer(ByteBuffer&& other) noexcept;
  ByteBuffer& operator=(ByteBuffer&& other) noexcept;
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;

  // The block never moves while it lives, also when the ByteBuffer object is moved.
  char* Data() { return data_; }
  const char* Data() const { return data_; }
  std::size_t Size() const { return size_; }
  std::string_view View() const { return {data_, size_}; }

  // Forgets the bytes from `size` on. REQUIRES: size <= Size().
  void Truncate(std::size_t size) { size_ = size; }

  // Is told of each block mapped on its own: +length when it is made, -length when it
  // goes. The benchmarks count memory by the heap's allocations and add these to them.
  using MapObserver = void (*)(std::ptrdiff_t change);
  static void ObserveMappings(MapObserver observer);

 private:
  void Release() noexcept;

  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t mapped_ = 0;  // the length of the block's own mapping; 0: from the heap
};

}  // namespace polyverb
