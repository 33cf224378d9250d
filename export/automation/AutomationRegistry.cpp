#include "export/automation/AutomationRegistry.h"

#include "export/automation/AutomationError.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace {

bool SameIdentifier(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

}  // namespace

void AutomationRegistry::Add(std::string programId, Factory factory) {
    entries_.push_back({std::move(programId), [factory = std::move(factory)](std::string_view) { return factory(); }});
}

void AutomationRegistry::Add(std::string programId, NamedFactory factory) {
    entries_.push_back({std::move(programId), std::move(factory)});
}

void AutomationRegistry::Clear() {
    entries_.clear();
}

bool AutomationRegistry::Serves(std::string_view programId) const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [&](const Entry& entry) { return SameIdentifier(entry.programId, programId); });
}

ObjectRef AutomationRegistry::Create(std::string_view programId) const {
    std::optional<AutomationError> lastFailure;
    for (const Entry& entry : entries_) {
        if (!SameIdentifier(entry.programId, programId)) {
            continue;
        }
        try {
            ObjectRef object = entry.factory(programId);
            if (object) {
                return object;
            }
        } catch (const AutomationError& error) {
            lastFailure = error;
        }
    }
    if (lastFailure) {
        throw *lastFailure;
    }
    throw AutomationError(AutomationCode::kInvalidClassString,
                          "no automation server for '" + std::string(programId) + "'");
}

AutomationRegistry& AutomationRegistry::Default() {
    static AutomationRegistry registry;
    return registry;
}
