// Movable memory blocks: the form in which images (packed DIBs) travel between
// subsystems. A block is known by an opaque handle; locking it yields its
// address and counts the lock depth, so several holders can map it at once.
// A block may only move (on Resize) while nobody holds it locked.
//
// All functions are safe to call from several threads at once: the registry
// that maps addresses back to handles is shared and guarded. A single block is
// not meant to be used by two threads at the same time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

struct MemoryBlock;                // opaque
using BlockHandle = MemoryBlock*;  // nullptr is "no block"

// A new zero-filled block of `size` bytes. Throws EOSError when memory is short.
BlockHandle AllocBlock(std::size_t size);
// Maps the block and returns its address; the lock depth grows by one.
// Throws EOSError for a handle that is not a live block.
std::uint8_t* LockBlock(BlockHandle h);
// Lowers the lock depth; returns true while the block stays locked.
bool UnlockBlock(BlockHandle h);
// Current lock depth (0 for an unlocked block).
int32_t BlockLockCount(BlockHandle h);
// Changes the size, keeping the old bytes and zero-filling new ones. The block
// may move, so it must not be locked. Returns the (unchanged) handle.
BlockHandle ResizeBlock(BlockHandle h, std::size_t size);
// Size in bytes; throws EOSError for a dead handle.
std::size_t BlockSize(BlockHandle h);
// The handle of a block whose locked bytes contain `address`, or nullptr.
BlockHandle BlockHandleOf(const void* address);
// Frees the block (locked or not). A null handle is ignored.
void FreeBlock(BlockHandle h);
// Number of live blocks: lets tests prove that nothing leaked.
std::size_t LiveBlockCount();

// Owns a block for a caller: frees it on scope exit unless released.
class BlockOwner {
 public:
  BlockOwner() = default;
  explicit BlockOwner(BlockHandle h) : handle_(h) {}
  explicit BlockOwner(std::size_t size) : handle_(AllocBlock(size)) {}
  ~BlockOwner() { FreeBlock(handle_); }
  BlockOwner(const BlockOwner&) = delete;
  BlockOwner& operator=(const BlockOwner&) = delete;
  BlockOwner(BlockOwner&& o) noexcept : handle_(o.release()) {}
  BlockOwner& operator=(BlockOwner&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }

  BlockHandle get() const { return handle_; }
  BlockHandle release() {
    BlockHandle h = handle_;
    handle_ = nullptr;
    return h;
  }
  void reset(BlockHandle h = nullptr) {
    FreeBlock(handle_);
    handle_ = h;
  }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  BlockHandle handle_ = nullptr;
};

// Keeps a block locked for a scope.
class BlockLock {
 public:
  explicit BlockLock(BlockHandle h) : handle_(h), data_(LockBlock(h)) {}
  ~BlockLock() { UnlockBlock(handle_); }
  BlockLock(const BlockLock&) = delete;
  BlockLock& operator=(const BlockLock&) = delete;

  std::uint8_t* data() const { return data_; }
  std::size_t size() const { return BlockSize(handle_); }

 private:
  BlockHandle handle_;
  std::uint8_t* data_;
};

}  // namespace platform
