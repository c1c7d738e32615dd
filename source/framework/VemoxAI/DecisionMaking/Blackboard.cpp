// Blackboard teardown and the type-name helper used by its warnings.
#include "framework/VemoxAI/DecisionMaking/Blackboard.h"

#include <cstdlib>
#include <cxxabi.h>

namespace Vemox
{
std::string GetReadableTypeName(const std::type_info& type)
{
    int status = 0;
    char* const pDemangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    if (status != 0 || pDemangled == nullptr)
    {
        std::free(pDemangled);
        return type.name();
    }
    std::string readable{pDemangled};
    std::free(pDemangled);
    return readable;
}

std::size_t ReserveBlackboardKeySlot()
{
    static std::size_t s_NextSlot = 0;
    return s_NextSlot++;
}

Blackboard::~Blackboard()
{
    for (auto& entry : m_BlackboardData)
    {
        delete entry.second;
        entry.second = nullptr;
    }
    m_BlackboardData.clear();
    m_KeySlots.clear();
}

void Blackboard::AddFootprint(MemoryFootprint& footprint) const
{
    footprint.Add(this, sizeof(*this));
    footprint.Add(m_KeySlots.data(), m_KeySlots.size() * sizeof(IBlackBoardField*));
    for (const IBlackBoardField* pField : m_KeySlots)
        footprint.Add(pField, sizeof(IBlackBoardField));
}
} // namespace Vemox
