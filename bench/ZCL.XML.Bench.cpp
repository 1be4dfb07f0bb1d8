// Reading a generated 20 MB XML document: the text reader against two established parsers, and
// writing the same document with the XML writer.

#include <benchmark/benchmark.h>

#include <libxml/parser.h>

#include <pugixml.hpp>
#include <string>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "zcl/base/ZCL.FileFormats.XML.Reader.h"
#include "zcl/base/ZCL.FileFormats.XML.Writer.h"

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

}  // namespace

BENCHMARK_MAIN();
