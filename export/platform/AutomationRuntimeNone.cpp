#include "SystemAutomation.h"
#include "automation/Automation.h"

// Without a system automation runtime the program's own servers need no set-up, and there is no system server.
AutomationRuntime::AutomationRuntime() = default;
AutomationRuntime::~AutomationRuntime() = default;

void AddSystemAutomationServer(AutomationRegistry&, const std::string&) {}
