#pragma once
// Skin scripts: the script a scriptable skin object owns, compiled on first use and run through
// its procedure "Execute" with the owner's arguments, and stored in the skin as source or as a
// compiled program.
//
// What this needs of the skin engine (the loaded skin's name, the schema node and the skin
// files of the schema being read or written) comes through the small interfaces below, so that
// the engine plugs in its own objects.

#include <functional>
#include <memory>
#include <vector>

#include "zcl/base/ZCL.Classes.h"
#include "zse/engine/ZSE.Scene.h"
#include "zse/engine/ZSE.Schema.h"
#include "zse/script/ZSE.Script.Program.h"

class TStream;
class TzsXMLDocument;

// The kind of skin file that holds a script (".script").
constexpr Integer ZseSkinFileKindScript = 7;

// The schema node a script property is read from or written to.
class IZSEScriptSchemaNode {
 public:
  virtual ~IZSEScriptSchemaNode() = default;
  virtual String GetAttribute(StringView Name) const = 0;
  virtual void SetAttribute(StringView Name, const String& Value) = 0;
};

// The skin files of the schema being read or written.
class IZSEScriptResourceSet {
 public:
  virtual ~IZSEScriptResourceSet() = default;
  // A build for distribution (compiled scripts) rather than the editor's project files.
  virtual bool IsOptimized() const = 0;
  // The file's data as a stream owned by the caller, or null when there is no such file.
  virtual TStream* OpenFile(StringView Name, Integer Kind) = 0;
  // Adds the file, replacing the data of one with the same name and kind.
  virtual void AddFile(StringView Name, Integer Kind, const std::vector<Byte>& Data) = 0;
  // A problem the build must show its user (a script that does not compile, say).
  virtual void ReportProblem(const String& Message) = 0;
};

// Receives scripts' debug output and run-time errors; when set, run-time errors go here instead
// of being raised. Installed by the editor at start.
extern std::function<void(const String&)> ScriptDebugOutput;
// The file name (no folder, no extension) of the loaded skin package, "Default" for the built-in
// skin; set by the skin manager.
extern std::function<String()> ScriptSkinName;
// Milliseconds one run of a skin script may take before it is stopped; 0 or less: no limit.
extern Int64 ScriptRunBudgetMs;

class TZSEScript : public TZCLUnknownPersistent {
  ZCL_CLASS(TZSEScript, TZCLUnknownPersistent)
 public:
  using TCreateSignature = void(TComponent* AOwner);
  explicit TZSEScript(TComponent* AOwner);
  ~TZSEScript() override;

  void Assign(TPersistent* Source) override;
  virtual String GetDefaultText() const;

  const String& GetText() const { return FText; }
  void SetText(const String& Value);
  // 0 not compiled, 1 failed, 2 compiled.
  Byte GetState() const { return FState; }
  TzsScript* GetProgram() const { return FProgram; }
  TComponent* GetOwnerComponent() const { return FOwner; }

  void Clear();
  // Raises the compile error (state 1) or leaves state 2.
  void Compile();
  // Compiles on first use, swallowing errors; true when the script can run.
  bool IsCompiled();
  bool IsEmpty() const;
  // A new XML program of the script (empty when it does not compile), owned by the caller.
  TzsXMLDocument* GetILCode();

  void Execute(TObject* Sender);
  void Execute(Integer& Value);
  void Execute(Variant& Value);
  void Execute(std::vector<Variant>& Args);

  void Load(const IZSEScriptSchemaNode& Node, IZSEScriptResourceSet& Resources);
  void Save(IZSEScriptSchemaNode& Node, IZSEScriptResourceSet& Resources);

 protected:
  TzsScript* FProgram;

 private:
  String FullSource() const;
  TComponent* FOwner;
  String FText;
  Byte FState = 0;
};

// The name of the script a program belongs to: the first owner along its parent chain.
String GetScriptName(const TzsScript* Program);

// The main scene's "OnLoaded" script.
class TZSESceneScript : public TZSEScript, public IZSESceneScript {
  ZCL_CLASS(TZSESceneScript, TZSEScript)
 public:
  using TZSEScript::TZSEScript;
  using TZSEScript::Execute;
  void Clear() override { TZSEScript::Clear(); }
  void Execute(TObject* Sender) override { TZSEScript::Execute(Sender); }
};

// Stores a script in the skin schema: the node's attributes name the skin file that holds its
// source or compiled program. Only scripts with content are stored.
class TZSEScriptSchemaAdapter : public TZSESchemaClassAdapter {
  ZCL_CLASS(TZSEScriptSchemaAdapter, TZSESchemaClassAdapter)
 public:
  static TClass AdaptedClass() { return TZSEScript::StaticClass(); }
  static bool IsStored(Self, TObject* Object);
  static void Load(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema);
  static void Save(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema, const String& Path);
};

// Where a build's script problems go; unset, they are written to the default log.
extern std::function<void(const String&)> ScriptBuildProblem;

// Unit hooks: the schema adapter and the main scene's script factory.
void ScriptSkinInitialize();
void ScriptSkinFinalize();
