// A test that ends the process with exit code 0 before GoogleTest reports.
// CTest registers it expecting failure: it shows that such a run is not
// counted as a pass.
#include <gtest/gtest.h>

#include <cstdlib>

TEST(ExitGuardProbe, EndsTheProcessBeforeTheReport) { std::exit(0); }
