#include "platform/memory.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <unordered_set>

#include "platform/exceptions.h"

namespace platform {

struct MemoryBlock {
  std::uint8_t* data = nullptr;
  std::size_t size = 0;
  int32_t locks = 0;
};

namespace {

constexpr const char* kInvalidHandle = "The handle is invalid.";
constexpr const char* kNoMemory =
    "Not enough memory resources are available to process this command.";
constexpr const char* kLockedMove = "The block cannot be resized while it is locked.";

struct Registry {
  std::mutex mutex;
  std::unordered_set<MemoryBlock*> live;
  // Start address -> block, for finding the handle of an address.
  std::map<const std::uint8_t*, MemoryBlock*> byAddress;
};

Registry& registry() {
  static Registry r;
  return r;
}

MemoryBlock* checked(Registry& r, BlockHandle h) {
  if (h == nullptr || r.live.count(h) == 0) throw EOSError(kInvalidHandle);
  return h;
}

// Zero-size blocks still get one byte so that every block has a distinct address.
std::uint8_t* allocBytes(std::size_t size) {
  return static_cast<std::uint8_t*>(std::calloc(size == 0 ? 1 : size, 1));
}

}  // namespace

BlockHandle AllocBlock(std::size_t size) {
  std::uint8_t* data = allocBytes(size);
  if (data == nullptr) throw EOSError(kNoMemory);
  auto* b = new (std::nothrow) MemoryBlock{data, size, 0};
  if (b == nullptr) {
    std::free(data);
    throw EOSError(kNoMemory);
  }
  Registry& r = registry();
  std::lock_guard<std::mutex> g(r.mutex);
  r.live.insert(b);
  r.byAddress.emplace(data, b);
  return b;
}

std::uint8_t* LockBlock(BlockHandle h) {
  Registry& r = registry();
  std::lock_guard<std::mutex> g(r.mutex);
  MemoryBlock* b = checked(r, h);
  ++b->locks;
  return b->data;
}

bool UnlockBlock(BlockHandle h) {
  Registry& r = registry();
  std::lock_guard<std::mutex> g(r.mutex);
  MemoryBlock* b = checked(r, h);
  if (b->locks > 0) --b->locks;
  return b->locks > 0;
}

int32_t BlockLockCount(BlockHandle h) {
  Registry& r = registry();
  std::lock_guard<std::mutex> g(r.mutex);
  return checked(r, h)->locks;
}

BlockHandle ResizeBlock(BlockHandle h, std::size_t size) {
  Registry& r = registry();
  std::lock_guard<std::mutex> g(r.mutex);
  MemoryBlock* b = checked(r, h);
  if (b->locks > 0) throw EOSError(kLockedMove);
  std::uint8_t* data = allocBytes(size);
  if (data == nullptr) throw EOSError(kNoMemory);
  std::memcpy(data, b->data, size < b->size ? size : b->size);
  r.byAddress.erase(b->data);
  std::free(b->data);
  b->data = data;
  b->size = size;
  r.byAddress.emplace(data, b);
  return b;
}

std::size_t BlockSize(BlockHandle h) {
  Registry& r = registry();
  std::lock_guard<std::mutex> g(r.mutex);
  return checked(r, h)->size;
}

BlockHandle BlockHandleOf(const void* address) {
  if (address == nullptr) return nullptr;
  const auto* p = static_cast<const std::uint8_t*>(address);
  Registry& r = registry();
  std::lock_guard<std::mutex> g(r.mutex);
  auto it = r.byAddress.upper_bound(p);
  if (it == r.byAddress.begin()) return nullptr;
  --it;
  MemoryBlock* b = it->second;
  const std::size_t extent = b->size == 0 ? 1 : b->size;
  if (p >= b->data + extent || b->locks == 0) return nullptr;
  return b;
}

void FreeBlock(BlockHandle h) {
  if (h == nullptr) return;
  Registry& r = registry();
  {
    std::lock_guard<std::mutex> g(r.mutex);
    if (r.live.erase(h) == 0) return;  // freeing twice is harmless
    r.byAddress.erase(h->data);
  }
  std::free(h->data);
  delete h;
}

std::size_t LiveBlockCount() {
  Registry& r = registry();
  std::lock_guard<std::mutex> g(r.mutex);
  return r.live.size();
}

}  // namespace platform
