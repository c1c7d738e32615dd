// The decision-making interface that agents own and update once per frame before they steer.
#pragma once

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
};
} // namespace Vemox
