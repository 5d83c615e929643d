#pragma once
// GDI+ runs for the whole process: started by a static initializer, shut down at exit.

namespace controls {

// True when GDI+ started; every GDI+ call of the controls needs it.
bool GdiplusRunning();

}  // namespace controls
