#pragma once
// Forward-only XML text writer: a raw writer producing UTF-8 text with escaping, indentation and
// line-break handling, and a checking layer that enforces names, unique attributes and namespaces.

#include <cstdint>
#include <memory>
#include <vector>

#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Types.h"

class TStream;
class TEncoding;

struct TZCLXMLWriterSettings {
  bool RejectInvalidChars = true;
  bool WellFormed = true;
  bool UnderscoreEscapes = true;
  String IndentText = u"\t";
  String LineBreak = u"\r\n";
  // 0 replace, 1 character references, 2 keep.
  Byte LineBreakMode = 0;
  bool BreakBeforeAttributes = false;
  bool IndentElements = false;
  bool NoDeclaration = false;

  void Reset() { *this = TZCLXMLWriterSettings(); }
  static TZCLXMLWriterSettings Default() { return {}; }
};

enum TZCLXMLWriteState : uint8_t {
  xwsStart = 0,
  xwsProlog = 1,
  xwsElement = 2,
  xwsAttribute = 3,
  xwsContent = 4,
  xwsClosed = 5,
  xwsError = 6
};

class TZCLXMLWriter : public TObject {
 public:
  virtual TZCLXMLWriteState GetWriteState() = 0;
  // Standalone: 0 none, 1 "yes", anything else "no".
  virtual void WriteStartDocument(Integer Standalone) = 0;
  virtual void WriteEndDocument() = 0;
  // The namespace is not written; WriteElementString declares it.
  virtual void WriteStartElement(const String& Prefix, const String& LocalName, const String& Namespace) = 0;
  virtual void WriteEndElement() = 0;
  virtual void WriteFullEndElement() = 0;
  virtual void WriteStartAttribute(const String& Prefix, const String& LocalName) = 0;
  virtual void WriteEndAttribute() = 0;
  virtual void WriteCData(const String& Text) = 0;
  virtual void WriteComment(const String& Text) = 0;
  virtual void WriteChars(const Char* Characters, Integer Count) = 0;
  virtual void WriteCharEntity(Char Character) = 0;
  virtual void WriteEntityRef(const String& Name) = 0;
  virtual void WriteRawChars(const Char* Buffer, Integer BufferLength, Integer Index, Integer Count) = 0;
  virtual void WriteRaw(const String& Text) = 0;
  virtual void WriteSurrogateCharEntity(Char Low, Char High) = 0;
  virtual void Close() {}
  virtual void Flush() {}

  void WriteStartElement(const String& LocalName) { WriteStartElement(NoText, LocalName, NoText); }
  void WriteString(const String& Text) { WriteChars(Text.data(), static_cast<Integer>(Text.size())); }
  void WriteAttributeString(const String& LocalName, const String& Value);
  void WriteAttributeString(const String& Prefix, const String& LocalName, const String& Value);
  void WriteAttributeInteger(const String& LocalName, Int64 Value);
  void WriteElementString(const String& LocalName, const String& Value);
  void WriteElementString(const String& Prefix, const String& LocalName, const String& Namespace,
                          const String& Value);

  // A raw writer on the stream (not owned), wrapped in the checking writer when WellFormed is set.
  static std::unique_ptr<TZCLXMLWriter> Create(TStream* Stream, const TZCLXMLWriterSettings& Settings);

 protected:
  // The empty prefix and namespace, made once rather than per call.
  static const String NoText;
};

class TZCLXMLRawWriter : public TZCLXMLWriter {
 public:
  TZCLXMLRawWriter(TStream* Stream, const TZCLXMLWriterSettings& Settings);
  ~TZCLXMLRawWriter() override;

