#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.FileFormats.XML.Reader.h"

namespace {

// The context the handlers write their calls into.
class TLog : public TObject {
 public:
  std::string Text;
  void Add(const std::string& S) { Text += (Text.empty() ? "" : " ") + S; }
};

std::atomic<int> GLive{0};

// Logs every call as "<tag>.<call>"; the element's "id" attribute names the tag when present.
class TLogLoader : public TZCLXMLNodeLoader {
  ZCL_CLASS(TLogLoader, TZCLXMLNodeLoader)
 public:
  explicit TLogLoader(TZCLXMLNameTable* NameTable) : TZCLXMLNodeLoader(NameTable) { ++GLive; }
  ~TLogLoader() override { --GLive; }
  void OnBegin(TObject* Context, TZCLXMLReader* Reader) override {
    String id;
    Tag = Reader->TryGetAttribute(u"id", id) ? StringToUTF8(id) : StringToUTF8(Reader->Node()->LocalName);
    Log(Context, "begin");
  }
  void SubstituteContext(TObject*& Context) override { static_cast<TLog*>(Context)->Add("ctx"); }
  void OnText(TObject* Context, TZCLXMLReader* Reader) override { Log(Context, StringToUTF8(Reader->GetValue())); }
  void OnEnd(TObject* Context) override { Log(Context, "end"); }
  std::string Tag;

 private:
  void Log(TObject* Context, const std::string& What) { static_cast<TLog*>(Context)->Add(Tag + "." + What); }
};

// Root "a" whose children "b" are logged.
class TALoader : public TLogLoader {
  ZCL_CLASS(TALoader, TLogLoader)
 public:
  explicit TALoader(TZCLXMLNameTable* NameTable) : TLogLoader(NameTable) {
    Loaders = Create<TZCLXMLNodeLoaders>(NameTable);
    Loaders->AddLoader(u"b", TLogLoader::StaticClass());
  }
};

// Selects its handler by the "rel" attribute.
class TRelLoader : public TLogLoader {
  ZCL_CLASS(TRelLoader, TLogLoader)
 public:
  explicit TRelLoader(TZCLXMLNameTable* NameTable) : TLogLoader(NameTable) {
    KeyAttribute = u"rel";
    Loaders = Create<TZCLXMLNodeLoaders>(NameTable);
    Loaders->AddLoader(u"x", TLogLoader::StaticClass());
    Loaders->AddLoader(u"y", TALoader::StaticClass());
  }
};

// Gives its subtree a context of its own and writes that context's log into the outer one.
class TScopeLoader : public TALoader {
  ZCL_CLASS(TScopeLoader, TALoader)
 public:
  explicit TScopeLoader(TZCLXMLNameTable* NameTable) : TALoader(NameTable) {}
  void SubstituteContext(TObject*& Context) override {
    FOuter = static_cast<TLog*>(Context);
    Context = Create<TLog>();
  }
  void OnEnd(TObject* Context) override {
    FOuter->Add("[" + static_cast<TLog*>(Context)->Text + "]");
    Free(Context);
  }

 private:
  TLog* FOuter = nullptr;
};

class TTestLoader : public TZCLXMLDocumentLoader {
 public:
  TTestLoader() {
    Loaders->AddLoader(u"a", TALoader::StaticClass());
    Loaders->AddLoader(u"rel", TRelLoader::StaticClass());
    Loaders->AddLoader(u"s", TScopeLoader::StaticClass());
    Loaders->AddLoader(u"twice", TLogLoader::StaticClass());
    Loaders->AddLoader(u"twice", TALoader::StaticClass());
    Loaders->AddCallback(u"cb", [](TObject* Context, const String& Text) {
      static_cast<TLog*>(Context)->Add("cb(" + StringToUTF8(Text) + ")");
    });
  }
  std::string Run(const std::string& Xml) {
    TLog log;
    TBytesStream stream(TBytes(Xml.begin(), Xml.end()));
    Load(&log, &stream);
    return log.Text;
  }
};

}  // namespace

TEST(ZCLXMLLoaders, DispatchesByElementName) {
  TTestLoader loader;
  struct Case {
    const char* Xml;
    const char* Log;
  } cases[] = {
      {"<a><b>t<c>u</c></b></a>", "ctx a.begin ctx b.begin b.t b.end a.end"},
      {"<a>x<b/>y</a>", "ctx a.begin a.x ctx b.begin b.end a.y a.end"},
      {"<z><a><b/></a></z>", ""},  // no handler for the root: nothing below it either
      {"<a><b>1</b><b>2</b><b>3", "ctx a.begin ctx b.begin b.1 b.end ctx b.begin b.2 b.end ctx b.begin b.3"},
      {"<a><b>1</b></c>", "ctx a.begin ctx b.begin b.1 b.end"},  // loaded up to the error
      {"<twice/>", "ctx twice.begin twice.end"},
      {"<twice><b/></twice>", "ctx twice.begin ctx b.begin b.end twice.end"},  // the entry added last wins
      {"<cb>  hi  </cb>", "cb(hi)"},
      {"<cb xml:space='preserve'>  hi  </cb>", "cb(  hi  )"},
      {"<cb><![CDATA[c]]></cb>", "cb(c)"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(loader.Run(c.Xml), c.Log) << c.Xml;
}

TEST(ZCLXMLLoaders, KeyAttributeAndContextSubstitution) {
  TTestLoader loader;
  EXPECT_EQ(loader.Run("<rel rel='x' id='X'>t</rel>"), "ctx X.begin X.t X.end");
  EXPECT_EQ(loader.Run("<rel rel='y'><b>t</b></rel>"), "ctx rel.begin ctx b.begin b.t b.end rel.end");
  EXPECT_EQ(loader.Run("<rel rel='z'>t</rel>"), "");
  EXPECT_EQ(loader.Run("<rel>t</rel>"), "");
  // The substituted context holds the subtree's calls and is gone again after the element.
  EXPECT_EQ(loader.Run("<s><b>t</b></s>"), "[s.begin ctx b.begin b.t b.end]");
}

// Loads over one loader from two threads share its name table; each load must still see its
// own names, and each handler entry ends with one instance.
TEST(ZCLXMLLoaders, ConcurrentLoadsShareOneLoader) {
  TTestLoader loader;
  const int liveBefore = GLive;
  auto work = [&](int Thread, std::vector<std::string>& Failures) {
    for (int i = 0; i < 200; ++i) {
      std::string id = "t" + std::to_string(Thread) + "_" + std::to_string(i);
      // Names never seen before make every load add to the name table.
      std::string xml = "<a><b id='" + id + "'><n" + id + " m" + id + "='1'/>x</b></a>";
      std::string want = "ctx a.begin ctx " + id + ".begin " + id + ".x " + id + ".end a.end";
      std::string got = loader.Run(xml);
      if (got != want) Failures.push_back(got);
    }
  };
  std::vector<std::string> f1, f2;
  std::thread t1(work, 1, std::ref(f1)), t2(work, 2, std::ref(f2));
  t1.join();
  t2.join();
  EXPECT_TRUE(f1.empty() && f2.empty()) << (f1.empty() ? f2.front() : f1.front());
  EXPECT_EQ(GLive.load() - liveBefore, 2);  // the handlers of a and of b
}
