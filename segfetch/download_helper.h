// Kept for older includes: the library's interface is segfetch/segfetch.h.
#pragma once

#include "segfetch/segfetch.h"
