#include "zeph/media/ZBL.AudioTypes.h"

#include <cmath>

#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Numbers.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {
// Nearest integer, ties to even (the default rounding mode), in double precision.
Int64 RoundEven(Double Value) { return static_cast<Int64>(std::nearbyint(Value)); }
}  // namespace

String TZBLStreamInfoUtils::ChannelsToText(Integer Count) {
  switch (Count) {
    case 1:
      return u"Mono";
    case 2:
      return u"Stereo";
    case 4:
      return u"Quad";
    case 5:
      return u"5.0 Surround";
    case 6:
      return u"5.1 Surround";
    case 7:
      return u"7.0 Surround";
    case 8:
      return u"7.1 Surround";
    default:
      return IntToStr(Count);
  }
}

Double TZBLStreamInfoUtils::TextToFloat(StringView Text) {
  static const TFormatSettings invariant = TFormatSettings::Invariant();
  const size_t space = Text.find(u' ');
  Extended value = 0;
  if (!TryStrToFloat(Text.substr(0, space), value, invariant) || !std::isfinite(value)) return 0;
  return static_cast<Double>(value);
}

String TZBLStreamInfoUtils::GainToText(Double Value) { return zcFormatFloat(u"0.00", Value) + u" dB"; }

String TZBLStreamInfoUtils::PeakToText(Double Value) {
  return Value > 0 ? zcFormatFloat(u"0.000000", Value) : String();
}

String TZBLStreamInfoUtils::BitDepthToText(Integer BitDepth) {
  if (BitDepth == 0) return String();
  String result = IntToStr(BitDepth < 0 ? -static_cast<Int64>(BitDepth) : static_cast<Int64>(BitDepth)) + u" bit";
  if (BitDepth < 0) result += u" float";
  return result;
}

void TZBLStreamInfoUtils::SetBitDepth(TZBLStreamInfo& Info, Integer Bits, bool FloatingPoint) {
  const Integer bits = std::min<Integer>(static_cast<Word>(Bits), 256);
  Info.BitDepth = static_cast<SmallInt>(FloatingPoint ? -bits : bits);
}

Integer TZBLStreamInfoUtils::BitrateOf(Int64 StreamSize, Cardinal Duration) {
  if (Duration == 0) return 0;
  return static_cast<Integer>(RoundEven(static_cast<Double>(StreamSize) * 8 / Duration));
}

void TZBLStreamInfoUtils::CalculateBitrate(TZBLStreamInfo& Info) {
  Info.Bitrate = BitrateOf(Info.StreamSize, Info.Duration);
}

Cardinal TZBLStreamInfoUtils::DurationOfSamples(Int64 Samples, Cardinal SampleRate) {
  if (SampleRate == 0) return 0;
  return static_cast<Cardinal>(RoundEven(static_cast<Double>(Samples) * 1000 / SampleRate));
}

void TZBLStreamInfoUtils::SetDurationFromSamples(TZBLStreamInfo& Info, Int64 Samples) {
  Info.Duration = DurationOfSamples(Samples, Info.SampleRate);
}

Cardinal TZBLStreamInfoUtils::DurationOfPCM(Int64 Bytes, Integer Channels, Integer BitsPerSample, Cardinal SampleRate) {
  const Int64 frameSize = static_cast<Int64>(Channels) * BitsPerSample / 8;
  if (frameSize <= 0) return 0;
  return DurationOfSamples(Bytes / frameSize, SampleRate);
}

Int64 TZBLStreamInfoUtils::MulDivPositive(Int64 A, Int64 B, Int64 C) {
  if (B <= 0) return 0;
  return RoundEven(static_cast<Double>(A) * static_cast<Double>(C) / static_cast<Double>(B));
}

// ---- selection ------------------------------------------------------------------------------

TZBLTrackSelectionState TZBLTrackSelection::State() const {
  if (Start < 0) return TZBLTrackSelectionState::None;
  return Start < Finish ? TZBLTrackSelectionState::Complete : TZBLTrackSelectionState::StartOnly;
}

namespace {
String SelectionTime(Single Seconds) {
  // Whole milliseconds; a remaining fraction of a second rounds the seconds up.
  const Single truncated = static_cast<Single>(std::trunc(static_cast<Double>(Seconds) * 1000) / 1000);
  return TZCLTimeFormat::Format(truncated, TimePart(tpHours) | TimePart(tpMinutes) | TimePart(tpSeconds), u":", true);
}
}  // namespace

String TZBLTrackSelection::ToText() const {
  switch (State()) {
    case TZBLTrackSelectionState::Complete:
      return SelectionTime(Start) + u" - " + SelectionTime(Finish);
    case TZBLTrackSelectionState::StartOnly:
      return SelectionTime(Start) + u" - ???";
    default:
      return String();
  }
}

bool operator==(const TZBLTrackSelection& A, const TZBLTrackSelection& B) {
  return A.State() == B.State() && std::fabs(A.Start - B.Start) <= 0.01f && std::fabs(A.Finish - B.Finish) <= 0.01f;
}
