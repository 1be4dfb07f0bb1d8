#include "zeph/media/ZTL.Genres.h"

#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {

const char16_t* const AdditionalGenres[AdditionalGenreCount] = {
    u"Atmospheric", u"Chillout",   u"Dark Ambient",    u"Dark Folk",    u"Doom Metal",   u"Downtempo", u"Dream Pop",
    u"Drone",       u"Dub",        u"Experimental",    u"Gothic Metal", u"IDM",          u"Krautrock", u"Lounge",
    u"Mainstream",  u"Martial",    u"Neoclassical",    u"Neofolk",      u"Piano",        u"Pop-Rock",  u"Post-Rock",
    u"Post-Punk",   u"Rockablliy", u"Romantic",        u"Russian",      u"Russian Rock", u"Shoegaze",  u"Soft Rock",
    u"Space Rock",  u"Surf Rock",  u"Symphonic Metal", u"Witch House",  u"World Music"};

const char16_t* const StandardGenres[GenreCount] = {u"Blues",
                                                    u"Classic Rock",
                                                    u"Country",
                                                    u"Dance",
                                                    u"Disco",
                                                    u"Funk",
                                                    u"Grunge",
                                                    u"Hip-Hop",
                                                    u"Jazz",
                                                    u"Metal",
                                                    u"New Age",
                                                    u"Oldies",
                                                    u"Other",
                                                    u"Pop",
                                                    u"R&B",
                                                    u"Rap",
                                                    u"Reggae",
                                                    u"Rock",
                                                    u"Techno",
                                                    u"Industrial",
                                                    u"Alternative",
                                                    u"Ska",
                                                    u"Death Metal",
                                                    u"Pranks",
                                                    u"Soundtrack",
                                                    u"Euro-Techno",
                                                    u"Ambient",
                                                    u"Trip-Hop",
                                                    u"Vocal",
                                                    u"Jazz+Funk",
                                                    u"Fusion",
                                                    u"Trance",
                                                    u"Classical",
                                                    u"Instrumental",
                                                    u"Acid",
                                                    u"House",
                                                    u"Game",
                                                    u"Sound Clip",
                                                    u"Gospel",
                                                    u"Noise",
                                                    u"AlternRock",
                                                    u"Bass",
                                                    u"Soul",
                                                    u"Punk",
                                                    u"Space",
                                                    u"Meditative",
                                                    u"Instrumental Pop",
                                                    u"Instrumental Rock",
                                                    u"Ethnic",
                                                    u"Gothic",
                                                    u"Darkwave",
                                                    u"Techno-Industrial",
                                                    u"Electronic",
                                                    u"Pop-Folk",
                                                    u"Eurodance",
                                                    u"Dream",
                                                    u"Southern Rock",
                                                    u"Comedy",
                                                    u"Cult",
                                                    u"Gangsta",
                                                    u"Top ",
                                                    u"Christian Rap",
                                                    u"Pop/Funk",
                                                    u"Jungle",
                                                    u"Native American",
                                                    u"Cabaret",
                                                    u"New Wave",
                                                    u"Psychedelic",
                                                    u"Rave",
                                                    u"Showtunes",
                                                    u"Trailer",
                                                    u"Lo-Fi",
                                                    u"Tribal",
                                                    u"Acid Punk",
                                                    u"Acid Jazz",
                                                    u"Polka",
                                                    u"Retro",
                                                    u"Musical",
                                                    u"Rock & Roll",
                                                    u"Hard Rock",
                                                    u"Folk",
                                                    u"Folk-Rock",
                                                    u"National Folk",
                                                    u"Swing",
                                                    u"Fast Fusion",
                                                    u"Bebob Jazz",
                                                    u"Latin",
                                                    u"Revival",
                                                    u"Celtic",
                                                    u"Bluegrass",
                                                    u"Avantgarde",
                                                    u"Gothic Rock",
                                                    u"Progressive Rock",
                                                    u"Psychedelic Rock",
                                                    u"Symphonic Rock",
                                                    u"Slow Rock",
                                                    u"Big Band",
                                                    u"Chorus",
                                                    u"Easy Listening",
                                                    u"Acoustic",
                                                    u"Humour",
                                                    u"Speech",
                                                    u"Chanson",
                                                    u"Opera",
                                                    u"Chamber Music",
                                                    u"Sonata",
                                                    u"Symphony",
                                                    u"Booty Bass",
                                                    u"Primus",
                                                    u"Porn Groove",
                                                    u"Satire",
                                                    u"Slow Jam",
                                                    u"Club",
                                                    u"Tango",
                                                    u"Samba",
                                                    u"Folklore",
                                                    u"Ballad",
                                                    u"Power Ballad",
                                                    u"Rhythmic Soul",
                                                    u"Freestyle",
                                                    u"Duet",
                                                    u"Punk Rock",
                                                    u"Drum Solo",
                                                    u"A capella",
                                                    u"Euro-House",
                                                    u"Dance Hall",
                                                    u"Goa",
                                                    u"Drum & Bass",
                                                    u"Club-House",
                                                    u"Hardcore",
                                                    u"Terror",
                                                    u"Indie",
                                                    u"BritPop",
                                                    u"Negerpunk",
                                                    u"Polsk Punk",
                                                    u"Beat",
                                                    u"Christian Gangsta Rap",
                                                    u"Heavy Metal",
                                                    u"Black Metal",
                                                    u"Crossover",
                                                    u"Contemporary Christian",
                                                    u"Christian Rock",
                                                    u"Merengue",
                                                    u"Salsa",
                                                    u"Thrash Metal",
                                                    u"Anime",
                                                    u"JPop",
                                                    u"Synthpop"};

}  // namespace

String GetGenreName(Integer Index) {
  if (Index < 0 || Index >= GenreCount) return String();
  return StandardGenres[Index];
}

Integer IndexOfGenre(StringView Text) {
  for (Integer i = 0; i < GenreCount; ++i) {
    StringView name = StandardGenres[i];
    if (name.size() == Text.size() && zcSameText(name, Text)) return i;
  }
  return -1;
}

bool TryGetGenreIndex(StringView Text, Integer& Index) {
  Index = IndexOfGenre(Text);
  return Index > 0;
}

TZTLCustomValues::TZTLCustomValues() : FValues(new TZCLStringList()) { FValues->SetIgnoreCase(false); }

TZTLCustomValues::~TZTLCustomValues() { delete FValues; }

bool TZTLCustomValues::IsPredefinedValue(StringView) const { return false; }

void TZTLCustomValues::PopulateValues(TZCLStringList*) const {}

bool TZTLCustomGenres::IsPredefinedValue(StringView Text) const { return IndexOfGenre(Text) >= 0; }

void TZTLCustomGenres::PopulateValues(TZCLStringList* List) const {
  List->EnsureCapacity(AdditionalGenreCount);
  for (const char16_t* name : AdditionalGenres) List->Add(name);
}

TZTLCustomGenres* GetPredefinedGenres() {
  static TZTLCustomGenres genres;
  return &genres;
}
