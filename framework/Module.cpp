#include "Module.h"

void* moduleInstance = nullptr;
