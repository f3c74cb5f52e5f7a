// Release of buffers that the utility library and its callers hand out.
#pragma once

// Frees a buffer the library allocated with malloc; null is ignored.
void Vell_MallocFree(void* pointer);
