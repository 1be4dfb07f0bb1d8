#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <stdexcept>
#include <vector>

#include "rtl/RTL.Lists.h"
#include "zcl/base/ZCL.Threading.Sorting.h"

namespace {

TEST(MultithreadedSorter, ChunksFollowTheProcessorCount) {
  EXPECT_EQ(TZCLCustomMultithreadedSorter::ChunkCountFor(1), 1);
  EXPECT_EQ(TZCLCustomMultithreadedSorter::ChunkCountFor(2), 8);
  EXPECT_EQ(TZCLCustomMultithreadedSorter::ChunkCountFor(3), 8);
  EXPECT_EQ(TZCLCustomMultithreadedSorter::ChunkCountFor(4), 16);
  EXPECT_EQ(TZCLCustomMultithreadedSorter::ChunkCountFor(64), 16);

  // 101 elements in 16 chunks: five of 7, then eleven of 6, contiguous.
  const auto chunks = TZCLCustomMultithreadedSorter::SplitIntoChunks(101, 16);
  ASSERT_EQ(chunks.size(), 16u);
  Integer next = 0;
  for (size_t i = 0; i < chunks.size(); ++i) {
    EXPECT_EQ(chunks[i].Left, next);
    EXPECT_EQ(chunks[i].Right - chunks[i].Left + 1, i < 5 ? 7 : 6) << i;
    next = chunks[i].Right + 1;
  }
  EXPECT_EQ(next, 101);
}

// Sorts integers stored in the pointers, with a chosen chunk count and an optional failure.
class TIntSorter : public TZCLMultithreadedListSorter {
 public:
  TIntSorter(std::vector<Pointer>& Data, Integer Chunks, TListSortCompareFunc Compare)
      : TZCLMultithreadedListSorter(Data.data(), static_cast<Integer>(Data.size()), std::move(Compare)),
        FChunks(Chunks) {}

 protected:
  Integer GetChunkCount() const override { return FChunks; }

 private:
  Integer FChunks;
};

intptr_t Value(Pointer P) { return reinterpret_cast<intptr_t>(P); }
Integer CompareInts(Pointer A, Pointer B) { return Value(A) < Value(B) ? -1 : Value(A) > Value(B) ? 1 : 0; }

std::vector<Pointer> Shuffled(Integer Count, unsigned Seed) {
  std::vector<Pointer> data;
  for (Integer i = 0; i < Count; ++i) data.push_back(reinterpret_cast<Pointer>(static_cast<intptr_t>(i % 97)));
  std::shuffle(data.begin(), data.end(), std::mt19937(Seed));
  return data;
}

TEST(MultithreadedSorter, SortsOnAndOffThePool) {
  struct Case {
    Integer Count, Chunks;
    bool Threads;
  } cases[] = {{0, 16, true},  {1, 16, true},    {2, 16, true},   {100, 16, true},   {101, 16, true},
               {101, 8, true}, {5000, 16, true}, {5000, 1, true}, {5000, 16, false}, {17, 16, true}};
  for (const Case& c : cases) {
    std::vector<Pointer> data = Shuffled(c.Count, static_cast<unsigned>(c.Count));
    std::vector<Pointer> expected = data;
    std::sort(expected.begin(), expected.end(), [](Pointer a, Pointer b) { return Value(a) < Value(b); });
    TIntSorter sorter(data, c.Chunks, CompareInts);
    sorter.Sort(c.Threads);
    EXPECT_EQ(data, expected) << c.Count << " " << c.Chunks;
  }
  // Worst cases of a middle pivot do not exhaust the stack.
  std::vector<Pointer> sorted;
  for (intptr_t i = 0; i < 200000; ++i) sorted.push_back(reinterpret_cast<Pointer>(i % 2 ? i : 200000 - i));
  TZCLMultithreadedListSorter::Sort(sorted.data(), static_cast<Integer>(sorted.size()), CompareInts, false);
  EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end(), [](Pointer a, Pointer b) { return Value(a) < Value(b); }));
}

TEST(MultithreadedSorter, ThreadedSortsReportTheFirstErrorAfterAllItemsFinish) {
  // A failing comparison in one chunk: the caller gets the error, every other item still ran to
  // its end, and the array keeps all its elements.
  std::vector<Pointer> data = Shuffled(5000, 7);
  std::vector<Pointer> before = data;
  std::atomic<Integer> running{0};
  std::atomic<bool> failed{false};
  auto compare = [&](Pointer A, Pointer B) -> Integer {
    ++running;
    if (Value(A) == 13 && !failed.exchange(true)) {
      --running;
      throw std::runtime_error("compare failed");
    }
    --running;
    return CompareInts(A, B);
  };
  TIntSorter sorter(data, 16, compare);
  EXPECT_THROW(sorter.Sort(true), std::runtime_error);
  EXPECT_EQ(running.load(), 0);  // nothing still comparing once the error reached the caller
  std::sort(before.begin(), before.end());
  std::sort(data.begin(), data.end());
  EXPECT_EQ(data, before);

  // On the calling thread the error passes straight through.
  std::vector<Pointer> small = Shuffled(50, 3);
  failed = false;
  TIntSorter single(small, 16, compare);
  EXPECT_THROW(single.Sort(true), std::runtime_error);
}

}  // namespace
