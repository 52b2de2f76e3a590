// Fuzz target: the input as profile.dat, data.dat and highscore.dat. The
// loaded profile store is saved back and reloaded: a store read from any
// bytes must write a file that reads back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "frontend/GameDataFiles.h"
#include "frontend/Profiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Kivo::Profiles profiles("/nonexistent/profile.dat");
  bool loaded = profiles.LoadFromBytes(data, size);
  if (loaded != profiles.HasCurrent()) std::abort();
  std::string saved = profiles.Serialize();
  Kivo::Profiles again("/nonexistent/profile.dat");
  again.LoadFromBytes(reinterpret_cast<const uint8_t*>(saved.data()), saved.size());
  if (again.Serialize() != saved) std::abort();
  if (profiles.HasCurrent()) profiles.Delete(profiles.current().Name());

  Kivo::DataTable table;
  table.LoadFromBytes(data, size);
  Kivo::HighScores scores;
  scores.LoadFromBytes(data, size);
  return scores.rows.size() == 1 && table.records.size() <= size ? 0 : 1;
}
