#pragma once
// Scoped update locks and long operations of the tree list engine.

#include "zcl/ui/treelist/ZCL.UI.TreeList.ViewInfo.h"

// Pairs a begin call with its end call on every way out of a scope.
template <void (TZCLTreeListSubClass::*Begin)(), void (TZCLTreeListSubClass::*End)()>
class TZCLTreeListPairedCalls {
 public:
  explicit TZCLTreeListPairedCalls(TZCLTreeListSubClass* ASubClass) : FSubClass(ASubClass) { (FSubClass->*Begin)(); }
  ~TZCLTreeListPairedCalls() { (FSubClass->*End)(); }
  TZCLTreeListPairedCalls(const TZCLTreeListPairedCalls&) = delete;
  TZCLTreeListPairedCalls& operator=(const TZCLTreeListPairedCalls&) = delete;

 private:
  TZCLTreeListSubClass* FSubClass;
};

using TZCLTreeListLockedUpdate =
    TZCLTreeListPairedCalls<&TZCLTreeListSubClass::BeginUpdate, &TZCLTreeListSubClass::EndUpdate>;
using TZCLTreeListLongOperation =
    TZCLTreeListPairedCalls<&TZCLTreeListSubClass::BeginLongOperation, &TZCLTreeListSubClass::EndLongOperation>;
