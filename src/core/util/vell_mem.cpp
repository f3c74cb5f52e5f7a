#include "core/util/vell_mem.h"

#include <cstdlib>

void Vell_MallocFree(void* pointer) { std::free(pointer); }
