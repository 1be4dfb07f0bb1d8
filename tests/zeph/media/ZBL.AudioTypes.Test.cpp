#include <gtest/gtest.h>

#include "zeph/media/ZBL.AudioTypes.h"

TEST(AudioTypes, ValueTexts) {
  using U = TZBLStreamInfoUtils;
  EXPECT_EQ(U::ChannelsToText(1), u"Mono");
  EXPECT_EQ(U::ChannelsToText(2), u"Stereo");
  EXPECT_EQ(U::ChannelsToText(6), u"5.1 Surround");
  EXPECT_EQ(U::ChannelsToText(8), u"7.1 Surround");
  EXPECT_EQ(U::ChannelsToText(3), u"3");
  EXPECT_EQ(U::ChannelsToText(0), u"0");

  EXPECT_EQ(U::BitDepthToText(-32), u"32 bit float");
  EXPECT_EQ(U::BitDepthToText(24), u"24 bit");
  EXPECT_EQ(U::BitDepthToText(0), u"");

  EXPECT_EQ(U::GainToText(-6.5), u"-6.50 dB");
  EXPECT_EQ(U::PeakToText(0), u"");
  EXPECT_EQ(U::PeakToText(-1), u"");
  EXPECT_EQ(U::PeakToText(1), u"1.000000");

  EXPECT_DOUBLE_EQ(U::TextToFloat(u"-7.25 dB"), -7.25);
  EXPECT_DOUBLE_EQ(U::TextToFloat(u"3,5"), 0);
  EXPECT_DOUBLE_EQ(U::TextToFloat(u""), 0);
  EXPECT_DOUBLE_EQ(U::TextToFloat(u"abc"), 0);
}

TEST(AudioTypes, Arithmetic) {
  using U = TZBLStreamInfoUtils;
  TZBLStreamInfo info;
  U::SetBitDepth(info, 300, false);
  EXPECT_EQ(info.BitDepth, 256);
  U::SetBitDepth(info, 24, true);
  EXPECT_EQ(info.BitDepth, -24);

  EXPECT_EQ(U::ChannelCount(0x1002), 2);
  EXPECT_EQ(U::MakeChannels(0x11006), 0x1006);

  // 256 kbit/s for 320 s fill 10,240,000 bytes.
  EXPECT_EQ(U::BitrateOf(10240000, 320000), 256);
  EXPECT_EQ(U::BitrateOf(1000, 0), 0);
  info.StreamSize = 10240000;
  info.Duration = 320000;
  U::CalculateBitrate(info);
  EXPECT_EQ(info.Bitrate, 256);

  EXPECT_EQ(U::DurationOfSamples(44100, 44100), 1000u);
  EXPECT_EQ(U::DurationOfSamples(44100, 0), 0u);
  // 0.5 ms ties to the even neighbour.
  EXPECT_EQ(U::DurationOfSamples(1, 2000), 0u);
  EXPECT_EQ(U::DurationOfSamples(3, 2000), 2u);
  info.SampleRate = 48000;
  U::SetDurationFromSamples(info, 96000);
  EXPECT_EQ(info.Duration, 2000u);
  // 16-bit stereo: 4 bytes a frame; a partial frame is dropped.
  EXPECT_EQ(U::DurationOfPCM(176400 + 3, 2, 16, 44100), 1000u);
  EXPECT_EQ(U::DurationOfPCM(100, 1, 4, 44100), 0u);

  EXPECT_EQ(U::MulDivPositive(10, 0, 5), 0);
  EXPECT_EQ(U::MulDivPositive(10, -3, 5), 0);
  EXPECT_EQ(U::MulDivPositive(10, 4, 5), 12);  // 12.5 to even
}

TEST(AudioTypes, Selection) {
  struct Case {
    Single Start, Finish;
    TZBLTrackSelectionState State;
    const char16_t* Text;
  };
  const Case cases[] = {
      {10, 5, TZBLTrackSelectionState::StartOnly, u"0:10 - ???"},
      {10, 65.4f, TZBLTrackSelectionState::Complete, u"0:10 - 1:06"},
      {0, 3725, TZBLTrackSelectionState::Complete, u"0:00 - 1:02:05"},
      {-1, 20, TZBLTrackSelectionState::None, u""},
      {7, 7, TZBLTrackSelectionState::StartOnly, u"0:07 - ???"},
  };
  for (const Case& c : cases) {
    const TZBLTrackSelection s{c.Start, c.Finish};
    EXPECT_EQ(s.State(), c.State) << c.Start << " " << c.Finish;
    EXPECT_EQ(s.ToText(), c.Text) << c.Start << " " << c.Finish;
  }
  EXPECT_EQ((TZBLTrackSelection{1.0f, 2.0f}), (TZBLTrackSelection{1.005f, 2.0f}));
  EXPECT_NE((TZBLTrackSelection{1.0f, 2.0f}), (TZBLTrackSelection{1.05f, 2.0f}));
  // Different states are never equal, however close the numbers.
  EXPECT_NE((TZBLTrackSelection{1.0f, 1.0f}), (TZBLTrackSelection{1.0f, 1.005f}));
}
