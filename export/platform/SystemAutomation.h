#pragma once

#include "export/automation/AutomationValue.h"

#include <string>
#include <string_view>

class AutomationRegistry;

// The platform's own automation servers, reached by program identifier: on Windows through the system class
// registry (CLSIDFromProgID, then CoCreateInstance in-process or as a local server, asking for IDispatch).
// Raises AutomationError with the system's code when either step fails. Only built on Windows.
ObjectRef CreateSystemAutomationObject(std::string_view programId);

// Adds the platform's own server of `programId` to the registry: on Windows the system's automation; elsewhere
// there is none and nothing is added.
void AddSystemAutomationServer(AutomationRegistry& registry, const std::string& programId);
