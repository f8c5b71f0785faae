// The process heap for test builds: calloc and free behind a countdown that
// fails a chosen allocation, with counts of live blocks and bytes. Each block
// carries its requested size in a header in front of it. The counters are
// atomic so that tests may load on several threads; the countdown is meant
// for one thread at a time.

#include "platform/heap_fault_injection.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>

#include "platform/platform.h"

namespace korvel::platform {

namespace {

// Keeps the block behind it aligned as calloc's own blocks are.
struct alignas(alignof(std::max_align_t)) BlockHeader {
  size_t bytes;
};

std::atomic<size_t> failCountdown{0};
std::atomic<size_t> allocations{0};
std::atomic<size_t> liveBlocks{0};
std::atomic<size_t> liveBytes{0};
std::atomic<size_t> peakLiveBytes{0};
std::atomic<size_t> largestBlock{0};

void RaiseTo(std::atomic<size_t>& mark, size_t value) {
  size_t seen = mark.load();
  while (value > seen && !mark.compare_exchange_weak(seen, value)) {
  }
}

// True when this allocation is the one the countdown points at.
bool ThisOneFails() {
  size_t left = failCountdown.load();
  while (left != 0 && !failCountdown.compare_exchange_weak(left, left - 1)) {
  }
  return left == 1;
}

}  // namespace

void* AllocateZeroed(size_t bytes) {
  ++allocations;
  RaiseTo(largestBlock, bytes);
  if (ThisOneFails() || bytes > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
  auto* header = static_cast<BlockHeader*>(calloc(sizeof(BlockHeader) + (bytes == 0 ? 1 : bytes), 1));
  if (header == nullptr) return nullptr;
  header->bytes = bytes;
  ++liveBlocks;
  RaiseTo(peakLiveBytes, liveBytes += bytes);
  return header + 1;
}

bool Release(void* block) {
  if (block == nullptr) return true;
  BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
  liveBytes -= header->bytes;
  --liveBlocks;
  free(header);
  return true;
}

namespace heap_faults {

void FailAllocation(size_t n) { failCountdown = n; }

void Reset() {
  failCountdown = 0;
  allocations = 0;
  peakLiveBytes = liveBytes.load();
  largestBlock = 0;
}

size_t Allocations() { return allocations; }
size_t LiveBlocks() { return liveBlocks; }
size_t LiveBytes() { return liveBytes; }
size_t PeakLiveBytes() { return peakLiveBytes; }
size_t LargestBlock() { return largestBlock; }

}  // namespace heap_faults

}  // namespace korvel::platform
