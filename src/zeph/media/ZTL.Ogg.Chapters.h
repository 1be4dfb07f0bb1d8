#pragma once
// Chapters of Ogg files as comments: "CHAPTERnnn" holds the start (and "-->" the finish) of a
// chapter, "CHAPTERnnnNAME" its title. They live among the custom fields of the comment tag.

#include "zeph/media/ZBL.FileInfo.h"

class TZBLOggChapters {
 public:
  TZBLOggChapters() = delete;
  // Fills Chapters from Info's custom fields; an open last chapter ends at the stream's duration.
  static void LoadChapters(TZBLChapters* Chapters, const TZBLFileInfo* Info);
  // Replaces every custom field starting with "CHAPTER" by the chapters, numbered from 0.
  static void SaveChapters(TZBLFileInfo* Info, const TZBLChapters* Chapters);
  // "HH:MM:SS.mmm", hours widening as needed; a negative time gets a leading "-".
  static String FormatTime(Double Seconds);
};
