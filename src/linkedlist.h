#pragma once

#include <algorithm>
#include <list>
#include <unordered_set>

namespace LinkedList {

// A list of item pointers in insertion order. What adding and removing mean for the items'
// lifetime is up to the derived list.
template <typename Item, typename List = std::list<Item*>>
class AbstractManager
{
public:
    using Items = List;

    AbstractManager() = default;
    AbstractManager(const AbstractManager&) = delete;
    AbstractManager& operator=(const AbstractManager&) = delete;
    virtual ~AbstractManager() = default;

    virtual bool AddItem(Item* item) = 0;
    virtual bool RemoveItem(Item* item) = 0;

    const Items& GetItems() const { return m_items; }
    int Count() const { return int(m_items.size()); }
    bool Contains(Item* item) const { return m_members.count(item) != 0; }

protected:
    // Appends an item that is not in the list yet.
    bool append(Item* item)
    {
        if (!m_members.insert(item).second)
            return false;
        m_items.push_back(item);
        return true;
    }
    bool take(Item* item)
    {
        if (m_members.erase(item) == 0)
            return false;
        m_items.erase(std::find(m_items.begin(), m_items.end(), item));
        return true;
    }

    Items m_items;

private:
    std::unordered_set<Item*> m_members;
};

// An owning list: an added item belongs to the list until it is removed again, and the list
// deletes every item it still holds when it goes away.
template <typename Item>
class Manager : public AbstractManager<Item>
{
public:
    Manager() = default;
    ~Manager() override
    {
        for (Item* item : this->m_items)
            delete item;
    }

    // Appends the item and takes it over. A null pointer, or an item the list already holds
    // (which it would otherwise delete twice), is refused.
    bool AddItem(Item* item) override { return item && this->append(item); }

    // Takes the item out of the list; the caller owns it again. False when it was not there.
    bool RemoveItem(Item* item) override { return this->take(item); }
};

}  // namespace LinkedList
