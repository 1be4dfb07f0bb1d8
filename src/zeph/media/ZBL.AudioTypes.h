#pragma once
// The technical properties of an audio stream and the texts the player shows for them: channel
// layouts, bit depths, replay-gain and peak values, bitrate and duration arithmetic, and the text
// of a time selection within a track.

#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Types.h"

// Copied by value. The record's stream form writes the fields in the order of the file format,
// not in this order.
struct TZBLStreamInfo {
  // Bits per sample; negative for floating-point samples of that many bits; 0 unknown.
  SmallInt BitDepth = 0;
  // Kilobits per second.
  Integer Bitrate = 0;
  // Bits 0-11: the channel count; bit 12: joint stereo.
  Word Channels = 0;
  // Milliseconds.
  Cardinal Duration = 0;
  // Hz.
  Cardinal SampleRate = 0;
  // Bytes of audio data.
  Int64 StreamSize = 0;
  // Kept and stored as given.
  String Codec;

  void Clear() { *this = TZBLStreamInfo(); }
  friend bool operator==(const TZBLStreamInfo&, const TZBLStreamInfo&) = default;
};

constexpr Word ZBLChannelsJointStereo = 0x1000;

class TZBLStreamInfoUtils : public TObject {
  ZCL_CLASS(TZBLStreamInfoUtils, TObject)
 public:
  // "Mono", "Stereo", "Quad", "5.0 Surround" ... "7.1 Surround"; other counts as digits.
  static String ChannelsToText(Integer Count);
  // The number before the first space, "." as the decimal separator; 0 when it does not parse.
  static Double TextToFloat(StringView Text);
  // "-6.50 dB".
  static String GainToText(Double Value);
  // "0.987650"; empty when the value is not above 0.
  static String PeakToText(Double Value);
  // "24 bit", "32 bit float"; empty for 0.
  static String BitDepthToText(Integer BitDepth);
  // Bits limited to 256, negated for floating point.
  static void SetBitDepth(TZBLStreamInfo& Info, Integer Bits, bool FloatingPoint);
  static Integer ChannelCount(Word Channels) { return Channels & 0x0FFF; }
  static Word MakeChannels(Integer Count) { return static_cast<Word>(Count); }
  // Kilobits per second of StreamSize bytes played in Duration milliseconds.
  static Integer BitrateOf(Int64 StreamSize, Cardinal Duration);
  static void CalculateBitrate(TZBLStreamInfo& Info);
  // Milliseconds.
  static Cardinal DurationOfSamples(Int64 Samples, Cardinal SampleRate);
  static void SetDurationFromSamples(TZBLStreamInfo& Info, Int64 Samples);
  // Frames of Channels * BitsPerSample / 8 bytes; 0 when a frame would be empty.
  static Cardinal DurationOfPCM(Int64 Bytes, Integer Channels, Integer BitsPerSample, Cardinal SampleRate);
  // A * C / B rounded; 0 when B is not positive.
  static Int64 MulDivPositive(Int64 A, Int64 B, Int64 C);
};

enum class TZBLTrackSelectionState : Byte { None, StartOnly, Complete };

// A time range within a track, in seconds. A negative start means no selection.
struct TZBLTrackSelection {
  Single Start = -1;
  Single Finish = -1;

  TZBLTrackSelectionState State() const;
  // "0:10 - 1:05", "0:10 - ???" with only a start, empty for none.
  String ToText() const;
  // Same state; starts and finishes within 0.01 s.
  friend bool operator==(const TZBLTrackSelection& A, const TZBLTrackSelection& B);
};
