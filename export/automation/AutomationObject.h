#pragma once

#include "export/automation/AutomationValue.h"

#include <cstdint>
#include <span>
#include <string_view>

// Member numbers handed out by an object's name lookup; meaningful to that object only.
using DispatchId = std::int32_t;

enum class InvokeKind { Method, PropertyGet, PropertyPut };

// The system default locale, with which every lookup and access is made.
inline constexpr std::uint32_t kSystemDefaultLocale = 0x0800;

// An automation object as a server offers it: a counted object whose members are reached by name through a
// lookup, then an invocation. Counts start at one (the creator's); the object deletes itself when the last is
// given back (or does what LastReleased says instead). Failures raise AutomationError with the server's code.
class AutomationObject {
public:
    AutomationObject() = default;
    AutomationObject(const AutomationObject&) = delete;
    AutomationObject& operator=(const AutomationObject&) = delete;

    void AddRef() noexcept { ++count_; }
    void Release() noexcept {
        if (--count_ == 0) {
            LastReleased();
        }
    }
    long RefCount() const noexcept { return count_; }

    // The member's number; names are matched without regard to case.
    virtual DispatchId GetIDOfName(std::u16string_view name, std::uint32_t locale) = 0;
    // Arguments in the order written, first argument first. A property put has exactly one argument, the
    // value. Methods and puts give back an empty value.
    virtual AutomationValue Invoke(DispatchId member, InvokeKind kind, std::span<const AutomationValue> arguments,
                                   std::uint32_t locale) = 0;

protected:
    virtual ~AutomationObject() = default;
    // The last count is gone. A server that keeps such objects for reuse takes the object back here; it may be
    // counted again (AddRef from zero) once handed out anew.
    virtual void LastReleased() noexcept { delete this; }

private:
    long count_ = 1;
};
