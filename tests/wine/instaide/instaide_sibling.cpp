// A second library of ours that instaide_with_sibling.dll imports, so that
// the variant loads only where the loader looks in its own directory.
#include <windows.h>

extern "C" void InstAideSibling() {}
