#include "rank_logger.h"

KIVO_GLOBAL_RANK(20) RankLogger gSecondRank20("20");
RankLogger gSecondUnranked("unranked");
