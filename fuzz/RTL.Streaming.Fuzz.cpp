#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streaming.Text.h"
#include "rtl/RTL.Streaming.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.TypInfo.h"
#include "rtl/RTL.Units.h"

namespace {

class TFuzzFont : public TPersistent {
  ZCL_CLASS(TFuzzFont, TPersistent)
 public:
  Integer FSize = 0;
  String FName;
  static void DeclareProperties(TClassDeclaration<TFuzzFont>& D) {
    D.Property(u"Size", &TFuzzFont::FSize, &TFuzzFont::FSize).Default(0);
    D.Property(u"Name", &TFuzzFont::FName, &TFuzzFont::FName);
  }
};

class TFuzzItem : public TCollectionItem {
  ZCL_CLASS(TFuzzItem, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  double FValue = 0;
  static void DeclareProperties(TClassDeclaration<TFuzzItem>& D) {
    D.Property(u"Value", &TFuzzItem::FValue, &TFuzzItem::FValue);
  }
};

// Every kind of streamed value, so that damaged streams reach every reading path.
class TFuzzNode : public TComponent {
  ZCL_CLASS(TFuzzNode, TComponent)
 public:
  explicit TFuzzNode(TComponent* AOwner) : TComponent(AOwner) {
    FFont = Create<TFuzzFont>();
    FItems = Create<TOwnedCollection>(this, TFuzzItem::StaticClass());
  }
  ~TFuzzNode() override {
    Free(FFont);
    Free(FItems);
  }
  static void DeclareProperties(TClassDeclaration<TFuzzNode>& D) {
    D.Property(u"Caption", &TFuzzNode::FCaption, &TFuzzNode::FCaption);
    D.Property(u"Count", &TFuzzNode::FCount, &TFuzzNode::FCount).Default(0);
    D.Property(u"Flag", &TFuzzNode::FFlag, &TFuzzNode::FFlag).Default(false);
    D.Property(u"Big", &TFuzzNode::FBig, &TFuzzNode::FBig);
    D.Property(u"Letter", &TFuzzNode::FLetter, &TFuzzNode::FLetter).Default(0);
    D.Property(u"Font", &TFuzzNode::FFont);
    D.Property(u"Items", &TFuzzNode::FItems);
    D.Property(u"Link", &TFuzzNode::FLink, &TFuzzNode::FLink);
  }
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override {
    if (Root == this)
      for (Integer i = 0; i < GetComponentCount(); ++i) Proc(GetComponent(i));
  }

 protected:
  void DefineProperties(TFiler* Filer) override {
    Filer->DefineBinaryProperty(
        u"Data", [this](TStream* S) { FData = S->GetSize(); }, nullptr, false);
  }
  void Notification(TComponent* AComponent, TOperation Operation) override {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FLink) FLink = nullptr;
  }

 private:
  String FCaption;
  Integer FCount = 0;
  bool FFlag = false;
  Int64 FBig = 0;
  Char FLetter = 0;
  Int64 FData = 0;
  TFuzzFont* FFont = nullptr;
  TOwnedCollection* FItems = nullptr;
  TComponent* FLink = nullptr;
};

bool Initialize() {
  InitializeUnits(RtlUnits());
  RegisterProperties<TFuzzFont>();
  RegisterProperties<TFuzzItem>();
  RegisterProperties<TFuzzNode>();
  RegisterClass(TFuzzNode::StaticClass());
  return true;
}

TBytes Contents(TBytesStream& S) {
  TBytes b = S.GetBytes();
  b.resize(static_cast<size_t>(S.GetSize()));
  return b;
}

}  // namespace

// Outside data, read as a binary component stream and as text: it loads or fails with a read,
// parser or component error, never a crash or a runaway allocation. Text that converts gives a
// binary stream that converts back to text and again to the same bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = Initialize();
  (void)initialized;
  const TBytes input(Data, Data + Size);
  try {
    TBytesStream in(input);
    Free(ReadComponent(&in, nullptr));
  } catch (const EStreamError&) {
  } catch (const EComponentError&) {
  }
  try {
    TBytesStream in(input), out;
    ObjectBinaryToText(&in, &out);
  } catch (const EReadError&) {
  }
  TBytes binary;
  try {
    TBytesStream in(input), out;
    ObjectTextToBinary(&in, &out);
    binary = Contents(out);
  } catch (const EParserError&) {
    return 0;
  } catch (const EWriteError&) {  // a name longer than a binary name can hold
    return 0;
  }
  TBytesStream binaryIn(binary), text;
  ObjectBinaryToText(&binaryIn, &text);
  text.SetPosition(0);
  TBytesStream again;
  ObjectTextToBinary(&text, &again);
  if (Contents(again) != binary) std::abort();
  return 0;
}
