#include <vector>

#include "ZTL.Containers.Fuzz.h"
#include "zeph/media/ZBL.FileFormats.MP4.h"
#include "zeph/media/ZTL.FileFormats.M4A.h"

// MP4 atom trees in any state: the tree loads or raises its own error and saves back (without
// "mdat") to the bytes it reports; the tracks' sample tables answer or raise their error; an M4A
// file goes through the save round trip.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  {
    TCustomMemoryStream input(Data, static_cast<NativeInt>(Size));
    TZTLM4AContainer tree;
    try {
      tree.LoadFromStream(&input);
      TMP4Atom* mdat = nullptr;
      while (tree.FindRecursive(MP4ID("mdat"), mdat)) mdat->Remove();
      TMemoryStream out;
      tree.SaveToStream(&out);
      if (out.GetSize() != tree.CalculateSize()) std::abort();
      TMP4Tracks tracks = tree.CreateTracks();
      for (auto& track : tracks) {
        TMP4TrackSeekTable table(track.get());
        std::vector<Byte> buffer;
        for (Integer i = 1; i <= table.SampleCount() && i <= 8; ++i) {
          try {
            table.ReadSample(&input, static_cast<Cardinal>(table.SampleAtTime(i * 100, true)), buffer);
          } catch (const Exception&) {
          }
        }
      }
    } catch (const EMP4InvalidAtomStructure&) {
    } catch (const EReadError&) {
    } catch (const EInvalidOperation&) {
    } catch (const Exception& e) {
      // The track reader's own error for an atom of the wrong class.
      if (e.GetMessage() != u"TMP4Track.GetAtom") throw;
    }
  }
  fuzzsupport::RoundTrip<TZTLTagsContainerM4A>(Data, Size);
  return 0;
}
