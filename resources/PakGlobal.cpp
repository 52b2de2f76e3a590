// The process's archive object. Built before main so that every file read of
// the run, start-up included, can find it; it is never destroyed, because
// handles and mapped archives may be in use until the process ends.
#include <new>

#include "resources/PakInterface.h"

namespace Kivo {

PakInterface* gPakInterface = new (std::nothrow) PakInterface;

}  // namespace Kivo
