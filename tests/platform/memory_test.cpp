#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/exceptions.h"
#include "platform/memory.h"

using namespace platform;

TEST(MemoryBlock, AllocatesZeroFilledAndCountsLocks) {
  BlockOwner owner(std::size_t{64});
  BlockHandle h = owner.get();
  EXPECT_EQ(BlockSize(h), 64u);
  std::uint8_t* p = LockBlock(h);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(p[i], 0);
  EXPECT_EQ(LockBlock(h), p);
  EXPECT_EQ(BlockLockCount(h), 2);
  EXPECT_EQ(BlockHandleOf(p + 10), h);
  EXPECT_TRUE(UnlockBlock(h));
  EXPECT_FALSE(UnlockBlock(h));
  EXPECT_EQ(BlockLockCount(h), 0);
  EXPECT_EQ(BlockHandleOf(p), nullptr) << "an unlocked block has no address";
}

TEST(MemoryBlock, ResizeKeepsBytesAndZeroFillsGrowth) {
  BlockOwner owner(std::size_t{4});
  {
    BlockLock lock(owner.get());
    lock.data()[3] = 0xAB;
  }
  ResizeBlock(owner.get(), 8);
  BlockLock lock(owner.get());
  EXPECT_EQ(lock.size(), 8u);
  EXPECT_EQ(lock.data()[3], 0xAB);
  EXPECT_EQ(lock.data()[7], 0);
  EXPECT_THROW(ResizeBlock(owner.get(), 16), EOSError) << "a locked block cannot move";
}

TEST(MemoryBlock, DeadHandlesAreRejected) {
  BlockHandle h = AllocBlock(4);
  FreeBlock(h);
  EXPECT_THROW(LockBlock(h), EOSError);
  EXPECT_THROW(BlockSize(h), EOSError);
  EXPECT_THROW(LockBlock(nullptr), EOSError);
  try {
    LockBlock(nullptr);
  } catch (const EOSError& e) {
    EXPECT_STREQ(e.what(), "The handle is invalid.");
  }
}

TEST(MemoryBlock, OwnerFreesOnScopeExitAndMoves) {
  const std::size_t before = LiveBlockCount();
  {
    BlockOwner a(std::size_t{16});
    BlockOwner b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(LiveBlockCount(), before + 1);
  }
  EXPECT_EQ(LiveBlockCount(), before);
}

TEST(MemoryBlock, ManyThreadsAllocateLockAndFree) {
  const std::size_t before = LiveBlockCount();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < 500; ++i) {
        BlockOwner o(static_cast<std::size_t>(32 + i % 7));
        BlockLock l(o.get());
        l.data()[0] = 1;
        ASSERT_EQ(BlockHandleOf(l.data()), o.get());
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(LiveBlockCount(), before);
}
