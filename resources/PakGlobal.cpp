// The process's archive object. Built before main, at its rank among the
// global objects, so that every file read of the run can find it; it is never
// destroyed, because handles and mapped archives may be in use until the
// process ends.
#include <new>

#include "resources/PakInterface.h"
#include "shell/base/GlobalRanks.h"

namespace Kivo {

PakInterface* gPakInterface = nullptr;

namespace {

// The rank attribute applies to objects of class type only, hence a builder
// around the pointer's initialisation.
struct PakInterfaceBuilder {
  PakInterfaceBuilder() { gPakInterface = new (std::nothrow) PakInterface; }
};

KIVO_GLOBAL_RANK(kRankPakInterface) PakInterfaceBuilder sPakInterfaceBuilder;

}  // namespace

}  // namespace Kivo
