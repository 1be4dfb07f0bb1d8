#pragma once
// The binary forms of an XML document: "SXML", written and read, with names kept once in a string
// table after the nodes; and the older "BXML", read only, with names in place. Both hold exactly
// the tree: names, text values, attributes and children, in order.
//
// "SXML": the signature, a little-endian 64-bit size of the node section, the node section (a node
// list: unsigned LEB128 count, then per node its name index, a flags byte - 1 attributes, 2
// children, 4 value - the value as a length and UTF-16LE units, the attributes as a count and
// (name index, value) pairs, the children as a node list), then the string table (count, then per
// name its byte length and its bytes in the ANSI code page).

#include <vector>

#include "zcl/base/ZCL.FileFormats.XML.h"

class TZCLBinaryXMLBuilder : public TZCLXMLBuilder {
  ZCL_CLASS(TZCLBinaryXMLBuilder, TZCLXMLBuilder)
 public:
  // The form is not consulted.
  TZCLBinaryXMLBuilder(TStream* Stream, TZCLXMLDocumentFormat Form);
  ~TZCLBinaryXMLBuilder() override;
  // Writes the whole form at the stream's position. EZCLXMLDocument, before anything is written,
  // for a name that the ANSI code page cannot represent.
  void Build(TZCLXMLDocument* Document) override;

 private:
  Integer NameIndex(const String& Name);
  void WriteNodes(const TZCLXMLNode* Parent);

  TStream* FStream;                 // not owned
  TZCLStringIndexes* FNameIndexes;  // owned; names compared exactly
  std::vector<String> FNames;       // by index
  std::vector<Byte> FOut;           // the node section being built
};

// Both parsers add nodes through Add (so a document's root rule applies), report corrupt or
// truncated data with EReadError or EZCLXMLDocument without reading outside the input, and keep
// the nodes read before the error.
class TZCLBinaryXMLParser : public TObject {
  ZCL_CLASS(TZCLBinaryXMLParser, TObject)
 public:
  // The stream is just after the signature; it is left after the node section.
  static void Parse(TZCLXMLDocument* Document, TStream* Stream);
};

class TZCLLegacyBinaryXMLParser : public TObject {
  ZCL_CLASS(TZCLLegacyBinaryXMLParser, TObject)
 public:
  // The stream is just after the signature; it is left after the last node.
  static void Parse(TZCLXMLDocument* Document, TStream* Stream);
};
