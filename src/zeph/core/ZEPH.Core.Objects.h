#pragma once
// The plain data objects the core hands out by interface identifier: the plugin string, the list
// of interfaces, the list of strings over a program string list, the configuration object over an
// INI file with its in-memory variant, and the error information with its record.

#include <vector>

#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Threading.h"
#include "zeph/core/ZEPH.Core.Interfaces.h"
#include "zeph/core/ZEPH.Core.PluginAPI.h"

class TZCLIniFile;
class TZCLStringList;

// Flags of Find and Replace.
constexpr Integer ZEPH_FIND_IGNORE_CASE = 1;
constexpr Integer ZEPH_FIND_WHOLE_WORDS = 2;

class TZEPHStringAdapter : public TInterfacedObject,
                           public IZEPHStringInternal,
                           public IZEPHString,
                           public IZEPHHashCode {
  ZCL_CLASS(TZEPHStringAdapter, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHStringInternal, IZEPHString, IZEPHHashCode)
 public:
  explicit TZEPHStringAdapter(const String& AText = String()) : FText(AText), FLock(this, u"String.Lock") {}

  // IZEPHStringInternal: the text itself, shared, read without the lock.
  const String& GetString() override { return FText; }
  void SetString(const String& Value) override;

  HRESULT GetChar(Integer Index, Char& C) override;
  const Char* GetData() override { return FText.c_str(); }
  Integer GetLength() override { return static_cast<Integer>(FText.size()); }
  Integer GetHashCode() override;
  HRESULT SetChar(Integer Index, Char C) override;
  HRESULT SetData(const Char* Chars, Integer Count) override;
  HRESULT Append(IZEPHString* S) override;
  HRESULT AppendChars(const Char* Chars, Integer Count) override;
  HRESULT ChangeCase(Integer Mode) override;
  HRESULT Clone(IPtr<IZEPHString>& S) override;
  HRESULT Compare(IZEPHString* S, Integer& Result, LongBool IgnoreCase) override;
  HRESULT CompareChars(const Char* Chars, Integer Count, Integer& Result, LongBool IgnoreCase) override;
  HRESULT Delete(Integer Index, Integer Count) override;
  HRESULT Find(IZEPHString* S, Integer& Index, Integer Flags, Integer StartFromIndex) override;
  HRESULT FindChars(const Char* Chars, Integer Count, Integer& Index, Integer Flags, Integer StartFromIndex) override;
  HRESULT Insert(Integer Index, IZEPHString* S) override;
  HRESULT InsertChars(Integer Index, const Char* Chars, Integer Count) override;
  HRESULT Replace(IZEPHString* OldPattern, IZEPHString* NewPattern, Integer Flags) override;
  HRESULT ReplaceChars(const Char* OldChars, Integer OldCount, const Char* NewChars, Integer NewCount,
                       Integer Flags) override;
  HRESULT SubString(Integer Index, Integer Count, IPtr<IZEPHString>& S) override;
  void Recalculate() override;

  // 0-based position of Pattern in Text at or after Start, or -1; an empty pattern finds nothing.
  static Integer FindText(const String& Text, const String& Pattern, Integer Flags, Integer Start);
  static String ReplaceText(const String& Text, const String& Old, const String& New, Integer Flags);

 private:
  template <class F>
  HRESULT Locked(F&& Body);
  String FText;
  Cardinal FHash = 0;
  TZCLCriticalSection FLock;
};

class TZEPHObjectListAdapter : public TInterfacedObject, public IZEPHObjectList {
  ZCL_CLASS(TZEPHObjectListAdapter, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHObjectList)
 public:
  explicit TZEPHObjectListAdapter(Integer Capacity = 0);
  HRESULT Add(IInterface* Obj) override;
  HRESULT Clear() override;
  HRESULT Delete(Integer Index) override;
  HRESULT Insert(Integer Index, IInterface* Obj) override;
  Integer GetCount() override;
  HRESULT GetObject(Integer Index, const TGUID& IID, void** Obj) override;
  HRESULT SetObject(Integer Index, IInterface* Obj) override;

 private:
  template <class F>
  HRESULT Locked(F&& Body);
  std::vector<IPtr<IInterface>> FItems;
  TZCLCriticalSection FLock;
};

