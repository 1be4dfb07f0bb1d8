#include "zse/script/ZSE.Script.Skin.h"

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.Utils.Logger.h"
#include "zse/engine/ZSE.Skins.h"
#include "zse/script/ZSE.Script.Errors.h"
#include "zse/script/ZSE.Script.Statements.h"
#include "zse/script/ZSE.Script.XML.h"

std::function<void(const String&)> ScriptDebugOutput;
std::function<String()> ScriptSkinName;
Int64 ScriptRunBudgetMs = 5000;

String GetScriptName(const TzsScript* Program) {
  for (const TzsScript* p = Program; p; p = p->GetParent())
    if (TComponent* owner = p->GetScriptOwner())
      return owner->GetName().empty() ? String(u"UnknownScript") : owner->GetName();
  return u"UnknownScript";
}

TZSEScript::TZSEScript(TComponent* AOwner) : FProgram(new TzsScript(nullptr)), FOwner(AOwner) {
  FProgram->SetScriptOwner(AOwner);
  FProgram->SetParent(GlobalScriptProgram());
}

TZSEScript::~TZSEScript() { delete FProgram; }

String TZSEScript::GetDefaultText() const { return u"procedure Execute(Sender: TComponent);\r\nbegin\r\n\r\nend;"; }

void TZSEScript::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TZSEScript*>(Source);
  if (!source) {
    TZCLUnknownPersistent::Assign(Source);
    return;
  }
  SetText(source->FText);
  if (source->FState == 2)
    IsCompiled();
  else
    FState = source->FState;
}

void TZSEScript::SetText(const String& Value) {
  String text = Trim(Value);
  if (AnsiSameText(text, Trim(GetDefaultText()))) text.clear();
  if (text == FText) return;
  Clear();
  FText = text;
}

void TZSEScript::Clear() {
  FProgram->Clear();
  FState = 0;
}

String TZSEScript::FullSource() const { return FText + u"\r\nbegin end."; }

void TZSEScript::Compile() {
  FProgram->Clear();
  FProgram->SetSourceCode(FullSource());
  try {
    FProgram->Compile();
    // Execute is all that runs of a skin script: its variables' initial values are set here.
    FProgram->RunInitializers();
  } catch (...) {
    FState = 1;
    throw;
  }
  FState = 2;
}

bool TZSEScript::IsCompiled() {
  if (!FText.empty() && FState == 0) {
    try {
      Compile();
    } catch (const Exception&) {
    }
  }
  return FState == 2;
}

bool TZSEScript::IsEmpty() const {
  if (!FText.empty()) return false;
  for (Integer i = 0; i < FProgram->Count(); ++i) {
    auto* v = dynamic_cast<TzsCustomVariable*>(FProgram->GetItem(i));
    if (v && v->FAddedBy != ZsAddedByRTTI) return false;
  }
  return true;
}

TzsXMLDocument* TZSEScript::GetILCode() {
  if (!IsCompiled()) return new TzsXMLDocument;
  return FProgram->GetILCode();
}

void TZSEScript::Execute(TObject* Sender) {
  // An object that cannot report its destruction is known to scripts for this run only.
  const bool known = TzsObjectHandles::IsKnown(Sender);
  std::vector<Variant> args{Variant(static_cast<long long>(TzsObjectHandles::HandleOf(Sender)))};
  struct TForget {
    TObject* Obj;
    bool Keep;
    ~TForget() {
      if (!Keep && !TzsObjectHandles::IsTracked(Obj)) TzsObjectHandles::Release(Obj);
    }
  } forget{Sender, known};
  Execute(args);
}

void TZSEScript::Execute(Integer& Value) {
  std::vector<Variant> args{Variant(Value)};
  Execute(args);
  Value = args[0].AsInteger();
}

void TZSEScript::Execute(Variant& Value) {
  std::vector<Variant> args{Value};
  Execute(args);
  Value = args[0];
}

void TZSEScript::Execute(std::vector<Variant>& Args) {
  if (!IsCompiled()) return;
  auto* proc = dynamic_cast<TzsProcVariable*>(FProgram->FindLocal(u"Execute"));
  if (!proc) return;
  const Int64 previousBudget = TzsRunLimits::SetBudget(ScriptRunBudgetMs);
  try {
    // More arguments than the procedure declares has nowhere to go: an error, never a write
    // past its parameters.
    if (static_cast<Integer>(Args.size()) > proc->Count())
      throw EZScriptRunTimeError(proc->FSourcePos, u"Too many arguments for Execute: " +
                                                       IntToStr(static_cast<int>(Args.size())) + u" passed, " +
                                                       IntToStr(proc->Count()) + u" declared");
    for (size_t i = 0; i < Args.size(); ++i) proc->GetParam(static_cast<Integer>(i))->SetValue(Args[i]);
    proc->GetValue();
    for (size_t i = 0; i < Args.size(); ++i) Args[i] = proc->GetParam(static_cast<Integer>(i))->GetValue();
    TzsRunLimits::RestoreBudget(previousBudget);
  } catch (Exception& e) {
    TzsRunLimits::RestoreBudget(previousBudget);
    const String name = GetScriptName(FProgram);
    if (ScriptDebugOutput) {
      ScriptDebugOutput(name + u": " + e.GetMessage());
      return;
    }
    FState = 1;
    const String skin = ScriptSkinName ? ScriptSkinName() : String(u"Default");
    e.SetMessage(skin + u"." + name + u": " + e.GetMessage());
    throw;
  }
}

