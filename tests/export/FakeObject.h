#pragma once

#include "export/automation/Automation.h"

#include <string>
#include <vector>

// A scripted automation object: records every lookup and call, and answers with a value or a failure.
class FakeObject final : public AutomationObject {
public:
    struct Call {
        std::u16string name;
        InvokeKind kind;
        std::vector<AutomationValue> arguments;
        std::uint32_t locale;
    };

    // Counts of destructions land in *destroyed.
    explicit FakeObject(int* destroyed = nullptr) : destroyed_(destroyed) {}

    std::vector<std::u16string> lookups;
    std::vector<Call> calls;
    AutomationValue answer;
    std::uint32_t failLookupWith = 0;
    std::uint32_t failInvokeWith = 0;

    DispatchId GetIDOfName(std::u16string_view name, std::uint32_t) override {
        lookups.emplace_back(name);
        if (failLookupWith != 0) {
            throw AutomationError(failLookupWith, "lookup refused");
        }
        return static_cast<DispatchId>(lookups.size());
    }

    AutomationValue Invoke(DispatchId member, InvokeKind kind, std::span<const AutomationValue> arguments,
                           std::uint32_t locale) override {
        calls.push_back(
            {lookups.at(static_cast<std::size_t>(member - 1)), kind, {arguments.begin(), arguments.end()}, locale});
        if (failInvokeWith != 0) {
            throw AutomationError(failInvokeWith, "call refused");
        }
        return answer;
    }

private:
    ~FakeObject() override {
        if (destroyed_) {
            ++*destroyed_;
        }
    }
    int* destroyed_;
};