  TZCLXMLWriteState GetWriteState() override;
  void WriteStartDocument(Integer Standalone) override;
  void WriteEndDocument() override;
  void WriteStartElement(const String& Prefix, const String& LocalName, const String& Namespace) override;
  using TZCLXMLWriter::WriteStartElement;
  void WriteEndElement() override;
  void WriteFullEndElement() override;
  void WriteStartAttribute(const String& Prefix, const String& LocalName) override;
  void WriteEndAttribute() override;
  void WriteCData(const String& Text) override;
  void WriteComment(const String& Text) override;
  void WriteChars(const Char* Characters, Integer Count) override;
  void WriteCharEntity(Char Character) override;
  void WriteEntityRef(const String& Name) override;
  void WriteRawChars(const Char* Buffer, Integer BufferLength, Integer Index, Integer Count) override;
  void WriteRaw(const String& Text) override;
  void WriteSurrogateCharEntity(Char Low, Char High) override;
  void Close() override;
  void Flush() override;

 private:
  enum class TCopyMode { Attr, Text, CData, Comment, Raw };
  struct TElementScope {
    // The element's qualified name in FScopeNames, from here to the next scope's start.
    size_t NameStart;
    // xml:space="preserve" is in force: no indentation is added to the content.
    bool Preserve;
  };
  void CheckState(int Token);
  void Append(const Char* P, size_t N);
  void Put(Char C);
  void Put(StringView S);
  void PutLineBreakIndent();
  void PutName(const String& Prefix, const String& LocalName);
  void CopyText(const Char* P, Integer Count, TCopyMode Mode);
  void SpecialChar(const Char* P, Integer Count, Integer& I, bool Escape);
  void DoFlush();

  TStream* FStream;
  int FState = 0;
  bool FDeclarationWritten = false;
  std::vector<TElementScope> FScopes;
  String FScopeNames;  // the open elements' names end to end: no allocation per element
  // The UTF-8 written since the last flush: FLength bytes of FBuffer.
  std::vector<Byte> FBuffer;
  size_t FLength = 0;
  Char FHighSurrogate = 0;  // the last unit written, waiting for its low half
  Char FLastChar = 0;
  Integer FIndentLevel = 0;
  TZCLXMLWriterSettings FSettings;
  bool FInSpaceAttr = false;  // the open attribute is xml:space
  String FSpaceValue;
  String FIndents;  // the line break, then the indentation text once per level reached
};

class TZCLXMLWellFormedWriter : public TZCLXMLWriter {
 public:
  // Takes ownership of the raw writer.
  explicit TZCLXMLWellFormedWriter(TZCLXMLRawWriter* Raw, const TZCLXMLWriterSettings& Settings);
  ~TZCLXMLWellFormedWriter() override;

  TZCLXMLWriteState GetWriteState() override;
  void WriteStartDocument(Integer Standalone) override;
  void WriteEndDocument() override;
  void WriteStartElement(const String& Prefix, const String& LocalName, const String& Namespace) override;
  using TZCLXMLWriter::WriteStartElement;
  void WriteEndElement() override;
  void WriteFullEndElement() override;
  void WriteStartAttribute(const String& Prefix, const String& LocalName) override;
  void WriteEndAttribute() override;
  void WriteCData(const String& Text) override;
  void WriteComment(const String& Text) override;
  void WriteChars(const Char* Characters, Integer Count) override;
  void WriteCharEntity(Char Character) override;
  void WriteEntityRef(const String& Name) override;
  void WriteRawChars(const Char* Buffer, Integer BufferLength, Integer Index, Integer Count) override;
  void WriteRaw(const String& Text) override;
  void WriteSurrogateCharEntity(Char Low, Char High) override;
  void Close() override;
  void Flush() override;

  // Raises EZCLXMLException when Name is not an XML name (colon excluded).
  static void CheckName(const String& Name);

 private:
  struct TAttrName {
    String LocalName, Prefix;
  };
  struct TElementScope {
    String Prefix;
    Integer NamespaceTop;
  };
  struct TNamespace {
    String Name, Prefix;
  };
  template <class F>
  void Guard(F&& Action);
  void CompleteStartTag();
  String FindNamespace(const String& Prefix, bool& Found) const;

  std::unique_ptr<TZCLXMLRawWriter> FRaw;
  bool FError = false;
  std::vector<TAttrName> FAttrs;
  bool FInNamespaceDecl = false;
  String FDeclaredPrefix, FDeclaredNamespace;
  std::vector<TElementScope> FScopes;
  std::vector<TNamespace> FNamespaces;
};
