#include "export/automation/Automation.h"

#include <array>
#include <string>

namespace {

std::string Narrow(std::u16string_view name) {
    // Member names are ASCII; anything else only has to be recognisable in a message.
    std::string text;
    for (const char16_t c : name) {
        text += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return text;
}

[[noreturn, gnu::noinline]] void FailEmpty(std::u16string_view name) {
    throw AutomationError(AutomationCode::kEmptyValue,
                          "'" + Narrow(name) + "' accessed through a value that holds no object");
}

AutomationObject& Target(const AutomationValue& object, std::u16string_view name) {
    if (!object.HoldsObject()) {
        FailEmpty(name);
    }
    return *object.Object().get();
}

AutomationValue Access(const AutomationValue& object, std::u16string_view name, InvokeKind kind,
                       std::span<const AutomationValue> arguments) {
    AutomationObject& target = Target(object, name);
    // The target is kept alive by `object` for the whole call; the lookup is made anew every time.
    const DispatchId member = target.GetIDOfName(name, kSystemDefaultLocale);
    return target.Invoke(member, kind, arguments, kSystemDefaultLocale);
}

}  // namespace

AutomationValue CreateAutomationObject(std::string_view programId) {
    return AutomationValue(AutomationRegistry::Default().Create(programId));
}

AutomationValue GetProperty(const AutomationValue& object, std::u16string_view name) {
    return Access(object, name, InvokeKind::PropertyGet, {});
}

AutomationValue GetProperty(const AutomationValue& object, std::u16string_view name, std::int32_t first) {
    const std::array<AutomationValue, 1> arguments{AutomationValue(first)};
    return Access(object, name, InvokeKind::PropertyGet, arguments);
}

AutomationValue GetProperty(const AutomationValue& object, std::u16string_view name, std::int32_t first,
                            std::int32_t second) {
    const std::array<AutomationValue, 2> arguments{AutomationValue(first), AutomationValue(second)};
    return Access(object, name, InvokeKind::PropertyGet, arguments);
}

void SetProperty(const AutomationValue& object, std::u16string_view name, const AutomationValue& value) {
    Target(object, name);
    if (value.IsEmpty() || value.HoldsObject()) {
        throw AutomationError(AutomationCode::kTypeMismatch,
                              "'" + Narrow(name) + "' is assigned an integer, a boolean or a text only");
    }
    Access(object, name, InvokeKind::PropertyPut, std::span<const AutomationValue>(&value, 1));
}

void CallMethod(const AutomationValue& object, std::u16string_view name) {
    Access(object, name, InvokeKind::Method, {});
}

void ClearValue(AutomationValue& value) noexcept {
    value.Clear();
}
