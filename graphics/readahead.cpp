// The read-ahead slot and TReadGraphicThread, the thread that fills it.
#include "graphics/readahead.h"

#include <sys/resource.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

struct TReadAheadSlot::State {
  mutable std::mutex mutex;
  mutable std::condition_variable finished;
  std::unique_ptr<TDibGraphic> graphic;
  // Moves on with every request and every take; a thread stores its result
  // only into the generation it was started for.
  std::uint64_t generation = 0;
  int32_t running = 0;
};

namespace {

// The thread gives way to everything else on the machine: the user is not
// waiting for it yet.
void LowerThreadPriority() {
  constexpr int kLowestPriority = 19;  // the largest nice value
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kLowestPriority);
}

// Decodes one file into a graphic of its own and hands it to the slot. It
// runs detached and frees itself when done; the shared state outlives the
// slot for as long as the thread needs it.
class TReadGraphicThread {
 public:
  static void Start(std::shared_ptr<TReadAheadSlot::State> state, std::uint64_t generation,
                    std::string fileName) {
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      ++state->running;
    }
    std::thread([state = std::move(state), generation, name = std::move(fileName)] {
      TReadGraphicThread{state, generation, name}.Run();
    }).detach();
  }

 private:
  TReadGraphicThread(std::shared_ptr<TReadAheadSlot::State> state, std::uint64_t generation,
                     std::string fileName)
      : state_(std::move(state)), generation_(generation), fileName_(std::move(fileName)) {}

  void Run() {
    LowerThreadPriority();
    EmptySlot();
    Publish(Decode());
    std::lock_guard<std::mutex> lock(state_->mutex);
    --state_->running;
    state_->finished.notify_all();
  }

  void EmptySlot() {
    std::unique_ptr<TDibGraphic> old;
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->generation == generation_) old = std::move(state_->graphic);
  }

  // The decoded graphic, or nullptr when the file is missing or fails to
  // decode (the failure is the loader's to report when the file is opened).
  std::unique_ptr<TDibGraphic> Decode() const {
    std::error_code error;
    if (!std::filesystem::exists(fileName_, error)) return nullptr;
    try {
      std::unique_ptr<TDibGraphic> graphic = CreateGraphicFor(fileName_);
      std::ifstream file(fileName_, std::ios::binary);
      if (!file) return nullptr;
      graphic->LoadFromStream(file);
      if (graphic->IsEmpty()) return nullptr;
      return graphic;
    } catch (...) {
      return nullptr;
    }
  }

  // Stores the graphic whole, once, unless the slot moved on since the
  // thread started; a late or superseded result stays in `graphic` and is
  // freed with it, after the lock is released.
  void Publish(std::unique_ptr<TDibGraphic> graphic) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (graphic && state_->generation == generation_) state_->graphic = std::move(graphic);
  }

  std::shared_ptr<TReadAheadSlot::State> state_;
  std::uint64_t generation_;
  std::string fileName_;
};

}  // namespace

TReadAheadSlot::TReadAheadSlot() : state_(std::make_shared<State>()) {}

TReadAheadSlot::~TReadAheadSlot() {
  std::unique_ptr<TDibGraphic> old;
  std::lock_guard<std::mutex> lock(state_->mutex);
  ++state_->generation;
  old = std::move(state_->graphic);
}

void TReadAheadSlot::Request(const std::string& fileName) {
  std::unique_ptr<TDibGraphic> old;
  std::uint64_t generation = 0;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    old = std::move(state_->graphic);
    generation = ++state_->generation;
  }
  TReadGraphicThread::Start(state_, generation, fileName);
}

std::unique_ptr<TDibGraphic> TReadAheadSlot::Take() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  ++state_->generation;
  return std::move(state_->graphic);
}

bool TReadAheadSlot::Empty() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->graphic == nullptr;
}

void TReadAheadSlot::Wait() const {
  std::unique_lock<std::mutex> lock(state_->mutex);
  state_->finished.wait(lock, [this] { return state_->running == 0; });
}
