#pragma once
// minizip's file functions over the platform's file, so that archives are opened by
// their wide path on every build.
#include <minizip/ioapi.h>

// Fills `functions`; minizip then expects a `const wchar_t*` as the path.
void FillWideFileFunctions(zlib_filefunc64_def& functions);
