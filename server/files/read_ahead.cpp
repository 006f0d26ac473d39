#include "server/files/read_ahead.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace sheetwright::files {

namespace {

// State shared by the reading side and the worker. Chunks travel from the
// free list to the worker, which fills them, to the filled queue, from which
// the reader copies them out, and back to the free list.
class ReadAheadPipe {
 public:
  ReadAheadPipe(PullSource source, size_t chunkBytes, size_t chunkCount) : source_(std::move(source)) {
    for (size_t i = 0; i < chunkCount; ++i) free_.push_back(std::make_unique<Chunk>(chunkBytes));
    worker_ = std::thread([this] { Fill(); });
  }
  ~ReadAheadPipe() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    worker_.join();
  }

  size_t Read(char* buffer, size_t capacity) {
    size_t delivered = 0;
    while (delivered < capacity) {
      if (!current_) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return !filled_.empty() || finished_; });
        if (filled_.empty()) {
          // The worker is done: rethrow its failure once everything before
          // it has been delivered.
          if (delivered == 0 && failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
          return delivered;
        }
        current_ = std::move(filled_.front());
        filled_.pop_front();
        offset_ = 0;
      }
      const size_t take = std::min(capacity - delivered, current_->size - offset_);
      std::memcpy(buffer + delivered, current_->data.data() + offset_, take);
      delivered += take;
      offset_ += take;
      if (offset_ == current_->size) {
        {
          std::lock_guard<std::mutex> lock(mutex_);
          free_.push_back(std::move(current_));
        }
        changed_.notify_all();
      }
      // Hand over what is there rather than wait for the next chunk.
      if (delivered > 0 && !current_) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (filled_.empty()) break;
      }
    }
    return delivered;
  }

 private:
  struct Chunk {
    explicit Chunk(size_t bytes) : data(bytes) {}
    std::vector<char> data;
    size_t size = 0;
  };

  void Fill() {
    bool atEnd = false;
    while (!atEnd) {
      std::unique_ptr<Chunk> chunk;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return !free_.empty() || stopping_; });
        if (stopping_) break;
        chunk = std::move(free_.back());
        free_.pop_back();
      }
      // Fill the chunk as far as the source goes; a short read is not the
      // end. Bytes read before a failure are still delivered, then the failure.
      chunk->size = 0;
      std::exception_ptr failure;
      try {
        while (chunk->size < chunk->data.size()) {
          const size_t got = source_(chunk->data.data() + chunk->size, chunk->data.size() - chunk->size);
          if (got == 0) {
            atEnd = true;
            break;
          }
          chunk->size += got;
        }
      } catch (...) {
        failure = std::current_exception();
        atEnd = true;
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (chunk->size > 0) filled_.push_back(std::move(chunk));
        failure_ = failure;
      }
      changed_.notify_all();
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      finished_ = true;
    }
    changed_.notify_all();
  }

  PullSource source_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::unique_ptr<Chunk>> free_;
  std::deque<std::unique_ptr<Chunk>> filled_;
  bool finished_ = false;  // the worker delivers nothing more
  bool stopping_ = false;  // the reader is gone
  std::exception_ptr failure_;
  std::thread worker_;

  // Reading side only.
  std::unique_ptr<Chunk> current_;
  size_t offset_ = 0;
};

}  // namespace

PullSource ReadAhead(PullSource source, size_t chunkBytes, size_t chunkCount) {
  auto pipe = std::make_shared<ReadAheadPipe>(std::move(source), std::max<size_t>(chunkBytes, 1),
                                              std::max<size_t>(chunkCount, 1));
  return [pipe](char* buffer, size_t capacity) { return pipe->Read(buffer, capacity); };
}

}  // namespace sheetwright::files
