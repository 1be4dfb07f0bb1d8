#include "zcl/base/ZCL.Threading.Sorting.h"

#include <memory>
#include <utility>

#include "rtl/RTL.Threads.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Threading.h"

namespace {

// The classic in-place quicksort with the middle pivot followed by index. The smaller side is
// sorted recursively and the larger one in the loop, so the stack stays logarithmic; the element
// order is the same as recursing always on the left. The bounds on the scans only matter for a
// comparison that is not consistent (one that does not find the pivot equal to itself).
template <class T, class TCompare>
void QuickSortRange(T* Data, Integer Left, Integer Right, const TCompare& Compare) {
  while (Left < Right) {
    Integer i = Left, j = Right, p = Left + (Right - Left) / 2;
    do {
      while (i < Right && Compare(Data[i], Data[p]) < 0) ++i;
      while (j > Left && Compare(Data[j], Data[p]) > 0) --j;
      if (i <= j) {
        if (i != j) {
          using std::swap;
          swap(Data[i], Data[j]);
        }
        if (p == i)
          p = j;
        else if (p == j)
          p = i;
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - Left < Right - i) {
      if (Left < j) QuickSortRange(Data, Left, j, Compare);
      Left = i;
    } else {
      if (i < Right) QuickSortRange(Data, i, Right, Compare);
      Right = j;
    }
  }
}

// Merges the sorted runs Left .. Middle and Middle + 1 .. Right through Temp (indexed like Data).
// On equal elements the right run's element goes first.
template <class T, class TCompare>
void MergeRuns(T* Data, T* Temp, Integer Left, Integer Middle, Integer Right, const TCompare& Compare) {
  for (Integer k = Left; k <= Right; ++k) Temp[k] = std::move(Data[k]);
  Integer a = Left, b = Middle + 1, out = Left;
  while (a <= Middle && b <= Right) {
    if (Compare(Temp[a], Temp[b]) < 0)
      Data[out++] = std::move(Temp[a++]);
    else
      Data[out++] = std::move(Temp[b++]);
  }
  while (a <= Middle) Data[out++] = std::move(Temp[a++]);
  while (b <= Right) Data[out++] = std::move(Temp[b++]);
}

}  // namespace

// ---- TZCLCustomMultithreadedSorter ------------------------------------------------------------------

TZCLCustomMultithreadedSorter::~TZCLCustomMultithreadedSorter() { delete FEvent; }

Integer TZCLCustomMultithreadedSorter::ChunkCountFor(Integer ProcessorCount) {
  if (ProcessorCount <= 1) return 1;
  return ProcessorCount < 4 ? 8 : 16;
}

std::vector<TZCLCustomMultithreadedSorter::TSortChunk> TZCLCustomMultithreadedSorter::SplitIntoChunks(
    Integer Count, Integer ChunkCount) {
  std::vector<TSortChunk> chunks(static_cast<size_t>(std::max(ChunkCount, 0)));
  const Integer size = ChunkCount > 0 ? Count / ChunkCount : 0, extra = ChunkCount > 0 ? Count % ChunkCount : 0;
  Integer left = 0;
  for (Integer i = 0; i < ChunkCount; ++i) {
    const Integer n = size + (i < extra ? 1 : 0);
    chunks[static_cast<size_t>(i)] = {nullptr, left, left + n - 1};
    left += n;
  }
  return chunks;
}

Integer TZCLCustomMultithreadedSorter::GetChunkCount() const { return ChunkCountFor(CPUCount()); }

void TZCLCustomMultithreadedSorter::Sort(bool UseThreads) {
  const Integer chunkCount = GetChunkCount();
  if (!UseThreads || chunkCount <= 1 || FCount <= chunkCount || FCount <= 100) {
    if (FCount > 1) QuickSort(0, FCount - 1);
    return;
  }
  FError = nullptr;
  FEvent = new TZCLEvent(true, false);
  struct TEventRelease {
    TZCLEvent*& Event;
    ~TEventRelease() {
      delete Event;
      Event = nullptr;
    }
  } eventRelease{FEvent};

  FSortChunks = SplitIntoChunks(FCount, chunkCount);
  for (TSortChunk& chunk : FSortChunks) chunk.Owner = this;
  FPendingCount.store(chunkCount);
  for (Integer i = 0; i < chunkCount; ++i) {
    try {
      QueueWorkItem(SortChunkProc, &FSortChunks[static_cast<size_t>(i)]);
    } catch (...) {
      // The items not queued count as done, so the wait ends once the queued ones finish.
      for (Integer k = i; k < chunkCount; ++k) TaskDone(k == i ? std::current_exception() : nullptr);
      break;
    }
  }
  WaitForPhase();
  MergeAll();
}

void TZCLCustomMultithreadedSorter::MergeAll() {
  Integer pairs = static_cast<Integer>(FSortChunks.size()) / 2;
  while (pairs > 0) {
    FEvent->Reset();
    FMergeChunks.assign(static_cast<size_t>(pairs), TMergeChunk());
    FPendingCount.store(pairs);
    for (Integer i = 0; i < pairs; ++i) {
      const TSortChunk& first = FSortChunks[static_cast<size_t>(2 * i)];
      const TSortChunk& second = FSortChunks[static_cast<size_t>(2 * i + 1)];
      FMergeChunks[static_cast<size_t>(i)] = {second.Right, first.Right, this, first.Left};
      FSortChunks[static_cast<size_t>(i)] = {this, first.Left, second.Right};
    }
    for (Integer i = 0; i < pairs; ++i) {
      try {
        QueueWorkItem(MergeChunkProc, &FMergeChunks[static_cast<size_t>(i)]);
      } catch (...) {
        for (Integer k = i; k < pairs; ++k) TaskDone(k == i ? std::current_exception() : nullptr);
        break;
      }
    }
    WaitForPhase();
    pairs /= 2;
  }
}

void TZCLCustomMultithreadedSorter::SortChunkProc(void* Context) {
  auto* chunk = static_cast<TSortChunk*>(Context);
  std::exception_ptr error;
  try {
    if (chunk->Left < chunk->Right) chunk->Owner->QuickSort(chunk->Left, chunk->Right);
  } catch (...) {
    error = std::current_exception();
  }
  chunk->Owner->TaskDone(error);
}

void TZCLCustomMultithreadedSorter::MergeChunkProc(void* Context) {
  auto* chunk = static_cast<TMergeChunk*>(Context);
  std::exception_ptr error;
  try {
    chunk->Owner->Merge(chunk->Left, chunk->Middle, chunk->Right);
  } catch (...) {
    error = std::current_exception();
  }
  chunk->Owner->TaskDone(error);
}

void TZCLCustomMultithreadedSorter::TaskDone(std::exception_ptr Error) {
  if (Error) {
    std::lock_guard<std::mutex> guard(FErrorLock);
    if (!FError) FError = std::move(Error);
  }
  // The event outlives this call: the owner waits for it before it frees anything.
  if (FPendingCount.fetch_sub(1, std::memory_order_acq_rel) == 1) FEvent->Signal();
}

void TZCLCustomMultithreadedSorter::WaitForPhase() {
  FEvent->WaitForNoSynchronize();
  std::exception_ptr error;
  {
    std::lock_guard<std::mutex> guard(FErrorLock);
    error = std::exchange(FError, nullptr);
  }
  if (error) std::rethrow_exception(error);
}

// ---- TZCLMultithreadedListSorter --------------------------------------------------------------------

TZCLMultithreadedListSorter::TZCLMultithreadedListSorter(Pointer* AData, Integer ACount, TListSortCompareFunc ACompare)
    : TZCLCustomMultithreadedSorter(ACount), FCompare(std::move(ACompare)), FData(AData) {}

void TZCLMultithreadedListSorter::Sort(Pointer* Data, Integer Count, const TListSortCompareFunc& Compare,
                                       bool UseThreads) {
  if (Data == nullptr || Count < 2) return;
  TZCLMultithreadedListSorter sorter(Data, Count, Compare);
  sorter.Sort(UseThreads);
}

void TZCLMultithreadedListSorter::Sort(TList* List, const TListSortCompareFunc& Compare, bool UseThreads) {
  if (List != nullptr) Sort(List->GetList(), List->GetCount(), Compare, UseThreads);
}

void TZCLMultithreadedListSorter::MergeAll() {
  FTemp.assign(static_cast<size_t>(GetCount()), nullptr);
  struct TRelease {
    std::vector<Pointer>& Temp;
    ~TRelease() { std::vector<Pointer>().swap(Temp); }
  } release{FTemp};
  inherited::MergeAll();
}

void TZCLMultithreadedListSorter::Merge(Integer Left, Integer Middle, Integer Right) {
  MergeRuns(FData, FTemp.data(), Left, Middle, Right, FCompare);
}

void TZCLMultithreadedListSorter::QuickSort(Integer Left, Integer Right) {
  QuickSortRange(FData, Left, Right, FCompare);
}

// ---- TZCLMultithreadedStringListSorter --------------------------------------------------------------

TZCLMultithreadedStringListSorter::TZCLMultithreadedStringListSorter(TZCLStringListItem* AData, Integer ACount,
                                                                     TZCLStringListCompareProc ACompare)
    : TZCLCustomMultithreadedSorter(ACount), FCompare(std::move(ACompare)), FData(AData) {}

TZCLMultithreadedStringListSorter::~TZCLMultithreadedStringListSorter() { delete[] FTemp; }

void TZCLMultithreadedStringListSorter::Sort(TZCLStringList* List, const TZCLStringListCompareProc& Compare,
                                             bool UseThreads) {
  if (List == nullptr || List->GetCount() < 2) return;
  TZCLMultithreadedStringListSorter sorter(List->FItems.data(), List->GetCount(), Compare);
  sorter.Sort(UseThreads);
}

void TZCLMultithreadedStringListSorter::MergeAll() {
  FTemp = new TZCLStringListItem[static_cast<size_t>(GetCount())];
  struct TRelease {
    TZCLStringListItem*& Temp;
    ~TRelease() {
      delete[] Temp;
      Temp = nullptr;
    }
  } release{FTemp};
  inherited::MergeAll();
}

void TZCLMultithreadedStringListSorter::Merge(Integer Left, Integer Middle, Integer Right) {
  MergeRuns(FData, FTemp, Left, Middle, Right,
            [this](const TZCLStringListItem& A, const TZCLStringListItem& B) { return FCompare(&A, &B); });
}

void TZCLMultithreadedStringListSorter::QuickSort(Integer Left, Integer Right) {
  QuickSortRange(FData, Left, Right,
                 [this](const TZCLStringListItem& A, const TZCLStringListItem& B) { return FCompare(&A, &B); });
}
