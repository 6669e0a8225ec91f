#include "platform/exceptions.h"

// The classes are header-only; this unit anchors the library.
