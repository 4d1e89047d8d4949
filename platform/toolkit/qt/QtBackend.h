#pragma once
// The Qt 6 backend of the toolkit: real windows (Qt Widgets) and the
// embedded browser (Qt WebEngine). A windowed program calls
// registerBackend() at the start of main(), before it makes its Display;
// the backend is then chosen by RL_TOOLKIT ("qt" unless set otherwise).

#include "platform/toolkit/Backend.h"

#include <memory>

namespace tk::qt {

void registerBackend();
std::unique_ptr<Backend> createBackend();

}  // namespace tk::qt
