// Without a window system there is no device context to draw into; the
// session keeps a copy of what was displayed instead.
#include "testhost/HostCallbacks.h"

void DrawPixelMap(const PSPixelMap*, const VRect*, int32, int32, void*) {}
