// Blackboard: the named, typed value store that one decision-making instance reads from.
// Fields are owned by the blackboard; values that are pointers are never followed or deleted.
#pragma once

#include <cstdio>
#include <string>
#include <typeinfo>
#include <unordered_map>
#include <utility>
#include <vector>

namespace Vemox
{
/// Abstract base of every stored entry; deleted through this base by the blackboard.
class IBlackBoardField
{
public:
    IBlackBoardField() = default;
    virtual ~IBlackBoardField() = default;
    IBlackBoardField(const IBlackBoardField&) = delete;
    IBlackBoardField& operator=(const IBlackBoardField&) = delete;
};

/// One value of type T. Final, so that a run-time cast to it is an exact type check.
template <typename T> class BlackboardField final : public IBlackBoardField
{
public:
    explicit BlackboardField(T data) : m_Data(std::move(data)) {}
    /// Destroys the held value only; an object that T points to is left alone.
    ~BlackboardField() override = default;

    const T& GetData() const { return m_Data; }
    /// The stored value itself, for reads and writes through a resolved key.
    T& GetValue() { return m_Data; }

private:
    T m_Data;
};

/// Readable name of a type for console messages, e.g. "Car*" (falls back to the raw platform name).
std::string GetReadableTypeName(const std::type_info& type);

/// FNV-1a over the name's bytes: names are a few characters long and are looked up several times per
/// agent and frame, where this beats the library's general-purpose string hash.
struct BlackboardNameHash
{
    size_t operator()(const std::string& name) const noexcept
    {
        size_t hash = 14695981039346656037ull;
        for (const char c : name)
        {
            hash ^= static_cast<unsigned char>(c);
            hash *= 1099511628211ull;
        }
        return hash;
    }
};

/// A fresh slot number for a new BlackboardKey (0, 1, 2, ... in creation order).
std::size_t ReserveBlackboardKeySlot();

/// A name resolved once for values of exactly the type T. A blackboard keeps, per key slot, the field it
/// found under the name, so reads and writes through the key cost an index instead of building, hashing
/// and comparing a string; the name is looked up at most once per blackboard and key. Every key takes a
/// slot of its own, so keys are meant to live as long as the program (namespace-scope constants).
template <typename T> class BlackboardKey
{
public:
    explicit BlackboardKey(std::string name) : m_Name(std::move(name)), m_Slot(ReserveBlackboardKeySlot()) {}

    const std::string& GetName() const { return m_Name; }
    std::size_t GetSlot() const { return m_Slot; }

private:
    std::string m_Name;
    std::size_t m_Slot;
};

/// Case-sensitive name -> value store. Owns its fields, not what their values point to.
class Blackboard
{
public:
    Blackboard() = default;
    /// Deletes every field (null entries are skipped).
    ~Blackboard();
    Blackboard(const Blackboard&) = delete;
    Blackboard& operator=(const Blackboard&) = delete;

    /// Files data under name. A name already present (even with a null entry) is refused with a
    /// warning on standard output and the existing entry kept; returns whether data was stored.
    template <typename T> bool AddData(const std::string& name, T data);

    /// Copies the value under name into data when it was stored with exactly the type T and returns
    /// true. Otherwise warns on standard output, leaves data untouched and returns false; a name that
    /// was absent is then left behind with a null entry, which refuses any later AddData.
    template <typename T> bool GetData(const std::string& name, T& data);

    /// GetData by the key's name: the same result, the same warning and the same null entry on a miss;
    /// after the first success on this blackboard, no string work at all.
    template <typename T> bool GetData(const BlackboardKey<T>& key, T& data);
    /// Replaces the value under the key's name when it was stored with exactly the type T and returns
    /// true. Otherwise behaves as a failed GetData: the not-found warning, nothing stored, false.
    template <typename T> bool SetData(const BlackboardKey<T>& key, T data);
    /// The value stored under the key's name with exactly the type T, or null. Silent, and creates no
    /// entry (unlike GetData), so it suits entries that a blackboard may lack. The pointer stays valid as
    /// long as the blackboard: entries are never replaced or removed.
    template <typename T> T* FindData(const BlackboardKey<T>& key);

private:
    /// The field under the key's name when it holds exactly a T (remembered in the key's slot), else
    /// null; never creates an entry or prints.
    template <typename T> BlackboardField<T>* ResolveKey(const BlackboardKey<T>& key);
    /// ResolveKey's first look-up by name on this blackboard; kept out of line so that the remembered
    /// case stays a few instructions wherever it is inlined.
    template <typename T> [[gnu::noinline]] BlackboardField<T>* ResolveKeyByName(const BlackboardKey<T>& key);

