#pragma once
// Forward-only XML pull parser (TZCLXMLTextReader), the name table that atomises names, the
// namespace manager that keeps the prefix bindings of the open elements, and the streaming loaders
// that dispatch a document to handler objects.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Types.h"

class TStream;
class TEncoding;
struct TZCLXMLCharArgs;

// Turns names into shared atoms; never shrinks.
class TZCLXMLNameTable : public TObject {
 public:
  TZCLXMLNameTable();
  ~TZCLXMLNameTable() override;
  const String& Add(StringView Text);
  const String& Add(const Char* Buffer, Integer Start, Integer Length) {
    return Add(StringView(Buffer + Start, static_cast<size_t>(Length)));
  }
  // The atom, or the empty string when the text was never added.
  const String& Get(StringView Text) const;

 private:
  struct TItem {
    uint32_t Hash;
    String Value;
    TItem* Next;
  };
  static uint32_t HashOf(StringView Text);
  TItem* FBuckets[256] = {};
  static constexpr size_t RecentSlots = 61;
  TItem* FRecent[RecentSlots] = {};
  String FEmpty;
};

class TZCLXMLNamespaceManager : public TObject {
 public:
  explicit TZCLXMLNamespaceManager(TZCLXMLNameTable* NameTable);
  void PushScope() { ++FScopeId; }
  bool PopScope();
  void AddNamespace(const String& Prefix, const String& Uri);
  String LookupNamespace(const String& Prefix) const;

 private:
  struct TNamespaceDeclaration {
    String Prefix, Uri;
    Integer ScopeId;
    Integer PreviousNsIndex;
  };
  TZCLXMLNameTable* FNameTable;
  std::vector<TNamespaceDeclaration> FDecls;
  Integer FScopeId = 1;
};

enum TZCLXMLConformance : uint8_t { xcAuto = 0, xcFragment = 1, xcDocument = 2 };

struct TZCLXMLReaderSettings {
  bool CheckCharacters = true;
  TZCLXMLConformance Conformance = xcDocument;
  TEncoding* Encoding = nullptr;  // null: detected
  bool IgnoreComments = false;
  bool IgnoreInstructions = false;
  bool IgnoreWhitespace = false;
  Integer LineNumberOffset = 0;
  Integer LinePositionOffset = 0;
  Int64 MaxCharactersInDocument = 0;
  TZCLXMLNameTable* NameTable = nullptr;
  bool Namespaces = true;
  void Reset() { *this = TZCLXMLReaderSettings(); }
};

enum TZCLXMLNodeType : uint8_t {
  xntNone = 0,
  xntElement = 1,
  xntAttribute = 2,
  xntText = 3,
  xntCData = 4,
  xntProcessingInstruction = 7,
  xntComment = 8,
  xntDocument = 9,
  xntWhitespace = 13,
  xntSignificantWhitespace = 14,
  xntEndElement = 15,
  xntXmlDeclaration = 17
};

enum TZCLXMLReadState : uint8_t { xrsInitial = 0, xrsInteractive = 1, xrsError = 2, xrsEndOfFile = 3 };
enum TZCLXMLSpace : uint8_t { xsNone = 0, xsDefault = 1, xsPreserve = 2 };

class TZCLXMLNodeData : public TObject {
 public:
  Integer Depth = 0;
  bool IsEmptyOrDefault = false;
  Integer LineNumber = 0, LinePosition = 0;
  Integer ValueLineNumber = 0, ValueLinePosition = 0;
  String LocalName, NamespaceURI, Prefix;
  // The name table's own copy of LocalName (elements and attributes; null for other nodes).
  const String* LocalNameAtom = nullptr;
  Char QuoteChar = u'"';
  TZCLXMLNodeType NodeType = xntNone;
  String Value;
  bool XmlContextPushed = false;

  // Back to a node of no kind with no names and no value.
  void Clear();
  bool IsEmptyElement() const { return NodeType == xntElement && IsEmptyOrDefault; }
  String GetQualifiedName() const { return Prefix.empty() ? LocalName : Prefix + u":" + LocalName; }
};

class TZCLXMLReader : public TObject {
 public:
  virtual String GetValue() = 0;
  virtual String GetAttribute(const String& LocalName, const String& NamespaceURI) = 0;
  virtual String LookupNamespace(const String& Prefix) = 0;
  virtual bool MoveToElement() = 0;
  virtual bool MoveToNextAttribute() = 0;
  virtual bool Read() = 0;
  virtual void Skip();
  virtual bool TryGetAttribute(const String& Name, String& Value) = 0;
  virtual bool TryGetAttribute(const String& Prefix, const String& LocalName, const String& NamespaceURI,
                               String& Value) = 0;

