#pragma once
// The converters of skins older than 3.04: each repairs what its version lacks in the old INI
// and files and then runs the steps of the next newer version, down to the common conversion to
// 3.50.

#include "zse/formats/ZSE.Formats.Legacy.Converter.h"

class TZCLXMLDocument;
class TZCLXMLNode;

// 3.03.
class TZSESkinFormatZCSPv33Converter : public TZSESkinFormatZCS3v1Converter {
  ZCL_CLASS(TZSESkinFormatZCSPv33Converter, TZSESkinFormatZCS3v1Converter)
 public:
  using TZSESkinFormatZCS3v1Converter::TZSESkinFormatZCS3v1Converter;
  static TZSESkinVersion GetSourceVersion() { return 303; }

 protected:
  void Prepare() override;
};

// 3.02: places were an alignment code and bounds.
class TZSESkinFormatZCSPv32Converter : public TZSESkinFormatZCSPv33Converter {
  ZCL_CLASS(TZSESkinFormatZCSPv32Converter, TZSESkinFormatZCSPv33Converter)
 public:
  using TZSESkinFormatZCSPv33Converter::TZSESkinFormatZCSPv33Converter;
  static TZSESkinVersion GetSourceVersion() { return 302; }

  void ConvertPlaceKeys();
  // "PlaceAnchors" from the flag bits (0 left, 1 top, 2 right, 3 bottom), "PlaceMargins",
  // "PlaceWidth" and "PlaceHeight" of the object's section.
  void WritePlaceInfo(const String& Name, Integer Anchors, const TRect& Margins, Integer Width, Integer Height);

 protected:
  void Prepare() override;
};

// 3.00: its own layout files, other object names, no drop wheel and no quick-file-info texts.
class TZSESkinFormatZCSPv30Converter : public TZSESkinFormatZCSPv32Converter {
  ZCL_CLASS(TZSESkinFormatZCSPv30Converter, TZSESkinFormatZCSPv32Converter)
 public:
  using TZSESkinFormatZCSPv32Converter::TZSESkinFormatZCSPv32Converter;
  static TZSESkinVersion GetSourceVersion() { return 300; }

  // (0, 0, width, height) of the bitmap file; empty when missing.
  TRect GetBitmapSize(const String& Name);
  // Several top-level elements are gathered under a new "layout"; a lone "items" is renamed.
  static void FixLegacyRoot(TZCLXMLDocument* Document);

 protected:
  void Prepare() override;

 private:
  void AddObjectAliases();
  void ConvertDropWheel();
  void FixParents();
  void ConvertLayoutFiles();
  void AddQFITemplates();
  void RenameObjects();
  void ConvertInfoBars();
  void ApplyElementRules(TZCLXMLNode* Element);
  void ConvertTabControl(TZCLXMLNode* Element);
  void RepairAlignment(TZCLXMLNode* Element);
};

// 2.60: bounds inside the parent's bounds, switch states in separate bitmaps.
class TZSESkinFormatZCSPv3Converter : public TZSESkinFormatZCSPv30Converter {
  ZCL_CLASS(TZSESkinFormatZCSPv3Converter, TZSESkinFormatZCSPv30Converter)
 public:
  using TZSESkinFormatZCSPv30Converter::TZSESkinFormatZCSPv30Converter;
  static TZSESkinVersion GetSourceVersion() { return 260; }

  void ConvertBounds();
  // Stacks the bitmaps Upper and Lower into Target; False, changing nothing, when they are
  // missing (both when BothRequired, else either).
  bool MergeFrames(const String& Upper, const String& Lower, const String& Target, bool BothRequired);
  void EnsureTwoFrames(const String& Section);

 protected:
  void Prepare() override;

 private:
  void ConvertImageList();
  void AddTextTemplates();
  void ConvertPlaylistSwitches();
  void DrawExpandButtons();
};

// 2.11: one INI with a few large sections, rewritten into the 2.60 layout first.
class TZSESkinFormatZCSPv2Converter : public TZSESkinFormatZCSPv3Converter {
  ZCL_CLASS(TZSESkinFormatZCSPv2Converter, TZSESkinFormatZCSPv3Converter)
 public:
  using TZSESkinFormatZCSPv3Converter::TZSESkinFormatZCSPv3Converter;
  static TZSESkinVersion GetSourceVersion() { return 211; }

 protected:
  void Prepare() override;

 private:
  void AddQuickFileInfo();
};

// Unit hooks: the converters in their registration order.
void LegacyConvertersInitialize();
