#pragma once
// Helpers shared by the component library foundation's tests.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Streams.h"

// The message of the E that Action raises; fails the test when it raises nothing or another type.
template <class E>
std::string RaisedMessage(const std::function<void()>& Action) {
  try {
    Action();
  } catch (const Exception& e) {
    if constexpr (std::is_same_v<E, Exception>)
      return StringToUTF8(e.GetMessage());
    else if (dynamic_cast<const E*>(&e) != nullptr)
      return StringToUTF8(e.GetMessage());
    ADD_FAILURE() << "raised " << StringToUTF8(e.ClassName()) << ": " << StringToUTF8(e.GetMessage());
    return {};
  }
  ADD_FAILURE() << "raised nothing";
  return {};
}

// An object that writes its id into a log when it is destroyed, so tests see what was freed and
// how often.
class TTracked : public TObject {
 public:
  TTracked(std::vector<int>& Log, int Id) : FLog(Log), Id(Id) {}
  ~TTracked() override { FLog.push_back(Id); }
  std::vector<int>& FLog;
  int Id;
};

// Gives at most Chunk bytes per read, so every block boundary of a reader's input is crossed.
class TTrickleStream : public TBytesStream {
 public:
  TTrickleStream(const std::string& Bytes, Integer Chunk)
      : TBytesStream(TBytes(Bytes.begin(), Bytes.end())), FChunk(Chunk) {}
  Integer Read(void* Buffer, Integer Count) override { return TBytesStream::Read(Buffer, std::min(Count, FChunk)); }

 private:
  Integer FChunk;
};
