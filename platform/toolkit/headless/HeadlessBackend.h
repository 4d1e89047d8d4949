#pragma once
// The backend without a screen: peers are plain objects in memory, dialogs
// are always answered from the test script, the browser reads local files
// and logs what it was asked to do.

#include "platform/toolkit/Backend.h"

#include <memory>

namespace tk::headless {

std::unique_ptr<Backend> createBackend();

}  // namespace tk::headless
