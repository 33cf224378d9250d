#pragma once

// The library's bases: components (owned by an owner, told when others go) and settings objects
// (change notification with update brackets).

#include <functional>
#include <string>
#include <vector>

enum class TSlOperation { opInsert, opRemove };

// A component: owned by its owner, which frees it with itself. Others that refer to a component ask it
// (FreeNotification) to tell them by Notification(this, opRemove) before it goes.
// Main thread only.
class TSlComponent {
public:
    explicit TSlComponent(TSlComponent* Owner);
    virtual ~TSlComponent();
    TSlComponent(const TSlComponent&) = delete;
    TSlComponent& operator=(const TSlComponent&) = delete;

    TSlComponent* Owner() const { return Owner_; }
    const std::string& Name() const { return Name_; }
    void SetName(const std::string& Name) { Name_ = Name; }
    const std::vector<TSlComponent*>& Components() const { return Components_; }

    // Called once all properties are set, as after loading a form description; passes on to the owned ones.
    virtual void Loaded();

    // Component is told before it goes; a referrer drops its reference.
    void FreeNotification(TSlComponent* Component);
    void RemoveFreeNotification(TSlComponent* Component);

    bool Destroying() const { return Destroying_; }

protected:
    virtual void Notification(TSlComponent* Component, TSlOperation Operation);

    // Tells the owner's components and everything that asked that this component goes. Derived destructors
    // call it first, while they are still whole; it runs once.
    void NotifyRemoval();

private:
    void InsertComponent(TSlComponent* Component);
    void RemoveComponent(TSlComponent* Component);

    TSlComponent* Owner_;
    std::string Name_;
    std::vector<TSlComponent*> Components_;
    std::vector<TSlComponent*> FreeNotifies_;
    bool Destroying_ = false;
};

// A settings object: Changed notifies its owner unless an update bracket is open.
class TSlPersistent {
public:
    using TSlChangeEvent = std::function<void(TSlPersistent* Sender)>;

    virtual ~TSlPersistent() = default;

    void BeginUpdate() { ++UpdateCount_; }
    // Closes one bracket; a notification follows every EndUpdate that brings the count to 0.
    void EndUpdate();
    void Changed();

    // Copies every property of a Source of the same class in one update bracket; any other class is refused
    // with std::invalid_argument.
    virtual void Assign(const TSlPersistent& Source) = 0;
    virtual const char* ClassName() const = 0;

    TSlChangeEvent OnChange;

protected:
    TSlPersistent() = default;
    TSlPersistent(const TSlPersistent&) = default;
    TSlPersistent& operator=(const TSlPersistent&) = default;
    [[noreturn]] void RefuseAssign(const TSlPersistent& Source) const;

private:
    int UpdateCount_ = 0;
};
