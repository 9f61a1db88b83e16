#include "Module.h"

void* moduleInstance = nullptr;
std::atomic<bool> constructionFailed{false};
