#pragma once
// Small MP4 files assembled atom by atom for the tests of the atom tree and the M4A container.

#include <string>
#include <vector>

namespace mp4test {

inline std::string BE(unsigned long long V, int Bytes) {
  std::string s;
  for (int i = Bytes - 1; i >= 0; --i) s += i < 8 ? static_cast<char>((V >> (8 * i)) & 0xFF) : '\0';
  return s;
}

inline std::string Atom(const std::string& Type, const std::string& Content) {
  return BE(8 + Content.size(), 4) + Type + Content;
}

inline std::string Data(unsigned Type, const std::string& Value) { return Atom("data", BE(Type, 4) + BE(0, 4) + Value); }

inline std::string Text(const std::string& Code, const std::string& Value) { return Atom(Code, Data(1, Value)); }

inline std::string Custom(const std::string& Name, const std::string& Value) {
  return Atom("----", Atom("mean", BE(0, 4) + "com.apple.iTunes") + Atom("name", BE(0, 4) + Name) + Data(1, Value));
}

// AAC LC with an SBR sync extension (flag 1) in its decoder-specific information.
inline std::string Esds(unsigned Bitrate) {
  const std::string asc("\x13\x90\x56\xE5\x98", 5);
  const std::string dsi = "\x05" + BE(asc.size(), 1) + asc;
  const std::string dcd = "\x04" + BE(13 + dsi.size(), 1) + "\x40\x15" + BE(0, 3) + BE(Bitrate, 4) + BE(Bitrate, 4) + dsi;
  const std::string es = "\x03" + BE(3 + dcd.size(), 1) + BE(1, 2) + std::string(1, '\0') + dcd;
  return Atom("esds", BE(0, 4) + es);
}

inline std::string AudioEntry(const std::string& Code, const std::string& Extra) {
  return Atom(Code, std::string(6, '\0') + BE(1, 2) + std::string(8, '\0') + BE(2, 2) + BE(16, 2) + BE(0, 4) +
                        BE(22050u << 16, 4) + Extra);
}

inline std::string Trak(unsigned TrackID, const std::string& Handler, unsigned TimeScale, unsigned Duration,
                        const std::string& Entry, const std::vector<unsigned>& Offsets, const std::string& Tref = "",
                        const std::string& MoreTables = "") {
  std::string stco = BE(0, 4) + BE(Offsets.size(), 4);
  for (unsigned o : Offsets) stco += BE(o, 4);
  const std::string stbl = Atom("stsd", BE(0, 4) + BE(1, 4) + Entry) + Atom("stco", stco) + MoreTables;
  const std::string dinf = Atom("dinf", Atom("dref", BE(0, 4) + BE(1, 4) + Atom("url ", BE(1, 4))));
  const std::string mdia = Atom("mdhd", BE(0, 4) + BE(0, 4) + BE(0, 4) + BE(TimeScale, 4) + BE(Duration, 4) + BE(0, 4)) +
                           Atom("hdlr", BE(0, 4) + BE(0, 4) + Handler + std::string(13, '\0')) +
                           Atom("minf", dinf + Atom("stbl", stbl));
  return Atom("trak", Atom("tkhd", BE(0, 4) + BE(0, 4) + BE(0, 4) + BE(TrackID, 4) + std::string(68, '\0')) + Tref +
                          Atom("mdia", mdia));
}

inline std::string Ilst(const std::string& Items, const std::string& MoreUdta = "") {
  return Atom("udta", MoreUdta + Atom("meta", BE(0, 4) + Atom("hdlr", BE(0, 8) + "mdirappl" + std::string(9, '\0')) +
                                      Atom("ilst", Items)));
}

const std::string MediaData(400, 'm');

// ftyp, moov (one audio track whose two chunks point into mdat, the metadata given), mdat.
inline std::string File(const std::string& Items, const std::string& Brand = "M4A ", const std::string& MoreMoov = "") {
  const std::string ftyp = Atom("ftyp", Brand + BE(0, 4) + "M4A isom");
  auto moovWith = [&](unsigned MdatData) {
    return Atom("moov", Atom("mvhd", std::string(100, '\0')) +
                            Trak(1, "soun", 22050, 220500, AudioEntry("mp4a", Esds(128000)), {MdatData, MdatData + 200}) +
                            MoreMoov + Items);
  };
  const unsigned mdatData = static_cast<unsigned>(ftyp.size() + moovWith(0).size() + 8);
  return ftyp + moovWith(mdatData) + Atom("mdat", MediaData);
}

}  // namespace mp4test
