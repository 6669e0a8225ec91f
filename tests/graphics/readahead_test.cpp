// The read-ahead slot: a result is handed over whole and once, a missing or
// undecodable file leaves the slot empty, and a late or superseded result is
// freed rather than installed. A test format whose decoding waits for the
// test makes "late" deterministic. This suite also runs under
// ThreadSanitizer (a build with -fsanitize=thread).
#include "graphics/readahead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Decoding of ".GATED" files waits until the gate opens; the image is as wide
// as the file is long, so the test can tell files apart.
struct Gate {
  std::mutex mutex;
  std::condition_variable changed;
  bool open = true;
  int32_t waiting = 0;

  void Close() {
    std::lock_guard<std::mutex> lock(mutex);
    open = false;
  }
  void Open() {
    std::lock_guard<std::mutex> lock(mutex);
    open = true;
    changed.notify_all();
  }
  void Pass() {
    std::unique_lock<std::mutex> lock(mutex);
    ++waiting;
    changed.notify_all();
    changed.wait(lock, [this] { return open; });
    --waiting;
  }
  void AwaitWaiters(int32_t n) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] { return waiting == n; });
  }
};

Gate gGate;
std::atomic<int32_t> gLiveGraphics{0};

class TGatedGraphic : public TDibGraphic {
 public:
  TGatedGraphic() { ++gLiveGraphics; }
  ~TGatedGraphic() override { --gLiveGraphics; }

 protected:
  void ReadImage(std::span<const std::uint8_t> data, int32_t) override {
    gGate.Pass();
    if (data.empty() || data[0] == 'X') throw EZivuderoError("bad gated file");
    NewImage(static_cast<int32_t>(data.size()), 1, gfTrueColor, {}, 0, 0);
  }
};

class ReadAheadTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterGraphicFormat("GATED", "Gated test file",
                          [] { return std::unique_ptr<TDibGraphic>(new TGatedGraphic); });
  }
  void SetUp() override {
    dir_ =
        fs::temp_directory_path() / ("verevizu_readahead_" + std::to_string(::getpid()) + "_" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override {
    gGate.Open();
    fs::remove_all(dir_);
  }
  std::string File(const std::string& name, const std::string& content) const {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << content;
    return p.string();
  }
  fs::path dir_;
};

TEST_F(ReadAheadTest, DecodedGraphicIsTakenOnce) {
  TReadAheadSlot slot;
  slot.Request(File("a.gated", "abcd"));
  slot.Wait();
  ASSERT_FALSE(slot.Empty());
  const std::unique_ptr<TDibGraphic> g = slot.Take();
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->Width(), 4);
  EXPECT_TRUE(slot.Empty());
  EXPECT_EQ(slot.Take(), nullptr);
}

TEST_F(ReadAheadTest, MissingUndecodableAndUnregisteredFilesLeaveTheSlotEmpty) {
  for (const std::string& name :
       {(dir_ / "missing.gated").string(), File("bad.gated", "X"), File("b.unknownext", "abc")}) {
    TReadAheadSlot slot;
    slot.Request(name);
    slot.Wait();
    EXPECT_TRUE(slot.Empty()) << name;
  }
  EXPECT_EQ(gLiveGraphics.load(), 0);
}

TEST_F(ReadAheadTest, NewerRequestSupersedesARunningOne) {
  TReadAheadSlot slot;
  gGate.Close();
  slot.Request(File("old.gated", "old"));
  gGate.AwaitWaiters(1);
  slot.Request(File("new.gated", "newer"));
  gGate.AwaitWaiters(2);
  gGate.Open();
  slot.Wait();
  const std::unique_ptr<TDibGraphic> g = slot.Take();
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->Width(), 5);
  EXPECT_EQ(gLiveGraphics.load(), 1);  // the old result was freed
}

TEST_F(ReadAheadTest, ResultArrivingAfterTheSlotWasEmptiedIsFreed) {
  TReadAheadSlot slot;
  gGate.Close();
  slot.Request(File("late.gated", "late"));
  gGate.AwaitWaiters(1);
  EXPECT_EQ(slot.Take(), nullptr);
  gGate.Open();
  slot.Wait();
  EXPECT_TRUE(slot.Empty());
  EXPECT_EQ(gLiveGraphics.load(), 0);
}

// The GUI thread keeps requesting and taking while threads publish, with no
// synchronisation but the slot's own: every graphic taken is whole, none is
// taken twice, and every one that was not taken is freed.
TEST_F(ReadAheadTest, RequestsAndTakesRacingThePublisherHandOverWholeGraphics) {
  const std::string file = File("race.gated", "racing");
  {
    TReadAheadSlot slot;
    std::vector<std::unique_ptr<TDibGraphic>> taken;
    for (int i = 0; i < 200; ++i) {
      slot.Request(file);
      for (int k = 0; k < i % 7; ++k)
        if (auto g = slot.Take()) taken.push_back(std::move(g));
      if (slot.Empty() && i % 3 == 0) std::this_thread::yield();
    }
    slot.Wait();
    if (auto g = slot.Take()) taken.push_back(std::move(g));
    for (const auto& g : taken) EXPECT_EQ(g->Width(), 6);
    std::vector<TDibGraphic*> distinct;
    for (const auto& g : taken) distinct.push_back(g.get());
    std::sort(distinct.begin(), distinct.end());
    EXPECT_EQ(std::adjacent_find(distinct.begin(), distinct.end()), distinct.end());
    EXPECT_EQ(gLiveGraphics.load(), static_cast<int32_t>(taken.size()));
  }
  EXPECT_EQ(gLiveGraphics.load(), 0);
}

TEST_F(ReadAheadTest, ThreadOutlivingItsSlotDiscardsItsResult) {
  gGate.Close();
  {
    TReadAheadSlot slot;
    slot.Request(File("orphan.gated", "orphan"));
    gGate.AwaitWaiters(1);
  }
  gGate.Open();
  // Nothing holds the result: it is freed as soon as the thread ends.
  for (int i = 0; i < 2000 && gLiveGraphics.load() != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(gLiveGraphics.load(), 0);
}

}  // namespace
