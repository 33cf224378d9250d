#pragma once

#include "export/automation/Automation.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Stands between a client and a server's object: every call goes to `hook` first (which may refuse it by
// raising), then to the real object; objects it gives back are wrapped the same way. Each wrapper is named by
// the member that gave it ("Excel.Application", "Worksheets", "Cells", ...) and logs its end into the journal.
struct SpyJournal {
    std::function<void(const std::u16string& object, const std::u16string& member, InvokeKind kind,
                       std::span<const AutomationValue> arguments)>
        hook;
    std::vector<std::u16string> released;
};

class SpyObject final : public AutomationObject {
public:
    SpyObject(ObjectRef inner, std::u16string name, std::shared_ptr<SpyJournal> journal)
        : inner_(std::move(inner)), name_(std::move(name)), journal_(std::move(journal)) {}

    DispatchId GetIDOfName(std::u16string_view name, std::uint32_t locale) override {
        const DispatchId id = inner_->GetIDOfName(name, locale);
        names_[id] = std::u16string(name);
        return id;
    }

    AutomationValue Invoke(DispatchId member, InvokeKind kind, std::span<const AutomationValue> arguments,
                           std::uint32_t locale) override {
        const std::u16string& memberName = names_[member];
        if (journal_->hook) {
            journal_->hook(name_, memberName, kind, arguments);
        }
        AutomationValue result = inner_->Invoke(member, kind, arguments, locale);
        if (result.HoldsObject()) {
            return AutomationValue(ObjectRef::Adopt(new SpyObject(result.Object(), memberName, journal_)));
        }
        return result;
    }

    // Wraps the entries of the registry so that every object they make is spied on.
    static AutomationRegistry::Factory Wrap(AutomationRegistry::Factory inner, std::shared_ptr<SpyJournal> journal) {
        return [inner = std::move(inner), journal] {
            return ObjectRef::Adopt(new SpyObject(inner(), u"Excel.Application", journal));
        };
    }

private:
    ~SpyObject() override { journal_->released.push_back(name_); }

    ObjectRef inner_;
    std::u16string name_;
    std::shared_ptr<SpyJournal> journal_;
    std::map<DispatchId, std::u16string> names_;
};
