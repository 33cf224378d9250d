#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

class AutomationObject;

// A counted reference to an automation object: copying gains a count, destruction or reassignment gives one back.
// Made inline but for the counting itself: a call passes references to and fro, most of them moved or empty.
class ObjectRef {
public:
    ObjectRef() = default;
    // Takes over one count that the caller already holds (a freshly created object starts with one).
    static ObjectRef Adopt(AutomationObject* object) noexcept {
        ObjectRef ref;
        ref.object_ = object;
        return ref;
    }
    // Gains a count of its own.
    static ObjectRef Share(AutomationObject* object) noexcept {
        if (object) {
            Gain(object);
        }
        return Adopt(object);
    }

    ObjectRef(const ObjectRef& other) noexcept : object_(other.object_) {
        if (object_) {
            Gain(object_);
        }
    }
    ObjectRef(ObjectRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    // The source's count is gained before the old one is given back, so assigning a reference to itself, or
    // from an object that only the target keeps alive, never frees what is being copied.
    ObjectRef& operator=(const ObjectRef& other) noexcept {
        AutomationObject* old = object_;
        object_ = other.object_;
        if (object_) {
            Gain(object_);
        }
        if (old) {
            GiveBack(old);
        }
        return *this;
    }
    ObjectRef& operator=(ObjectRef&& other) noexcept {
        if (this != &other) {
            if (AutomationObject* old = std::exchange(object_, std::exchange(other.object_, nullptr))) {
                GiveBack(old);
            }
        }
        return *this;
    }
    ~ObjectRef() { Reset(); }

    AutomationObject* get() const noexcept { return object_; }
    AutomationObject* operator->() const noexcept { return object_; }
    explicit operator bool() const noexcept { return object_ != nullptr; }
    void Reset() noexcept {
        if (AutomationObject* old = std::exchange(object_, nullptr)) {
            GiveBack(old);
        }
    }

private:
    static void Gain(AutomationObject* object) noexcept;
    static void GiveBack(AutomationObject* object) noexcept;

    AutomationObject* object_ = nullptr;
};

// A value exchanged with an automation server: empty, a 32-bit integer, a boolean, a text (UTF-16, as the
// servers take it) or a counted object reference.
class AutomationValue {
public:
    enum class Kind { Empty, Integer, Boolean, Text, Object };

    AutomationValue() = default;
    AutomationValue(std::int32_t value) : value_(value) {}
    AutomationValue(bool value) : value_(value) {}
    AutomationValue(std::u16string value) : value_(std::move(value)) {}
    AutomationValue(std::u16string_view value) : value_(std::u16string(value)) {}
    AutomationValue(const char16_t* value) : value_(std::u16string(value)) {}
    // An empty reference makes an empty value.
    AutomationValue(ObjectRef object) {
        if (object) {
            value_ = std::move(object);
        }
    }

    AutomationValue(const AutomationValue&) = default;
    AutomationValue(AutomationValue&&) noexcept = default;
    // The source is copied before the old content is given back: a value assigned from itself, or from a value
    // that only its own object keeps alive, stays valid.
    AutomationValue& operator=(const AutomationValue& other) {
        AutomationValue copy(other);
        value_ = std::move(copy.value_);
        return *this;
    }
    AutomationValue& operator=(AutomationValue&& other) noexcept {
        if (this != &other) {
            auto taken = std::move(other.value_);
            other.value_ = std::monostate{};
            value_ = std::move(taken);
        }
        return *this;
    }

    Kind GetKind() const noexcept { return static_cast<Kind>(value_.index()); }
    bool IsEmpty() const noexcept { return GetKind() == Kind::Empty; }
    bool HoldsObject() const noexcept { return GetKind() == Kind::Object; }

    // Each raises AutomationError (type mismatch) when the value is of another kind.
    std::int32_t Integer() const { return Get<std::int32_t>("an integer"); }
    bool Boolean() const { return Get<bool>("a boolean"); }
    const std::u16string& Text() const { return Get<std::u16string>("a text"); }
    const ObjectRef& Object() const { return Get<ObjectRef>("an object"); }

    // Holds `text` from now on; a value that holds a text already keeps its storage, so that one value refilled
    // for many calls allocates only when a text outgrows it.
    void AssignText(std::u16string_view text);

    // Empties the value; an object it referred to loses this value's count.
    void Clear() noexcept { value_ = std::monostate{}; }

private:
    template <class T>
    const T& Get(const char* wanted) const {
        if (const T* held = std::get_if<T>(&value_)) {
            return *held;
        }
        Mismatch(wanted);
    }
    [[noreturn]] static void Mismatch(const char* wanted);

    std::variant<std::monostate, std::int32_t, bool, std::u16string, ObjectRef> value_;
};