void TZSEScript::Load(const IZSEScriptSchemaNode& Node, IZSEScriptResourceSet& Resources) {
  Clear();
  const String name = Node.GetAttribute(u"value");
  std::unique_ptr<TStream> stream(Resources.OpenFile(name, ZseSkinFileKindScript));
  if (!stream) return;
  const String compiled = Node.GetAttribute(u"Compiled");
  if (compiled == u"1" || SameText(compiled, u"True")) {
    try {
      FProgram->SetILCode(stream.get());
      FProgram->RunInitializers();
      FState = 2;
    } catch (const Exception&) {
      FProgram->Clear();
      FState = 1;
    }
    return;
  }
  const Int64 size = stream->GetSize() - stream->GetPosition();
  TBytes bytes(static_cast<size_t>(std::max<Int64>(0, size)));
  if (!bytes.empty()) stream->ReadBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  TEncoding* encoding = nullptr;
  const Integer bom = TEncoding::GetBufferEncoding(bytes, encoding, TEncoding::GetUTF8());
  SetText(encoding->GetString(bytes, bom, static_cast<Integer>(bytes.size()) - bom));
}

void TZSEScript::Save(IZSEScriptSchemaNode& Node, IZSEScriptResourceSet& Resources) {
  const String name = FOwner ? FOwner->GetName() : String();
  auto saveText = [&] {
    Node.SetAttribute(u"value", name);
    Node.SetAttribute(u"Compiled", u"0");
    std::vector<Byte> data{0xFF, 0xFE};
    for (Char c : FText) {
      data.push_back(static_cast<Byte>(c & 0xFF));
      data.push_back(static_cast<Byte>(c >> 8));
    }
    Resources.AddFile(name, ZseSkinFileKindScript, data);
  };
  if (!Resources.IsOptimized()) {
    saveText();
    return;
  }
  if (IsEmpty() && FText.empty()) return;
  if (!IsCompiled()) {
    // A build must not drop a broken script without a word: report it and keep its source, so
    // the skin still carries what its author wrote.
    String message;
    try {
      Compile();
    } catch (const Exception& e) {
      message = e.GetMessage();
    }
    Resources.ReportProblem(u"Script " + name + u" does not compile: " + message);
    saveText();
    return;
  }
  std::unique_ptr<TzsXMLDocument> doc(FProgram->GetILCode());
  TMemoryStream stream;
  doc->SaveToBinaryStream(&stream);
  const auto* p = static_cast<const Byte*>(stream.GetMemory());
  Node.SetAttribute(u"value", name);
  Node.SetAttribute(u"Compiled", u"1");
  Resources.AddFile(name, ZseSkinFileKindScript, std::vector<Byte>(p, p + stream.GetSize()));
}

// --- storing in the skin schema

std::function<void(const String&)> ScriptBuildProblem;

namespace {

class TSchemaNode : public IZSEScriptSchemaNode {
 public:
  explicit TSchemaNode(TZCLXMLNode* ANode) : FNode(ANode) {}
  String GetAttribute(StringView Name) const override { return FNode->GetAttributes()->GetValue(Name); }
  void SetAttribute(StringView Name, const String& Value) override { FNode->GetAttributes()->SetValue(Name, Value); }

 private:
  TZCLXMLNode* FNode;
};

class TSchemaFiles : public IZSEScriptResourceSet {
 public:
  explicit TSchemaFiles(TZSESkinResources* AResources) : FResources(AResources) {}
  bool IsOptimized() const override { return FResources && FResources->GetOptimized(); }
  TStream* OpenFile(StringView Name, Integer Kind) override {
    if (!FResources) return nullptr;
    auto copy = std::make_unique<TMemoryStream>();
    if (!FResources->Load(String(Name), static_cast<TZSESkinFileKind>(Kind),
                          [&](TStream* Stream) { copy->CopyFrom(Stream, 0); }))
      return nullptr;
    copy->SetPosition(0);
    return copy.release();
  }
  void AddFile(StringView Name, Integer Kind, const std::vector<Byte>& Data) override {
    if (!FResources) return;
    FResources->Save(String(Name), static_cast<TZSESkinFileKind>(Kind), [&](TStream* Stream) {
      if (!Data.empty()) Stream->WriteBuffer(Data.data(), static_cast<Int64>(Data.size()));
    });
  }
  void ReportProblem(const String& Message) override {
    if (ScriptBuildProblem)
      ScriptBuildProblem(Message);
    else
      LogWrite(DefaultLogFile(), u"Skin", Message, TZCLLogLevel::Error);
  }

 private:
  TZSESkinResources* FResources;
};

}  // namespace

bool TZSEScriptSchemaAdapter::IsStored(Self, TObject* Object) {
  auto* script = dynamic_cast<TZSEScript*>(Object);
  return script && !script->IsEmpty();
}

void TZSEScriptSchemaAdapter::Load(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema) {
  auto* script = dynamic_cast<TZSEScript*>(Object);
  if (!script || !Node) return;
  TSchemaNode node(Node);
  TSchemaFiles files(Schema ? Schema->GetResources() : nullptr);
  script->Load(node, files);
}

void TZSEScriptSchemaAdapter::Save(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema, const String&) {
  auto* script = dynamic_cast<TZSEScript*>(Object);
  if (!script || !Node) return;
  TSchemaNode node(Node);
  TSchemaFiles files(Schema ? Schema->GetResources() : nullptr);
  script->Save(node, files);
}

void ScriptSkinInitialize() {
  SchemaRegisterClassAdapter(TZSEScriptSchemaAdapter::StaticClass());
  ZSESceneScriptFactory = [](TComponent* Owner) -> IZSESceneScript* { return new TZSESceneScript(Owner); };
}

void ScriptSkinFinalize() {
  ZSESceneScriptFactory = nullptr;
  SchemaUnregisterClassAdapter(TZSEScriptSchemaAdapter::StaticClass());
}
