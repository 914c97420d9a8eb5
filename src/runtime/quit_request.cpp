#include "runtime/quit_request.h"

int32_t quit_requested = 0;
