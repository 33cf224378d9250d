#pragma once

#include "automation/AutomationValue.h"

#include <string>
#include <string_view>

class AutomationRegistry;

// The platform's own automation servers, reached by program identifier: on Windows through the system class
// registry (CLSIDFromProgID, then CoCreateInstance in-process or as a local server, asking for IDispatch).
// Raises AutomationError with the system's code when either step fails. Only built on Windows.
ObjectRef CreateSystemAutomationObject(std::string_view programId);
