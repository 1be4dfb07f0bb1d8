#include "zcl/graphics/ZCL.Graphics.FontCache.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <unordered_map>

#include "os/OS.Fonts.h"
#include "os/OS.Gdi.h"
#include "os/OS.Text.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Hashes.h"
#include "zcl/base/ZCL.Threading.h"

bool operator==(const TZCLFontData& A, const TZCLFontData& B) {
  return A.Charset == B.Charset && A.Height == B.Height && A.Orientation == B.Orientation && A.Pitch == B.Pitch &&
         A.Quality == B.Quality && A.Style == B.Style && A.TargetDPI == B.TargetDPI && AnsiSameText(A.Name, B.Name);
}

Cardinal TZCLFontData::Hash() const {
  Cardinal h = 0;
  auto feed = [&h](const void* Data, size_t Size) { h = TZCLHashBobJenkins::HashLittle(Data, Size, h); };
  feed(&Charset, 1);
  feed(&Height, 4);
  feed(&Orientation, 4);
  feed(&Pitch, 1);
  feed(&Quality, 1);
  feed(&Style, 1);
  feed(&TargetDPI, 4);
  const std::string name = StringToUTF8(AnsiLowerCase(Name));
  feed(name.data(), name.size());
  return h;
}

namespace {
struct TFontCacheState {
  TZCLCriticalSection Lock;
  std::unordered_map<TZCLFontData, std::unique_ptr<TFont>, TZCLFontDataHasher> Fonts;
  std::vector<String> Families;
  std::thread Loader;
  std::atomic<bool> Cancelled{false};
  bool LoaderStarted = false;
  bool LoaderJoined = false;
  TZCLFontSubstitution Substitution = nullptr;
};

TFontCacheState* GState = nullptr;

TFontCacheState& State() {
  if (GState == nullptr) GState = new TFontCacheState();
  return *GState;
}
}  // namespace

TZCLFontData TZCLFontData::FromFont(TFont* Font) {
  TZCLFontData data;
  data.Charset = Font->GetCharset();
  data.Height = Font->GetHeight();
  data.Name = Font->GetName();
  data.Orientation = Font->GetOrientation();
  data.Pitch = static_cast<Byte>(Font->GetPitch());
  data.Quality = static_cast<Byte>(Font->GetQuality());
  data.Style = static_cast<Byte>(Font->GetStyle().ToInteger());
  data.TargetDPI = 96;
  if (TZCLFontSubstitution sub = State().Substitution) sub(data.Name, data.Height);
  return data;
}

Integer FontHeightToCharHeight(TFont* Font, Integer Height) {
  if (Height < 0) return Height;
  HDC dc = CreateCompatibleDC(nullptr);
  TFont probe;
  probe.Assign(Font);
  probe.SetPixelsPerInch(96);
  probe.SetHeight(Height);
  HGDIOBJ old = SelectObject(dc, ToGdiObject(probe.GetHandle()));
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  DeleteDC(dc);
  if (Height == 0) return -std::abs(static_cast<Integer>(tm.tmHeight - tm.tmInternalLeading));
  return -static_cast<Integer>(tm.tmHeight - tm.tmInternalLeading);
}

void FontSetHeightForDPI(TFont* Font, Integer Height, Integer Dpi) {
  if (Dpi > 0 && Dpi != 96) {
    if (Height >= 0) Height = FontHeightToCharHeight(Font, Height);
    Height = MulDiv(Height, Dpi, 96);
  }
  Font->SetHeight(Height);
}

TFont* TZCLFontCache::GetFont(const String& Name, TFontStyles Style, Integer Height, Integer TargetDPI,
                              TFontQuality Quality) {
  TZCLFontData data;
  data.Name = Name;
  data.Style = static_cast<Byte>(Style.ToInteger());
  data.Height = Height;
  data.TargetDPI = TargetDPI;
  data.Quality = static_cast<Byte>(Quality);
  if (TZCLFontSubstitution sub = State().Substitution) sub(data.Name, data.Height);
  return GetFont(data);
}

TFont* TZCLFontCache::GetFont(TZCLFontData Data) {
  TFontCacheState& state = State();
  TZCLLockGuard guard(state.Lock);
  auto found = state.Fonts.find(Data);
  if (found != state.Fonts.end()) return found->second.get();
  auto font = std::make_unique<TFont>();
  font->SetName(Data.Name);
  font->SetOrientation(Data.Orientation);
  font->SetPitch(static_cast<TFontPitch>(Data.Pitch));
  font->SetQuality(static_cast<TFontQuality>(Data.Quality));
  font->SetStyle(TFontStyles::FromInteger(Data.Style));
  font->SetCharset(Data.Charset);
  FontSetHeightForDPI(font.get(), Data.Height, Data.TargetDPI);
  TFont* result = font.get();
  state.Fonts.emplace(std::move(Data), std::move(font));
  return result;
}

Integer TZCLFontCache::CachedFontCount() {
  TZCLLockGuard guard(State().Lock);
  return static_cast<Integer>(State().Fonts.size());
}

void TZCLFontCache::StartLoaderCore() {
  TFontCacheState& state = State();
  TZCLLockGuard guard(state.Lock);
  if (state.LoaderStarted) return;
  state.LoaderStarted = true;
  state.Loader = std::thread([&state] {
    std::vector<String> families;
    for (const String& name : GetFontFamilies()) {
      if (state.Cancelled.load()) break;
      if (!name.empty() && name[0] != u'@') families.push_back(name.substr(0, 32));
    }
    state.Families = std::move(families);
  });
}

void TZCLFontCache::WaitForLoader(bool Cancel) {
  TFontCacheState& state = State();
  if (!state.LoaderStarted) {
    if (Cancel) return;
    StartLoaderCore();
  }
  if (Cancel) state.Cancelled = true;
  TZCLLockGuard guard(state.Lock);
  if (!state.LoaderJoined && state.Loader.joinable()) {
    state.Loader.join();
    state.LoaderJoined = true;
  }
}

void TZCLFontCache::EnumFonts(const std::function<void(const String&)>& Proc) {
  WaitForLoader(false);
  TZCLLockGuard guard(State().Lock);
  for (const String& name : State().Families) Proc(name);
}

void TZCLFontCache::SetSubstitution(TZCLFontSubstitution Proc) { State().Substitution = Proc; }

void TZCLFontCache::Initialize() { State(); }

void TZCLFontCache::Finalize() {
  if (GState == nullptr) return;
  WaitForLoader(true);
  delete GState;
  GState = nullptr;
}
