#pragma once
// A COM stream over a copy of some bytes, as GDI+ and the OLE picture loader read them.
#include <windows.h>
// Lean windows.h leaves out the COM declarations.
#include <objidl.h>

#include <cstddef>

namespace controls {

// A stream over a movable global copy of the bytes; releasing the stream frees the copy.
// Null when it cannot be made.
IStream* CreateMemoryStream(const void* data, size_t size);

}  // namespace controls