  TZCLXMLNodeData* Node() const { return FNode; }
  TZCLXMLNameTable* GetNameTable() const { return FNameTable; }
  TZCLXMLReadState GetReadState() const { return FReadState; }

  // A text reader over the stream (not owned); a null stream raises EZCLXMLArgumentNullException.
  static std::unique_ptr<TZCLXMLReader> Create(const TZCLXMLReaderSettings& Settings, TStream* Stream);

 protected:
  TZCLXMLNodeData* FNode = nullptr;
  TZCLXMLNameTable* FNameTable = nullptr;
  TZCLXMLReadState FReadState = xrsInitial;
};

// Reads XML text. In text and attribute values "_xHHHH_" is decoded to its character, but only for
// the codes the writer escapes that way (characters XML cannot hold); any other such sequence stays
// as written. Two attributes of one tag with the same name (or, with namespaces, the same local
// name and namespace) are an error, as XML requires.
class TZCLXMLTextReader : public TZCLXMLReader {
 public:
  TZCLXMLTextReader(const TZCLXMLReaderSettings& Settings, TStream* Stream);
  ~TZCLXMLTextReader() override;

  // The value of the current node, trimmed unless xml:space="preserve" is in force.
  String GetValue() override;
  String GetAttribute(const String& LocalName, const String& NamespaceURI) override;
  String LookupNamespace(const String& Prefix) override;
  bool MoveToElement() override;
  bool MoveToNextAttribute() override;
  bool Read() override;
  bool TryGetAttribute(const String& Name, String& Value) override;
  bool TryGetAttribute(const String& Prefix, const String& LocalName, const String& NamespaceURI,
                       String& Value) override;
  Integer GetAttrCount() const { return static_cast<Integer>(FAttrs.size()); }
  // The IgnoreWhitespace setting for the reads that follow.
  void SetIgnoreWhitespace(bool Value) { FSettings.IgnoreWhitespace = Value; }
  // Off: only start tags get a line and position (errors still report theirs). Set before reading.
  void SetLineInfo(bool Value) { FLineInfo = Value; }
  TZCLXMLSpace GetXmlSpace() const;
  String GetXmlLang() const;

 private:
  struct TXmlContext {
    TZCLXMLSpace XmlSpace = xsNone;
    String XmlLang, DefaultNamespace;
  };
  struct TPos {
    Integer Line, Pos;
  };
  [[noreturn]] void Fail(Integer At, StringView Fmt, TVarRecList Args = {});
  [[noreturn]] void FailNoLine(StringView Msg);
  [[noreturn]] void FailToken(Integer At, StringView Expected1, StringView Expected2 = {});
  [[noreturn]] void FailWhitespace(Integer At);
  [[noreturn]] void FailChar(Integer At);
  [[noreturn]] void FailUnclosed(Integer At);
  TPos LineInfo(Integer At) const;
  void SetLine(TZCLXMLNodeData& N, Integer At) const;
  // Makes the content node (text, comment, instruction, ...) at At, at the current depth, current.
  TZCLXMLNodeData& SetContent(TZCLXMLNodeType Kind, Integer At, String Value);
  TZCLXMLCharArgs CharArgs(Integer At);
  void OpenInput();
  void ReadBytes();
  Integer DecodableBytes(bool& Invalid);
  bool Fill();
  void FillUtf8();
  void Compact();
  void ApplyEncoding(TEncoding* Named);
  // Inline while At lies in the decoded text: the parser asks at nearly every character.
  bool AtEnd(Integer At) { return At >= FLen && AtEndSlow(At); }
  bool AtEndSlow(Integer At);
  // The character at At, decoding more input as needed; 0 at the end of the input.
  Char Ch(Integer At) { return At < FLen || !AtEnd(At) ? FText[At] : Char(0); }
  bool StartsWith(Integer At, StringView S);
  String TokenAt(Integer At);
  Integer ScanName(Integer At, String& Prefix, String& Local, const String** LocalAtom = nullptr);
  bool ParseXmlDeclaration();
  bool ParseDocumentContent();
  bool ParseElementContent();
  void ParseStartTag();
  void ParseAttributes();
  void CheckDuplicateAttributes();
  void HandleSpecialAttribute(TZCLXMLNodeData& A);
  void ParseEndTag();
  bool ParseText();
  bool ParseReference(Integer& At, String& Out, bool& Whitespace);
  void DecodeUnderscoreEscapes(String& S) const;
  bool ParseCommentOrCData(bool Comment);
  bool ParsePI();
  void SkipDoctype();
  void SkipWhitespace();
  String ScanQuoted();
  void LeaveElement();
  TZCLXMLNodeData* NewAttr();

