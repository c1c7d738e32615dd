// The decision-making interface that agents own and update once per frame before they steer.
#pragma once

#include "framework/VemoxCore/MemoryFootprint.h"

namespace Vemox
{
class IDecisionMaking
{
public:
    IDecisionMaking() = default;
    virtual ~IDecisionMaking() = default;
    IDecisionMaking(const IDecisionMaking&) = delete;
    IDecisionMaking& operator=(const IDecisionMaking&) = delete;

    /// deltaTime in seconds.
    virtual void Update(float deltaTime) = 0;
    /// Adds the memory that an update reads (this object and what it owns) to footprint; nothing by
    /// default.
    virtual void AddFootprint(MemoryFootprint& footprint) const { (void)footprint; }
};
} // namespace Vemox
