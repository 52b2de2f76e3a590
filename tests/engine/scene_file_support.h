// Scene database files for the scene tests: written by the builder's writer
// or patched byte by byte, saved into a temp folder and opened.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

#include "engine/ImageTable.h"
#include "engine/SceneDatabase.h"
#include "tests/support/temp_folder.h"
#include "tools/sampledata/SceneDbWriter.h"

namespace scenetest {

using namespace Kivo;

inline void PutU16At(std::string& bytes, std::size_t at, uint32_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

inline void PutU32At(std::string& bytes, std::size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline DtmRecord Record(const std::string& name, uint32_t type) {
  DtmRecord record;
  record.name = name;
  record.type = type;
  record.SetRect(10, 20, 100, 50);
  return record;
}

// The file of a writer holding one scene "Main" of a configuration record
// with "_iXRes" = "800": the smallest complete database (201 bytes).
inline std::string MinimalFile() {
  SceneDatabaseWriter writer;
  DtmRecord config;
  config.name = "Main";
  config.Property("_iXRes", "800");
  std::string error;
  EXPECT_TRUE(writer.AddScene("Main", config, &error)) << error;
  return writer.Bytes();
}

class SceneFileTest : public ::testing::Test {
 protected:
  void TearDown() override { FreeSceneDatabase(); }

  // Saves bytes as the database file and opens it.
  bool Open(const std::string& bytes) {
    std::ofstream(Path(), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return OpenSceneDatabase(Path());
  }
  bool Open(const SceneDatabaseWriter& writer) { return Open(writer.Bytes()); }
  std::string Path() const { return mFolder / "data.dtm"; }

  TempFolder mFolder;
};

}  // namespace scenetest
