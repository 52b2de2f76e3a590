// Lives in a static library that nothing references: only a whole-archive
// link keeps these globals.
#include "RankLogger.h"

KIVO_GLOBAL_RANK(10) RankLogger gLibRank10("10");
KIVO_GLOBAL_RANK(47) RankLogger gLibRank47("47");
