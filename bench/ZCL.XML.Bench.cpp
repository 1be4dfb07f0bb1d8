// Reading XML: the text reader and the document tree against two established parsers (libxml2
// building its tree, pugixml) over a generated 20 MB document, the MIME database and the
// ISO 639-3 table as the system installs them, and 18 MB of those two under one root; and
// writing: the XML writer, and saving the loaded document as text and in the binary form. Each
// load also reports the heap it keeps (heap_MB). The two data files are made up when absent.

#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <malloc.h>

#include <fstream>
#include <iterator>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "support/BenchRatio.h"
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

std::string ReadFile(const char* Path) {
  std::ifstream in(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A stand-in of the same shape for a data file that is not installed.
std::string MadeUp(bool Mime) {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  s += Mime ? "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n" : "<iso_639_3_entries>\n";
  for (int i = 0; s.size() < (Mime ? 2400000u : 1000000u); ++i) {
    const std::string n = std::to_string(i);
    if (Mime)
      s += "  <mime-type type=\"application/x-t" + n + "\">\n    <comment>Type " + n +
           " document</comment>\n    <comment xml:lang=\"de\">Dokument &#252; " + n +
           "</comment>\n    <glob pattern=\"*.t" + n +
           "\"/>\n    <magic priority=\"50\"><match type=\"string\" "
           "value=\"T" +
           n + "\" offset=\"0\"/></magic>\n  </mime-type>\n";
    else
      s += "  <iso_639_3_entry\n    id=\"a" + n + "\"\n    scope=\"I\"\n    type=\"L\"\n    name=\"Language " + n +
           "\" />\n";
  }
  return s + (Mime ? "</mime-info>\n" : "</iso_639_3_entries>\n");
}

std::string DataFile(const char* Path, bool Mime) {
  std::string text = ReadFile(Path);
  return text.empty() ? MadeUp(Mime) : text;
}

// The root element of a document, without its prolog.
std::string RootOf(const std::string& Text) {
  size_t i = 0;
  for (;;) {
    i = Text.find('<', i);
    if (i == std::string::npos) return std::string();
    if (Text.compare(i, 4, "<!--") == 0) {
      i = Text.find("-->", i) + 3;
    } else if (Text.compare(i, 2, "<?") == 0) {
      i = Text.find("?>", i) + 2;
    } else if (Text.compare(i, 9, "<!DOCTYPE") == 0) {
      const size_t bracket = Text.find('[', i), close = Text.find('>', i);
      i = bracket < close ? Text.find("]>", bracket) + 2 : close + 1;
    } else {
      return Text.substr(i);
    }
  }
}

// The inputs by index: generated, MIME database, ISO 639-3, both repeated under one root.
const std::vector<std::string>& Inputs() {
  static const std::vector<std::string> inputs = [] {
    std::vector<std::string> v;
    v.push_back(Document());
    v.push_back(DataFile("/usr/share/mime/packages/freedesktop.org.xml", true));
    v.push_back(DataFile("/usr/share/xml/iso-codes/iso_639-3.xml", false));
    const std::string mime = RootOf(v[1]), iso = RootOf(v[2]);
    std::string all = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<documents>\n";
    while (all.size() < 18u * 1024 * 1024) all += mime + iso;
    v.push_back(all + "</documents>\n");
    return v;
  }();
  return inputs;
}
const char* const KInputNames[] = {"generated", "mime", "iso639-3", "18MB"};

// The heap in use, to report what a loaded tree keeps.
size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

void SetHeapCounter(benchmark::State& State, size_t Before, size_t After) {
  State.counters["heap_MB"] = static_cast<double>(After > Before ? After - Before : 0) / (1024.0 * 1024.0);
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

// From memory, as the peers read: the document's bytes in a memory stream.
void BM_ZCLDocumentLoad(benchmark::State& State) {
  Init();
  const std::string& doc = Inputs()[State.range(0)];
  // Made once: the peers read the same bytes in place, without a copy per round.
  TBytesStream stream(TBytes(doc.begin(), doc.end()));
  size_t before = 0, after = 0;
  for (auto _ : State) {
    stream.SetPosition(0);
    before = HeapInUse();
    TZCLXMLDocument* d = Create<TZCLXMLDocument>();
    d->LoadFromStream(&stream);
    after = HeapInUse();
    benchmark::DoNotOptimize(d->GetCount());
    Free(d);  // the others free their trees inside the loop too
  }
  SetHeapCounter(State, before, after);
  State.SetLabel(KInputNames[State.range(0)]);
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_ZCLDocumentLoad)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_Libxml2ReadMemory(benchmark::State& State) {
  const std::string& doc = Inputs()[State.range(0)];
  size_t before = 0, after = 0;
  for (auto _ : State) {
    before = HeapInUse();
    xmlDocPtr d = xmlReadMemory(doc.data(), static_cast<int>(doc.size()), "bench.xml", nullptr, 0);
    after = HeapInUse();
    benchmark::DoNotOptimize(d);
    xmlFreeDoc(d);
  }
  SetHeapCounter(State, before, after);
  State.SetLabel(KInputNames[State.range(0)]);
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_Libxml2ReadMemory)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_Pugixml(benchmark::State& State) {
  const std::string& doc = Inputs()[State.range(0)];
  size_t before = 0, after = 0;
  for (auto _ : State) {
    pugi::xml_document d;
    before = HeapInUse();
    benchmark::DoNotOptimize(d.load_buffer(doc.data(), doc.size()));
    after = HeapInUse();
  }
  SetHeapCounter(State, before, after);
  State.SetLabel(KInputNames[State.range(0)]);
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_Pugixml)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// Goals: at least twice libxml2's speed, within five times pugixml's time.
ZEPHSE_BENCH_RATIO("BM_ZCLDocumentLoad/0", "BM_Libxml2ReadMemory/0", 2.0);
ZEPHSE_BENCH_RATIO("BM_ZCLDocumentLoad/1", "BM_Libxml2ReadMemory/1", 2.0);
ZEPHSE_BENCH_RATIO("BM_ZCLDocumentLoad/2", "BM_Libxml2ReadMemory/2", 2.0);
ZEPHSE_BENCH_RATIO("BM_ZCLDocumentLoad/3", "BM_Libxml2ReadMemory/3", 2.0);
ZEPHSE_BENCH_RATIO("BM_ZCLDocumentLoad/0", "BM_Pugixml/0", 0.2);
ZEPHSE_BENCH_RATIO("BM_ZCLDocumentLoad/1", "BM_Pugixml/1", 0.2);
ZEPHSE_BENCH_RATIO("BM_ZCLDocumentLoad/2", "BM_Pugixml/2", 0.2);
ZEPHSE_BENCH_RATIO("BM_ZCLDocumentLoad/3", "BM_Pugixml/3", 0.2);

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
// Goal: saving as text at least as fast as pugixml.
ZEPHSE_BENCH_RATIO("BM_ZCLDocumentSave/1", "BM_Libxml2Save", 0);
ZEPHSE_BENCH_RATIO("BM_ZCLDocumentSave/1", "BM_PugixmlSave", 1.0);

}  // namespace

int main(int argc, char** argv) { return RunBenchmarksWithRatios(argc, argv); }
