#include "serial/SlClasses.h"

#include <algorithm>
#include <stdexcept>

TSlComponent::TSlComponent(TSlComponent* Owner) : Owner_(Owner) {
    if (Owner_) {
        Owner_->InsertComponent(this);
    }
}

TSlComponent::~TSlComponent() {
    NotifyRemoval();
    // Owned components go last first, as they were created.
    while (!Components_.empty()) {
        TSlComponent* last = Components_.back();
        Components_.pop_back();
        last->Owner_ = nullptr;
        delete last;
    }
    if (Owner_) {
        Owner_->RemoveComponent(this);
    }
}

void TSlComponent::Loaded() {
    for (TSlComponent* component : Components_) {
        component->Loaded();
    }
}

void TSlComponent::FreeNotification(TSlComponent* Component) {
    if (Component && Component != this &&
        std::find(FreeNotifies_.begin(), FreeNotifies_.end(), Component) == FreeNotifies_.end()) {
        FreeNotifies_.push_back(Component);
        Component->FreeNotifies_.push_back(this);
    }
}

void TSlComponent::RemoveFreeNotification(TSlComponent* Component) {
    std::erase(FreeNotifies_, Component);
    if (Component) {
        std::erase(Component->FreeNotifies_, this);
    }
}

void TSlComponent::Notification(TSlComponent* Component, TSlOperation Operation) {
    if (Operation == TSlOperation::opRemove) {
        std::erase(FreeNotifies_, Component);
    }
}

void TSlComponent::NotifyRemoval() {
    if (Destroying_) {
        return;
    }
    Destroying_ = true;
    // Copies: a notified component may change either list.
    if (Owner_) {
        const std::vector<TSlComponent*> siblings = Owner_->Components_;
        for (TSlComponent* sibling : siblings) {
            if (sibling != this) {
                sibling->Notification(this, TSlOperation::opRemove);
            }
        }
    }
    const std::vector<TSlComponent*> referrers = FreeNotifies_;
    for (TSlComponent* referrer : referrers) {
        referrer->Notification(this, TSlOperation::opRemove);
        std::erase(referrer->FreeNotifies_, this);
    }
    FreeNotifies_.clear();
}

void TSlComponent::InsertComponent(TSlComponent* Component) {
    Components_.push_back(Component);
}

void TSlComponent::RemoveComponent(TSlComponent* Component) {
    std::erase(Components_, Component);
}

void TSlPersistent::EndUpdate() {
    if (UpdateCount_ > 0) {
        --UpdateCount_;
    }
    Changed();
}

void TSlPersistent::Changed() {
    if (UpdateCount_ == 0 && OnChange) {
        OnChange(this);
    }
}

void TSlPersistent::RefuseAssign(const TSlPersistent& Source) const {
    throw std::invalid_argument(std::string("Cannot assign a ") + Source.ClassName() + " to a " + ClassName());
}
