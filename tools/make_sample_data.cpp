// make_sample_data OUT: writes the sample game data (text tables, settings,
// conversation and tutorial scripts, animations) under the folder OUT, the same bytes on
// every run. Exit code 0 on success, 1 on a refused entry or a write failure,
// 2 on wrong usage.
#include <cstdio>
#include <string>

#include "tools/sampledata/SampleAnimations.h"
#include "tools/sampledata/SampleData.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sample_data OUT\n");
    return 2;
  }
  std::string error;
  if (!Kivo::WriteSampleData(argv[1], &error) || !Kivo::WriteSampleAnimations(argv[1], &error)) {
    std::fprintf(stderr, "make_sample_data: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