  TZCLXMLReaderSettings FSettings;
  TStream* FStream;
  std::unique_ptr<TZCLXMLNameTable> FOwnedNameTable;
  std::unique_ptr<TZCLXMLNamespaceManager> FNamespaceManager;
  // Input: bytes are read and decoded block by block into FText, a window of the document from
  // which consumed characters are dropped between nodes. Positions are indices into FText.
  static constexpr Integer ByteBlock = 8192;
  std::vector<Byte> FBytes;
  Integer FBytePos = 0;  // first byte not yet decoded
  Integer FBytesUsed = 0;
  bool FStreamAtEnd = false;
  bool FInputAtEnd = false;   // every byte decoded
  bool FPendingCR = false;    // a CR ended the last block
  bool FDropLF = false;       // UTF-8: a CR ended the last block, written as LF already
  bool FProvisional = false;  // bytes stand for themselves until the declaration names the encoding
  bool FDecoded = false;      // the encoding is final
  bool FDetected = false;     // the first bytes showed the encoding
  TEncoding* FEncoding = nullptr;
  TEncoding* FOwnedEncoding = nullptr;  // looked up by the declaration's name
  Int64 FCharactersInDocument = 0;
  String FText;
  Integer FLen = 0;
  Integer FPos = 0;
  Integer FDecodeErrorAt = -1;
  std::vector<Integer> FLineStarts{0};  // indices in FText where lines start (the first may be negative)
  Integer FLineBase = 0;                // zero-based number of the line of FLineStarts[0]
  // Where LineInfo found the last line: positions asked for mostly grow.
  mutable size_t FLineHint = 0;
  bool FStarted = false;
  bool FAtEndOfFile = false;
  bool FPendingLeave = false;
  bool FRootParsed = false;
  bool FRootClosed = false;
  TZCLXMLNodeType FFragmentType = xntNone;
  std::vector<std::unique_ptr<TZCLXMLNodeData>> FElements;  // open elements
  Integer FDepth = 0;
  TZCLXMLNodeData FContent;
  std::vector<std::unique_ptr<TZCLXMLNodeData>> FAttrPool;
  std::vector<TZCLXMLNodeData*> FAttrs;
  std::vector<Integer> FAttrAt;  // where each attribute starts, kept without line information
  bool FLineInfo = true;
  Integer FCurAttr = -1;
  TZCLXMLNodeData* FAttrOwner = nullptr;
  std::vector<TXmlContext> FContexts;
  std::vector<bool> FContextPushed;  // per open element
};

// ---------------------------------------------------------------------------------------------
// Streaming loaders: a known vocabulary read straight into program objects. A loader is a tree of
// element handlers, each with a table of handlers for its child elements; the document loader
// runs the text reader and dispatches every element, its text and its end to the handler the
// tables select, passing along a context object that handlers may replace for a subtree.

class TZCLXMLNodeLoaders;
class TCriticalSection;

// One element handler. Subclasses declare ZCL_CLASS and a constructor taking the name table, so
// the tables can create them through their class reference.
class TZCLXMLNodeLoader : public TObject {
  ZCL_CLASS(TZCLXMLNodeLoader, TObject)
 public:
  using TCreateSignature = void(TZCLXMLNameTable*);
  explicit TZCLXMLNodeLoader(TZCLXMLNameTable* NameTable);
  ~TZCLXMLNodeLoader() override;

  // Called when the element starts; may replace the context for the element and its subtree
  // (the handler that creates a context frees it in OnEnd).
  virtual void SubstituteContext(TObject*& Context);
  // The reader stands on the start tag: its attributes can be read.
  virtual void OnBegin(TObject* Context, TZCLXMLReader* Reader);
  // Text, CDATA or significant white space directly inside the element; the reader stands on it.
  virtual void OnText(TObject* Context, TZCLXMLReader* Reader);
  virtual void OnEnd(TObject* Context);