    std::unordered_map<std::string, IBlackBoardField*, BlackboardNameHash> m_BlackboardData;
    /// Per key slot, the field the key resolved to on this blackboard (borrowed from m_BlackboardData),
    /// or null while unresolved. A found field stays right for good: fields are never replaced.
    std::vector<IBlackBoardField*> m_KeySlots;
};

template <typename T> bool Blackboard::AddData(const std::string& name, T data)
{
    if (m_BlackboardData.find(name) != m_BlackboardData.end())
    {
        std::printf("WARNING: Data '%s' of type '%s' already in Blackboard \n", name.c_str(),
                    GetReadableTypeName(typeid(T)).c_str());
        return false;
    }
    m_BlackboardData.emplace(name, new BlackboardField<T>(std::move(data)));
    return true;
}

template <typename T> bool Blackboard::GetData(const std::string& name, T& data)
{
    IBlackBoardField* const pField = m_BlackboardData[name];
    // An exact type check: comparing type information is cheaper than a cast that searches the hierarchy.
    const auto* const pTypedField = (pField != nullptr && typeid(*pField) == typeid(BlackboardField<T>))
                                        ? static_cast<const BlackboardField<T>*>(pField)
                                        : nullptr;
    if (pTypedField == nullptr)
    {
        std::printf("WARNING: Data '%s' of type '%s' not found in Blackboard \n", name.c_str(),
                    GetReadableTypeName(typeid(T)).c_str());
        return false;
    }
    data = pTypedField->GetData();
    return true;
}

template <typename T> BlackboardField<T>* Blackboard::ResolveKey(const BlackboardKey<T>& key)
{
    const std::size_t slot = key.GetSlot();
    if (slot < m_KeySlots.size() && m_KeySlots[slot] != nullptr)
        return static_cast<BlackboardField<T>*>(m_KeySlots[slot]); // only ever filled with a checked field
    return ResolveKeyByName(key);
}

template <typename T> BlackboardField<T>* Blackboard::ResolveKeyByName(const BlackboardKey<T>& key)
{
    const std::size_t slot = key.GetSlot();
    const auto entry = m_BlackboardData.find(key.GetName());
    if (entry == m_BlackboardData.end() || entry->second == nullptr ||
        typeid(*entry->second) != typeid(BlackboardField<T>))
        return nullptr; // not remembered: the name may still be added later
    if (slot >= m_KeySlots.size())
        m_KeySlots.resize(slot + 1, nullptr);
    m_KeySlots[slot] = entry->second;
    return static_cast<BlackboardField<T>*>(entry->second);
}

template <typename T> bool Blackboard::GetData(const BlackboardKey<T>& key, T& data)
{
    if (BlackboardField<T>* const pField = ResolveKey(key))
    {
        data = pField->GetData();
        return true;
    }
    return GetData(key.GetName(), data); // the miss, with its warning and null entry
}

template <typename T> bool Blackboard::SetData(const BlackboardKey<T>& key, T data)
{
    if (BlackboardField<T>* const pField = ResolveKey(key))
    {
        pField->GetValue() = std::move(data);
        return true;
    }
    return GetData(key.GetName(), data); // fails exactly as the lookup above did, with the warning
}

template <typename T> T* Blackboard::FindData(const BlackboardKey<T>& key)
{
    BlackboardField<T>* const pField = ResolveKey(key);
    return pField != nullptr ? &pField->GetValue() : nullptr;
}
} // namespace Vemox
