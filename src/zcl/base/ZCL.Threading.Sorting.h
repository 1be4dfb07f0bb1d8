#pragma once
// Sorting on the system thread pool: an array is cut into chunks that are quicksorted in parallel,
// then neighbouring runs are merged pairwise, again in parallel, until one run remains. Small
// arrays, and machines with one processor, sort on the calling thread.

#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <vector>

#include "rtl/RTL.Lists.h"
#include "rtl/RTL.Objects.h"

class TZCLEvent;
class TZCLStringList;
struct TZCLStringListItem;

class TZCLCustomMultithreadedSorter : public TObject {
  ZCL_CLASS(TZCLCustomMultithreadedSorter, TObject)
 public:
  // Inclusive index ranges.
  struct TSortChunk {
    TZCLCustomMultithreadedSorter* Owner = nullptr;
    Integer Left = 0;
    Integer Right = 0;
  };
  // The runs Left .. Middle and Middle + 1 .. Right.
  struct TMergeChunk {
    Integer Right = 0;
    Integer Middle = 0;
    TZCLCustomMultithreadedSorter* Owner = nullptr;
    Integer Left = 0;
  };

  explicit TZCLCustomMultithreadedSorter(Integer ACount) : FCount(ACount) {}
  ~TZCLCustomMultithreadedSorter() override;

  // Sorts on the pool when UseThreads is set and the array is large enough, else on the calling
  // thread. The first exception of any work item is raised again here once every item of its
  // phase has finished; the array then holds a permutation of its elements.
  virtual void Sort(bool UseThreads);

  // 1 for one processor, 8 for two or three, 16 for more: powers of two, so pairwise merging
  // ends with one run.
  static Integer ChunkCountFor(Integer ProcessorCount);
  // ChunkCount ranges over Count elements in index order; the first Count mod ChunkCount get one
  // element more.
  static std::vector<TSortChunk> SplitIntoChunks(Integer Count, Integer ChunkCount);

  Integer GetCount() const { return FCount; }

 protected:
  // Chunk count of the threaded path; ChunkCountFor of the machine's processors.
  virtual Integer GetChunkCount() const;
  // The merge rounds; concrete sorters hold their work array around it.
  virtual void MergeAll();
  virtual void Merge(Integer Left, Integer Middle, Integer Right) = 0;
  virtual void QuickSort(Integer Left, Integer Right) = 0;

 private:
  static void SortChunkProc(void* Context);
  static void MergeChunkProc(void* Context);
  // Bookkeeping of a finished work item: keeps the first error; the last one signals.
  void TaskDone(std::exception_ptr Error);
  // Waits for the phase, then raises its first error.
  void WaitForPhase();

  std::atomic<Integer> FPendingCount{0};
  TZCLEvent* FEvent = nullptr;
  std::vector<TMergeChunk> FMergeChunks;
  std::vector<TSortChunk> FSortChunks;
  Integer FCount;
  std::mutex FErrorLock;
  std::exception_ptr FError;
};

// Sorts a platform pointer list.
class TZCLMultithreadedListSorter : public TZCLCustomMultithreadedSorter {
  ZCL_CLASS(TZCLMultithreadedListSorter, TZCLCustomMultithreadedSorter)
 public:
  TZCLMultithreadedListSorter(Pointer* AData, Integer ACount, TListSortCompareFunc ACompare);
  static void Sort(TList* List, const TListSortCompareFunc& Compare, bool UseThreads);
  static void Sort(Pointer* Data, Integer Count, const TListSortCompareFunc& Compare, bool UseThreads);
  using TZCLCustomMultithreadedSorter::Sort;

 protected:
  void MergeAll() override;
  void Merge(Integer Left, Integer Middle, Integer Right) override;
  void QuickSort(Integer Left, Integer Right) override;

 private:
  TListSortCompareFunc FCompare;
  Pointer* FData;
  std::vector<Pointer> FTemp;
};

// Negative, 0 or positive; both items are the list's own (by address).
using TZCLStringListCompareProc =
    std::function<Integer(const TZCLStringListItem* Left, const TZCLStringListItem* Right)>;

// Sorts the items of a TZCLStringList, moving whole items.
class TZCLMultithreadedStringListSorter : public TZCLCustomMultithreadedSorter {
  ZCL_CLASS(TZCLMultithreadedStringListSorter, TZCLCustomMultithreadedSorter)
 public:
  TZCLMultithreadedStringListSorter(TZCLStringListItem* AData, Integer ACount, TZCLStringListCompareProc ACompare);
  ~TZCLMultithreadedStringListSorter() override;
  static void Sort(TZCLStringList* List, const TZCLStringListCompareProc& Compare, bool UseThreads);
  using TZCLCustomMultithreadedSorter::Sort;

 protected:
  void MergeAll() override;
  void Merge(Integer Left, Integer Middle, Integer Right) override;
  void QuickSort(Integer Left, Integer Right) override;

 private:
  TZCLStringListCompareProc FCompare;
  TZCLStringListItem* FData;
  TZCLStringListItem* FTemp = nullptr;
};
