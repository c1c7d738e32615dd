// Blackboard: the named, typed value store that one decision-making instance reads from.
// Fields are owned by the blackboard; values that are pointers are never followed or deleted.
#pragma once

#include "framework/VemoxCore/Fnv1a.h"
#include "framework/VemoxCore/MemoryFootprint.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>
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

    /// The type of the stored value, for observers.
    virtual const std::type_info& GetValueType() const = 0;
    /// Writes the value as text into pBuffer (size bytes, always terminated, truncated when too
    /// long) without allocating: numbers and booleans as such, pointers as addresses, other types as
    /// "(value)". For observers such as an inspector.
    virtual void FormatValue(char* pBuffer, size_t size) const = 0;
};

namespace Detail
{
template <typename T> void FormatBlackboardValue(const T& value, char* pBuffer, size_t size)
{
    static_cast<void>(value); // not every branch shows it
    if constexpr (std::is_same_v<T, bool>)
        std::snprintf(pBuffer, size, "%s", value ? "true" : "false");
    else if constexpr (std::is_integral_v<T> && std::is_signed_v<T>)
        std::snprintf(pBuffer, size, "%lld", static_cast<long long>(value));
    else if constexpr (std::is_integral_v<T>)
        std::snprintf(pBuffer, size, "%llu", static_cast<unsigned long long>(value));
    else if constexpr (std::is_floating_point_v<T>)
        std::snprintf(pBuffer, size, "%g", static_cast<double>(value));
    else if constexpr (std::is_pointer_v<T> || std::is_member_pointer_v<T>)
    {
        // Function pointers cannot be converted to object pointers in standard C++: show their bits.
        std::uintptr_t address = 0;
        std::memcpy(&address, &value, sizeof(value) < sizeof(address) ? sizeof(value) : sizeof(address));
        std::snprintf(pBuffer, size, "0x%llx", static_cast<unsigned long long>(address));
    }
    else if constexpr (std::is_same_v<T, std::string>)
        std::snprintf(pBuffer, size, "\"%s\"", value.c_str());
    else
        std::snprintf(pBuffer, size, "(value)");
}
} // namespace Detail

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

    const std::type_info& GetValueType() const override { return typeid(T); }
    void FormatValue(char* pBuffer, size_t size) const override
    {
        if (pBuffer != nullptr && size > 0)
            Detail::FormatBlackboardValue(m_Data, pBuffer, size);
    }

private:
    T m_Data;
};

/// Readable name of a type for console messages, e.g. "Car*" (falls back to the raw platform name).
std::string GetReadableTypeName(const std::type_info& type);

/// FNV-1a over the name's bytes: names are a few characters long and are looked up several times per
/// agent and frame, where this beats the library's general-purpose string hash.
struct BlackboardNameHash
{
    size_t operator()(const std::string& name) const noexcept { return static_cast<size_t>(Fnv1a(name)); }
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

    /// Read-only walk over every entry, in no particular order, without changing or allocating
    /// anything: visit(const std::string& name, const IBlackBoardField* pField). A null pField is an
    /// entry left behind by a failed GetData.
    template <typename Visitor> void ForEachEntry(Visitor&& visit) const
    {
        for (const auto& entry : m_BlackboardData)
            visit(entry.first, static_cast<const IBlackBoardField*>(entry.second));
    }
    /// Number of entries, null ones included.
    size_t GetNrOfEntries() const { return m_BlackboardData.size(); }
    /// Adds what a read through a key touches: this object, the key slots and the fields they resolved to.
    void AddFootprint(MemoryFootprint& footprint) const;
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
