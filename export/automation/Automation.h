#pragma once

// The automation client: how the program reaches an automation server's objects. Every access looks the member
// name up first and then performs the access, both with the system default locale (0x0800); names are sent as
// written. A failure raises AutomationError with the code of the lookup or of the server; an access through an
// empty value (or one that holds no object) raises AutomationCode::kEmptyValue without reaching any server.
// Main thread only; on Windows the thread must have entered a single-threaded apartment (AutomationRuntime).

#include "export/automation/AutomationError.h"
#include "export/automation/AutomationObject.h"
#include "export/automation/AutomationRegistry.h"
#include "export/automation/AutomationValue.h"

#include <cstdint>
#include <string_view>

// Creates the server object of the program identifier through AutomationRegistry::Default().
AutomationValue CreateAutomationObject(std::string_view programId);

AutomationValue GetProperty(const AutomationValue& object, std::u16string_view name);
AutomationValue GetProperty(const AutomationValue& object, std::u16string_view name, std::int32_t first);
AutomationValue GetProperty(const AutomationValue& object, std::u16string_view name, std::int32_t first,
                            std::int32_t second);
// The value must be an integer, a boolean or a text.
void SetProperty(const AutomationValue& object, std::u16string_view name, const AutomationValue& value);
void CallMethod(const AutomationValue& object, std::u16string_view name);
void ClearValue(AutomationValue& value) noexcept;

// The automation runtime of the calling thread, for as long as this lives: on Windows COM in a single-threaded
// apartment; nothing elsewhere. The program enters it once at start-up, before any window exists.
class AutomationRuntime {
public:
    AutomationRuntime();
    ~AutomationRuntime();
    AutomationRuntime(const AutomationRuntime&) = delete;
    AutomationRuntime& operator=(const AutomationRuntime&) = delete;

private:
    [[maybe_unused]] bool entered_ = false;  // only Windows has an apartment to leave
};
