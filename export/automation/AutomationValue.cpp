#include "export/automation/AutomationValue.h"

#include "export/automation/AutomationError.h"
#include "export/automation/AutomationObject.h"

ObjectRef ObjectRef::Adopt(AutomationObject* object) noexcept {
    ObjectRef ref;
    ref.object_ = object;
    return ref;
}

ObjectRef ObjectRef::Share(AutomationObject* object) noexcept {
    if (object) {
        object->AddRef();
    }
    return Adopt(object);
}

ObjectRef::ObjectRef(const ObjectRef& other) noexcept : object_(other.object_) {
    if (object_) {
        object_->AddRef();
    }
}

ObjectRef& ObjectRef::operator=(const ObjectRef& other) noexcept {
    AutomationObject* old = object_;
    object_ = other.object_;
    if (object_) {
        object_->AddRef();
    }
    if (old) {
        old->Release();
    }
    return *this;
}

ObjectRef& ObjectRef::operator=(ObjectRef&& other) noexcept {
    if (this != &other) {
        AutomationObject* old = std::exchange(object_, std::exchange(other.object_, nullptr));
        if (old) {
            old->Release();
        }
    }
    return *this;
}

ObjectRef::~ObjectRef() {
    Reset();
}

void ObjectRef::Reset() noexcept {
    if (AutomationObject* old = std::exchange(object_, nullptr)) {
        old->Release();
    }
}

AutomationValue::AutomationValue(ObjectRef object) {
    if (object) {
        value_ = std::move(object);
    }
}

void AutomationValue::AssignText(std::u16string_view text) {
    if (auto* held = std::get_if<std::u16string>(&value_)) {
        held->assign(text);
    } else {
        value_ = std::u16string(text);
    }
}

namespace {

[[noreturn]] void Mismatch(const char* wanted) {
    throw AutomationError(AutomationCode::kTypeMismatch, std::string("the value is not ") + wanted);
}

}  // namespace

std::int32_t AutomationValue::Integer() const {
    if (const auto* v = std::get_if<std::int32_t>(&value_)) {
        return *v;
    }
    Mismatch("an integer");
}

bool AutomationValue::Boolean() const {
    if (const auto* v = std::get_if<bool>(&value_)) {
        return *v;
    }
    Mismatch("a boolean");
}

const std::u16string& AutomationValue::Text() const {
    if (const auto* v = std::get_if<std::u16string>(&value_)) {
        return *v;
    }
    Mismatch("a text");
}

const ObjectRef& AutomationValue::Object() const {
    if (const auto* v = std::get_if<ObjectRef>(&value_)) {
        return *v;
    }
    Mismatch("an object");
}
