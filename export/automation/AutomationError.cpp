#include "export/automation/AutomationError.h"

#include <cstdio>

namespace {

std::string WithCode(std::uint32_t code, const std::string& what) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(code));
    return what + " (0x" + hex + ")";
}

}  // namespace

AutomationError::AutomationError(std::uint32_t code, const std::string& what)
    : std::runtime_error(WithCode(code, what)), code_(code) {}
