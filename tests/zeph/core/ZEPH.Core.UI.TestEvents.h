#pragma once
// A plugin's events handler for the control-wrapper tests: counts changes by sender and records
// context-menu points.

#include <vector>

#include "zeph/core/ZEPH.Core.UI.h"

class TTestUIEvents : public TInterfacedObject, public IZEPHUIChangeEvents, public IZEPHUIPopupEvents {
  ZCL_CLASS(TTestUIEvents, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHUIChangeEvents, IZEPHUIPopupEvents)
 public:
  void OnChanged(IInterface* Sender) override { Senders.push_back(Sender); }
  LongBool OnContextPopup(IInterface*, Integer X, Integer Y) override {
    Popups.emplace_back(X, Y);
    return 0;
  }
  Integer Changes() const { return Integer(Senders.size()); }
  IInterface* AsHandler() { return static_cast<IZEPHUIChangeEvents*>(this); }

  std::vector<IInterface*> Senders;
  std::vector<TPoint> Popups;
};

inline IPtr<TTestUIEvents> NewTestUIEvents() { return IPtr<TTestUIEvents>(Create<TTestUIEvents>()); }