// Owns its list whatever the caller passes, from construction to destruction.
class TZEPHStringListAdapter : public TInterfacedObject, public IZEPHObjectList, public IZEPHCoreClassAdapter {
  ZCL_CLASS(TZEPHStringListAdapter, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHObjectList, IZEPHCoreClassAdapter)
 public:
  // Takes AList over.
  explicit TZEPHStringListAdapter(TZCLStringList* AList);
  // Makes and owns a copy of AList.
  static TZEPHStringListAdapter* CreateCopy(const TZCLStringList* AList);
  ~TZEPHStringListAdapter() override;
  HRESULT Add(IInterface* Obj) override;
  HRESULT Clear() override;
  HRESULT Delete(Integer Index) override;
  HRESULT Insert(Integer Index, IInterface* Obj) override;
  Integer GetCount() override;
  HRESULT GetObject(Integer Index, const TGUID& IID, void** Obj) override;
  HRESULT SetObject(Integer Index, IInterface* Obj) override;
  TZCLStringList* GetList() const { return FList; }

 private:
  TZCLStringList* FList;
};

// An IZEPHConfig over an INI file. Key paths: section, backslash, key (the key may hold further
// backslashes); a path without a backslash names a whole section.
class TZEPHCustomConfigAdapter : public TInterfacedObject, public IObject, public virtual IZEPHConfig {
  ZCL_CLASS(TZEPHCustomConfigAdapter, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IObject, IZEPHConfig)
 public:
  TObject* GetObject() override;
  HRESULT Delete(IZEPHString* KeyPath) override;
  HRESULT GetValueAsFloat(IZEPHString* KeyPath, Double& Value) override;
  HRESULT GetValueAsInt32(IZEPHString* KeyPath, Integer& Value) override;
  HRESULT GetValueAsInt64(IZEPHString* KeyPath, Int64& Value) override;
  HRESULT GetValueAsStream(IZEPHString* KeyPath, IPtr<IZEPHStream>& Value) override;
  HRESULT GetValueAsString(IZEPHString* KeyPath, IPtr<IZEPHString>& Value) override;
  HRESULT SetValueAsFloat(IZEPHString* KeyPath, Double Value) override;
  HRESULT SetValueAsInt32(IZEPHString* KeyPath, Integer Value) override;
  HRESULT SetValueAsInt64(IZEPHString* KeyPath, Int64 Value) override;
  HRESULT SetValueAsStream(IZEPHString* KeyPath, IZEPHStream* Value) override;
  HRESULT SetValueAsString(IZEPHString* KeyPath, IZEPHString* Value) override;

  // Splits Path at its first backslash; false for an empty section, or an empty key after a
  // backslash.
  static bool SplitKeyPath(const String& Path, String& Section, String& Key, bool& HasKey);

 protected:
  virtual bool CheckAccess(HRESULT& Result);
  virtual TZCLIniFile* GetIniFile() = 0;

 private:
  HRESULT ReadText(IZEPHString* KeyPath, String& Text);
  HRESULT WriteText(IZEPHString* KeyPath, const String& Text);
};

class TZEPHConfigAdapter : public TZEPHCustomConfigAdapter {
  ZCL_CLASS(TZEPHConfigAdapter, TZEPHCustomConfigAdapter)
 public:
  // Over a new in-memory INI that it owns.
  TZEPHConfigAdapter();
  TZEPHConfigAdapter(TZCLIniFile* AIniFile, TStreamOwnership AOwnership);
  ~TZEPHConfigAdapter() override;

 protected:
  TZCLIniFile* GetIniFile() override { return FIniFile; }

 private:
  TZCLIniFile* FIniFile;
  TStreamOwnership FOwnership;
};

// The error record behind an error-information object.
class TZBLErrorLog : public TObject {
  ZCL_CLASS(TZBLErrorLog, TObject)
 public:
  Integer Code = 0;
  String Message;
  String Details;
  void SetInfo(Integer ACode, const String& AMessage, const String& ADetails);
  // "Code: ..." and "Message: ..." lines ended by CR LF, then a 25-dash line and the details.
  String ToString() const override;
};

class TZEPHErrorInfoAdapter : public TInterfacedObject, public IZEPHErrorInfo {
  ZCL_CLASS(TZEPHErrorInfoAdapter, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHErrorInfo)
 public:
  TZEPHErrorInfoAdapter() : TZEPHErrorInfoAdapter(new TZBLErrorLog(), true) {}
  TZEPHErrorInfoAdapter(TZBLErrorLog* ALog, bool AOwned) : FLog(ALog), FOwned(AOwned) {}
  TZEPHErrorInfoAdapter(Integer Code, const String& Message);
  ~TZEPHErrorInfoAdapter() override;
  HRESULT GetInfo(Integer& Code, IPtr<IZEPHString>& Message, IPtr<IZEPHString>& Details) override;
  HRESULT GetInfoFormatted(IPtr<IZEPHString>& Text) override;
  void SetInfo(Integer Code, IZEPHString* Message, IZEPHString* Details) override;
  TZBLErrorLog* GetLog() const { return FLog; }

 private:
  TZBLErrorLog* FLog;
  bool FOwned;
};

// Registers the factories of these objects with the core.
void RegisterCoreObjectFactories();
