// The fixed names by which scene properties and game code reach fonts and
// sound effects ("FONT_TEXT", "SOUND_BTN_CLK", ...): 53 names with ids 0 to
// 52, ids 0 to 5 fonts and 6 to 52 sounds, the same letters as the resource
// ids of the manifest. After the manifest's groups are loaded the fonts and
// sound ids are fetched once and handed out by name.
//
// Limits: names match exactly (case-sensitive, whole name); 53 is "no such
// name". A font is given only for a font id and a sound only for a sound
// id, so a sound name in a font property gives no font.
// Failures: a name the manifest does not provide stops the game through the
// application's resource-error path ("Font resource not found: FONT_SMALL",
// then exit), never through an escaping exception.
// Threads: fonts are fetched on the main thread; sound ids on the loading
// thread, read by the main thread only after loading has finished.
#pragma once

#include <string>

namespace Kivo {

class Font;
class ResourceManager;

constexpr int kResourceIdCount = 53;  // also the id of an unknown name
constexpr int kFirstFontId = 0;
constexpr int kLastFontId = 5;
constexpr int kFirstSoundId = 6;
constexpr int kLastSoundId = 52;

// The name of an id; "" outside 0..52.
std::string ResourceNameById(int id);
// The id of a name; 53 when the name is not one of the 53.
int ResourceIdByName(const std::string& name);

// The fetched font of a font name, or null (not a font name, or not
// fetched).
Font* FontByName(const std::string& name);
// The fetched sound id of a sound name, or -1 (not a sound name, or not
// fetched).
int SoundIdByName(const std::string& name);
Font* FontById(int id);
int SoundIdById(int id);

// Fetches the six fonts from the manager in the order GENERAL,
// GENERAL_BLACK, SMALL, STAGE, TEXT, TUTORIAL. A missing one goes to the
// application's resource-error path with exit; false is returned only when
// that path comes back (no application object).
bool FetchFonts(ResourceManager& manager);
// Fetches the 47 sound ids in id order, with the same failure path.
bool FetchSoundIds(ResourceManager& manager);
// Empties the fetched slots.
void ForgetFetchedResources();

}  // namespace Kivo
