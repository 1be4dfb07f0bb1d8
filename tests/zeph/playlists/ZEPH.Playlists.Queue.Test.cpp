#include "zeph/playlists/ZEPH.Playlists.Queue.h"

#include <gtest/gtest.h>

#include <string>

namespace {
class QueueRecorder : public TZCLUnknownObject, public IZEPHPlaylistQueueListener {
  RTL_INTERFACES(TZCLUnknownObject, IZEPHPlaylistQueueListener)
 public:
  void ContentChanged() override { Log += "c"; }
  void StateChanged() override { Log += "s"; }
  std::string Log;
};
}  // namespace

TEST(PlaybackQueue, MarksOrderAndNotifications) {
  TZEPHPlaylistStorage playlist, other;
  TZEPHPlaylistItem* a = playlist.AddEntry(u"/a.mp3");
  TZEPHPlaylistItem* b = playlist.AddEntry(u"/b.mp3");
  TZEPHPlaylistItem* c = other.AddEntry(u"/c.mp3");
  TZEPHPlaylistQueue queue;
  QueueRecorder recorder;
  queue.AddListener(&recorder);
  queue.BeginUpdate();
  queue.EndUpdate();
  EXPECT_EQ(recorder.Log, "cs");  // the first bracket notifies even without a change

  queue.Add({c}, false);
  queue.Add({a, b}, true);
  EXPECT_EQ(queue.Items(0), a);
  EXPECT_EQ(queue.Items(1), b);
  EXPECT_EQ(queue.Items(2), c);
  EXPECT_EQ(queue.Items(3), nullptr);
  queue.Add({a}, false);
  EXPECT_EQ(queue.GetMarkText(a), u"[1+]");
  queue.ItemStarted(a, true);
  EXPECT_EQ(queue.GetMarkText(a), u"[3]");
  EXPECT_EQ(queue.GetMarkText(playlist.AddEntry(u"/d.mp3")), u"");

  recorder.Log.clear();
  queue.SetEnabled(true);
  EXPECT_EQ(recorder.Log, "");
  queue.SetEnabled(false);
  EXPECT_EQ(recorder.Log, "s");
  EXPECT_FALSE(queue.IsActive());

  queue.Add({b}, false);
  queue.Remove(b, false);
  EXPECT_EQ(queue.IndexOf(b), -1);
  queue.RemoveStorage(&other);
  EXPECT_EQ(queue.Count(), 1);
  EXPECT_EQ(queue.Items(0), a);
  queue.RemoveListener(&recorder);
}
