#pragma once

#include "export/automation/AutomationValue.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Where CreateAutomationObject finds the servers, by program identifier ("Excel.Application"). Several backends
// may serve one identifier: they are tried in the order they were added, and the first that creates the object
// wins (on Windows the system's automation first, then the program's own workbook server). Identifiers match
// without regard to case. Main thread only.
class AutomationRegistry {
public:
    // Creates the object and gives back its dispatch reference; raises AutomationError when it cannot.
    using Factory = std::function<ObjectRef()>;
    // The same, told the identifier as the caller wrote it.
    using NamedFactory = std::function<ObjectRef(std::string_view asked)>;

    void Add(std::string programId, Factory factory);
    void Add(std::string programId, NamedFactory factory);
    void Clear();
    bool Serves(std::string_view programId) const;

    // Raises AutomationError: kInvalidClassString when nothing serves the identifier, else the failure of the last
    // backend tried.
    ObjectRef Create(std::string_view programId) const;

    // The registry the program's CreateAutomationObject uses; empty until the program (or a test) fills it.
    static AutomationRegistry& Default();

private:
    struct Entry {
        std::string programId;
        NamedFactory factory;
    };
    std::vector<Entry> entries_;
};

// Puts the default registry's entries back as they were when it goes; for tests that fill it.
class AutomationRegistryScope {
public:
    AutomationRegistryScope() : saved_(AutomationRegistry::Default()) {}
    ~AutomationRegistryScope() { AutomationRegistry::Default() = saved_; }
    AutomationRegistryScope(const AutomationRegistryScope&) = delete;
    AutomationRegistryScope& operator=(const AutomationRegistryScope&) = delete;

private:
    AutomationRegistry saved_;
};
