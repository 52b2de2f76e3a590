// Lives in a static library that nothing references: only a whole-archive
// link keeps these globals.
#include "rank_logger.h"

KIVO_GLOBAL_RANK(10) RankLogger gLibRank10("10");
KIVO_GLOBAL_RANK(47) RankLogger gLibRank47("47");
