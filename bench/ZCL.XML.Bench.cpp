// Reading a generated 20 MB XML document: the text reader and the document tree against two
// established parsers (libxml2 building its tree, pugixml), and writing: the XML writer, and saving
// the loaded document as text and in the binary form.

#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <pugixml.hpp>
#include <sstream>
#include <string>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "zcl/base/ZCL.FileFormats.XML.Reader.h"
#include "zcl/base/ZCL.FileFormats.XML.Writer.h"
#include "zcl/base/ZCL.FileFormats.XML.h"

namespace {

// Skin-like elements with attributes, text, entities and comments, about 20 MB.
const std::string& Document() {
  static const std::string doc = [] {
    std::string s = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<skin name=\"bench\">\n";
    for (int i = 0; s.size() < 20u * 1024 * 1024; ++i) {
      std::string n = std::to_string(i);
      s += "  <control id=\"c" + n + "\" x=\"" + n + "\" y=\"12\" width=\"100\" height=\"24\" visible=\"true\">\n";
      s += "    <caption>Button &amp; label " + n + "</caption>\n";
      s += "    <!-- state " + n + " -->\n    <image src=\"images/b" + n + ".png\"/>\n  </control>\n";
    }
    return s + "</skin>\n";
  }();
  return doc;
}

void Init() {
  static const bool done = (InitializeUnits(RtlUnits()), true);
  (void)done;
}

void BM_ZCLTextReader(benchmark::State& State) {
  Init();
  const std::string& doc = Document();
  TBytes bytes(doc.begin(), doc.end());
  for (auto _ : State) {
    TBytesStream stream(bytes);
    TZCLXMLReaderSettings settings;
    auto reader = TZCLXMLReader::Create(settings, &stream);
    size_t nodes = 0;
    while (reader->Read()) {
      ++nodes;
      while (reader->MoveToNextAttribute()) ++nodes;
    }
    benchmark::DoNotOptimize(nodes);
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_ZCLTextReader)->Unit(benchmark::kMillisecond);

void BM_ZCLDocumentLoad(benchmark::State& State) {
  Init();
  const std::string& doc = Document();
  TBytes bytes(doc.begin(), doc.end());
  for (auto _ : State) {
    TBytesStream stream(bytes);
    TZCLXMLDocument* d = Create<TZCLXMLDocument>();
    d->LoadFromStream(&stream);
    benchmark::DoNotOptimize(d->GetCount());
    Free(d);  // the others free their trees inside the loop too
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_ZCLDocumentLoad)->Unit(benchmark::kMillisecond);

void BM_Libxml2ReadMemory(benchmark::State& State) {
  const std::string& doc = Document();
  for (auto _ : State) {
    xmlDocPtr d = xmlReadMemory(doc.data(), static_cast<int>(doc.size()), "bench.xml", nullptr, 0);
    benchmark::DoNotOptimize(d);
    xmlFreeDoc(d);
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_Libxml2ReadMemory)->Unit(benchmark::kMillisecond);

void BM_Pugixml(benchmark::State& State) {
  const std::string& doc = Document();
  for (auto _ : State) {
    pugi::xml_document d;
    benchmark::DoNotOptimize(d.load_buffer(doc.data(), doc.size()));
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_Pugixml)->Unit(benchmark::kMillisecond);

void BM_ZCLWriter(benchmark::State& State) {
  Init();
  for (auto _ : State) {
    TBytesStream stream;
    {
      TZCLXMLWriterSettings settings;
      settings.IndentElements = true;
      auto w = TZCLXMLWriter::Create(&stream, settings);
      w->WriteStartElement(u"skin");
      for (int i = 0; i < 100000; ++i) {
        w->WriteStartElement(u"control");
        w->WriteAttributeInteger(u"x", i);
        w->WriteAttributeString(u"visible", u"true");
        w->WriteElementString(u"caption", u"Button & label");
        w->WriteEndElement();
      }
      w->WriteEndElement();
      w->Close();
    }
    benchmark::DoNotOptimize(stream.GetSize());
  }
}
BENCHMARK(BM_ZCLWriter)->Unit(benchmark::kMillisecond);

// The generated document, loaded once.
TZCLXMLDocument* LoadedDocument() {
  static TZCLXMLDocument* doc = [] {
    Init();
    const std::string& text = Document();
    TBytesStream stream(TBytes(text.begin(), text.end()));
    TZCLXMLDocument* d = Create<TZCLXMLDocument>();
    d->LoadFromStream(&stream);
    return d;
  }();
  return doc;
}

void BM_ZCLDocumentSave(benchmark::State& State) {
  TZCLXMLDocument* doc = LoadedDocument();
  const TZCLXMLDocumentFormat form =
      State.range(0) ? TZCLXMLDocumentFormat::Default() : TZCLXMLDocumentFormat::Binary();
  int64_t bytes = 0;
  for (auto _ : State) {
    TBytesStream stream;
    doc->SaveToStream(&stream, form);
    bytes += stream.GetSize();
  }
  State.SetBytesProcessed(bytes);
  State.SetLabel(State.range(0) ? "text" : "SXML");
}
BENCHMARK(BM_ZCLDocumentSave)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_Libxml2Save(benchmark::State& State) {
  const std::string& text = Document();
  xmlDocPtr d = xmlReadMemory(text.data(), static_cast<int>(text.size()), "bench.xml", nullptr, 0);
  int64_t bytes = 0;
  for (auto _ : State) {
    xmlChar* out = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(d, &out, &size, "UTF-8", 1);
    bytes += size;
    xmlFree(out);
  }
  xmlFreeDoc(d);
  State.SetBytesProcessed(bytes);
}
BENCHMARK(BM_Libxml2Save)->Unit(benchmark::kMillisecond);

void BM_PugixmlSave(benchmark::State& State) {
  const std::string& text = Document();
  pugi::xml_document d;
  d.load_buffer(text.data(), text.size());
  int64_t bytes = 0;
  for (auto _ : State) {
    std::ostringstream out;
    d.save(out, "\t");
    bytes += static_cast<int64_t>(out.tellp());
  }
  State.SetBytesProcessed(bytes);
}
BENCHMARK(BM_PugixmlSave)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