  // Handlers of the child elements (owned; null for a handler without children).
  TZCLXMLNodeLoaders* Loaders = nullptr;
  // When not empty, this handler only selects: the element's attribute of this name is looked up
  // in Loaders and the handler found there handles the element.
  String KeyAttribute;

 protected:
  TZCLXMLNameTable* FNameTable;
};

using TZCLXMLNodeLoaderClass = TClass;

using TZCLXMLBeginProc = TDelegate<void(TObject* Context, TZCLXMLReader* Reader)>;
using TZCLXMLTextProc = TDelegate<void(TObject* Context, const String& Text)>;

// A handler that hands the element's start and text to procedures.
class TZCLXMLCallbackLoader : public TZCLXMLNodeLoader {
  ZCL_CLASS(TZCLXMLCallbackLoader, TZCLXMLNodeLoader)
 public:
  explicit TZCLXMLCallbackLoader(TZCLXMLNameTable* NameTable) : TZCLXMLNodeLoader(NameTable) {}
  TZCLXMLCallbackLoader(TZCLXMLNameTable* NameTable, TZCLXMLBeginProc BeginProc, TZCLXMLTextProc TextProc);
  void OnBegin(TObject* Context, TZCLXMLReader* Reader) override;
  // Passes the text as GetValue gives it: trimmed unless xml:space="preserve" is in force.
  void OnText(TObject* Context, TZCLXMLReader* Reader) override;

  TZCLXMLBeginProc OnBeginProc;
  TZCLXMLTextProc OnTextProc;
};

// A table of handlers by element name. Built before use and not changed afterwards; handler
// instances are created on first use (safely from several loading threads) and owned here.
class TZCLXMLNodeLoaders : public TObject {
 public:
  struct THolder {
    String Name;  // atom of the element name
    TZCLXMLNodeLoaderClass LoaderClass = nullptr;
    std::atomic<TZCLXMLNodeLoader*> Loader{nullptr};
  };

  explicit TZCLXMLNodeLoaders(TZCLXMLNameTable* NameTable);
  ~TZCLXMLNodeLoaders() override;

  void Reserve(Integer N);
  THolder& Add(const String& Name);
  THolder& AddLoader(const String& Name, TZCLXMLNodeLoaderClass LoaderClass);
  THolder& AddLoaderNS(const String& Prefix, const String& Name, TZCLXMLNodeLoaderClass LoaderClass);
  // The table owns the handler.
  THolder& AddLoaderInstance(const String& Name, TZCLXMLNodeLoader* Loader);
  THolder& AddCallback(const String& Name, TZCLXMLTextProc TextProc);
  THolder& AddCallbackNS(const String& Prefix, const String& Name, TZCLXMLTextProc TextProc);
  void SetDefault(TZCLXMLNodeLoaderClass LoaderClass);
  // The handler for the element the reader stands on, named by the atom; null when none. The
  // entry added last for a name wins; key-attribute handlers select through their own table.
  TZCLXMLNodeLoader* Find(TZCLXMLReader* Reader, const String& NameAtom);

  Integer GetCount() const { return FCount; }
  Integer GetCapacity() const { return FCapacity; }

 private:
  TZCLXMLNodeLoader* Instance(THolder& H);
  std::unique_ptr<THolder[]> FItems;
  Integer FCapacity = 0;
  Integer FCount = 0;
  THolder FDefault;
  TZCLXMLNameTable* FNameTable;
};

// Runs the text reader over a stream and dispatches to the handler tables. Subclasses add the
// root handlers to Loaders (every table of the tree on GetNameTable()) and may change Settings.
class TZCLXMLDocumentLoader : public TObject {
 public:
  TZCLXMLDocumentLoader();
  ~TZCLXMLDocumentLoader() override;

  // Loads up to the first XML error (which does not leave Load); errors raised by handlers pass
  // out. Loads over one loader run one at a time, as they share the name table.
  void Load(TObject* Context, TStream* Stream);

  TZCLXMLNameTable* GetNameTable() const { return FNameTable.get(); }

  TZCLXMLNodeLoaders* Loaders = nullptr;  // owned: the handlers of the root element
  TZCLXMLReaderSettings Settings;         // its NameTable is always this loader's

 private:
  std::unique_ptr<TZCLXMLNameTable> FNameTable;
  TCriticalSection* FLoadLock = nullptr;  // owned
};
