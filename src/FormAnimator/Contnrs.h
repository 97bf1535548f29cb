#pragma once
// Classes: TObjectList, TObjectStack.
//
// Object containers: an owning list and a non-owning stack.

#include "Classes.h"

#include <vector>

namespace FormAnimator {

// Frees its items when they are removed by Clear and when it is destroyed
// (when it owns them). Every item is freed even if one destructor raises;
// the first exception is raised afterwards.
class TObjectList : public TObject {
public:
    explicit TObjectList(bool OwnsObjects = true) : FOwnsObjects(OwnsObjects) {}
    ~TObjectList() override { Clear(); }

    int Add(TObject* Item)
    {
        FItems.push_back(Item);
        return static_cast<int>(FItems.size()) - 1;
    }
    int Count() const { return static_cast<int>(FItems.size()); }
    TObject* Items(int Index) const { return FItems.at(static_cast<size_t>(Index)); }
    void Clear();

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    std::vector<TObject*> FItems;
    bool FOwnsObjects;
};

// References only; the pushed objects belong to others.
class TObjectStack : public TObject {
public:
    void Push(TObject* Item) { FItems.push_back(Item); }
    // Null when empty.
    TObject* Pop()
    {
        if (FItems.empty())
            return nullptr;
        TObject* top = FItems.back();
        FItems.pop_back();
        return top;
    }
    TObject* Peek() const { return FItems.empty() ? nullptr : FItems.back(); }
    int Count() const { return static_cast<int>(FItems.size()); }

private:
    std::vector<TObject*> FItems;
};

inline void TObjectList::Clear()
{
    std::vector<TObject*> items;
    items.swap(FItems);
    if (!FOwnsObjects)
        return;
    std::exception_ptr first;
    for (TObject* item : items) {
        std::exception_ptr failure = Attempt([item] { delete item; });
        if (!first)
            first = failure;
    }
    RaiseIfCan(first);
}

} // namespace FormAnimator
