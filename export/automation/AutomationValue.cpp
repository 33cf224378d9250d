#include "export/automation/AutomationValue.h"

#include "export/automation/AutomationError.h"
#include "export/automation/AutomationObject.h"

void ObjectRef::Gain(AutomationObject* object) noexcept {
    object->AddRef();
}

void ObjectRef::GiveBack(AutomationObject* object) noexcept {
    object->Release();
}

void AutomationValue::AssignText(std::u16string_view text) {
    if (auto* held = std::get_if<std::u16string>(&value_)) {
        held->assign(text);
    } else {
        value_ = std::u16string(text);
    }
}

void AutomationValue::Mismatch(const char* wanted) {
    throw AutomationError(AutomationCode::kTypeMismatch, std::string("the value is not ") + wanted);
}
