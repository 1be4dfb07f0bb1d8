#pragma once
// What the dialog search finds inside a control, under which texts and group path, and how it
// is brought into view: adapters registered per control class (the nearest registered ancestor
// answers for a class without its own), and the builder that walks controls into candidates.
// Adapters are stateless: each adapter class has one shared instance, and every operation
// takes the object it describes.

#include <vector>

#include "vcl/VCL.Controls.h"
#include "zcl/base/ZCL.Classes.Collections.h"

class TZCLUIInsightSearchQueueBuilder;

class TZCLUIInsightCandidate : public TObject {
  ZCL_CLASS(TZCLUIInsightCandidate, TObject)
 public:
  // Outermost first, the control itself last; the searched root is not in it.
  std::vector<TObject*> Controls;
  String Path;
  String Text;
  TZCLUIInsightCandidate* Clone() const;
};

class TZCLUIInsightCandidates : public TZCLObjectListOf<TZCLUIInsightCandidate> {
  ZCL_CLASS(TZCLUIInsightCandidates, TZCLObjectListOf<TZCLUIInsightCandidate>)
 public:
  using TZCLObjectListOf<TZCLUIInsightCandidate>::TZCLObjectListOf;
};

class TZCLUIInsightAdapter : public TObject {
  ZCL_CLASS(TZCLUIInsightAdapter, TObject)
 public:
  // Screen rectangle; false when the object is not on screen.
  virtual bool GetBounds(TObject* Object, TRect& Bounds) const;
  virtual bool GetCaption(TObject* Object, String& Text) const;
  virtual void EnumChildren(TObject* Object, TZCLUIInsightSearchQueueBuilder* Builder) const;
  // The part of the path of everything found inside the object.
  virtual bool GetGroupCaption(TObject* Object, String& Text) const;
  virtual bool GetKeywords(TObject* Object, String& Text) const;
  // False when the object cannot be brought into view.
  virtual bool MakeVisible(TObject* Object) const;
};

class TZCLUIInsightAdapterControl : public TZCLUIInsightAdapter {
  ZCL_CLASS(TZCLUIInsightAdapterControl, TZCLUIInsightAdapter)
 public:
  bool GetBounds(TObject* Object, TRect& Bounds) const override;
  bool GetCaption(TObject* Object, String& Text) const override;
  bool GetKeywords(TObject* Object, String& Text) const override;
};

class TZCLUIInsightAdapterWinControl : public TZCLUIInsightAdapterControl {
  ZCL_CLASS(TZCLUIInsightAdapterWinControl, TZCLUIInsightAdapterControl)
 public:
  bool GetBounds(TObject* Object, TRect& Bounds) const override;
  void EnumChildren(TObject* Object, TZCLUIInsightSearchQueueBuilder* Builder) const override;
};

class TZCLUIInsight {
 public:
  // The shared instance of adapter class A answers for ControlClass and the classes below it;
  // a class registered twice raises the class map's duplicate error.
  template <class A>
  static void Register(TClass ControlClass) {
    static const A instance;
    Register(ControlClass, &instance);
  }
  static void Register(TClass ControlClass, const TZCLUIInsightAdapter* Adapter);
  // The adapter of the object's class or its nearest registered ancestor; false for nil.
  static bool GetAdapter(TObject* Object, const TZCLUIInsightAdapter*& Adapter);
  static void Finalize();
};

class TZCLUIInsightSearchQueueBuilder : public TObject {
  ZCL_CLASS(TZCLUIInsightSearchQueueBuilder, TObject)
 public:
  explicit TZCLUIInsightSearchQueueBuilder(TZCLUIInsightCandidates* ACandidates) : FCandidates(ACandidates) {}
  // The object's texts as candidates, then what lies inside it; skipped without an adapter.
  void Add(TObject* Object);
  // What lies inside Root; Root itself is no candidate.
  void AddChildren(TObject* Root);
  void AddCandidate(const String& Text);
  TZCLUIInsightCandidates* GetCandidates() const { return FCandidates; }

 private:
  TZCLUIInsightCandidates* FCandidates;
  std::vector<String> FPathStack;
  std::vector<TObject*> FObjectStack;
};

void RegisterInsightClasses();
void FinalizeInsight();
