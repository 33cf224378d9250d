#include "export/automation/Automation.h"
#include "export/platform/SystemAutomation.h"

// Without a system automation runtime the program's own servers need no set-up, and there is no system server.
AutomationRuntime::AutomationRuntime() = default;
AutomationRuntime::~AutomationRuntime() = default;

void AddSystemAutomationServer(AutomationRegistry&, const std::string&) {}
