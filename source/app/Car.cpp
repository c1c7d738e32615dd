// The car: construction into a seek-ready steering agent, decide-then-steer updates, ownership.
#include "app/Car.h"

#include "framework/Agents/SteeringBehaviors.h"
#include "framework/Physics/RigidBody.h"
#include "framework/VemoxAI/DecisionMaking/IDecisionMaking.h"

using Vemox::Color;
using Vemox::Vector2D;

Car::Car(const Vector2D& position, const Vector2D& destination, const Color& color) : SteeringAgent(Radius)
{
    SetBodyColor(color);
    SetPosition(position);
    // Box2D turns a mass of 0 into 1 and keeps the circle's inertia; with mass 1 the steering blend
    // moves the velocity by the fraction deltaTime towards the desired one each frame.
    SetMass(0.f);
    m_pSeek = new Vemox::Seek();
    SetAutoOrient(true);
    m_StartPosition = position;
    m_Destination = destination;
    SetMaxLinearSpeed(DefaultMaxLinearSpeed);
}

Car::~Car()
{
    delete m_pDecisionMaking;
    m_pDecisionMaking = nullptr;
    // The Seek may still be the current behaviour; nothing reads it after this point.
    m_pSteeringBehavior = nullptr;
    delete m_pSeek;
    m_pSeek = nullptr;
    m_Path.clear();
}

void Car::Update(float deltaTime)
{
    // Deciding first lets a new target or speed take effect in this frame's steering.
    m_pWaitingFor = nullptr;
    if (m_pDecisionMaking != nullptr)
    {
        m_pDecisionMaking->Update(deltaTime);
    }
    SteeringAgent::Update(deltaTime);
}

void Car::AddFootprint(Vemox::MemoryFootprint& footprint) const
{
    footprint.Add(this, sizeof(*this));
    footprint.Add(m_pSeek, sizeof(Vemox::Seek));
    footprint.Add(GetRigidBody(), sizeof(Vemox::RigidBody));
    if (m_pDecisionMaking != nullptr)
        m_pDecisionMaking->AddFootprint(footprint);
}

void Car::SetDecisionMaking(Vemox::IDecisionMaking* pDecisionMaking)
{
    if (pDecisionMaking != m_pDecisionMaking)
    {
        delete m_pDecisionMaking;
        m_pDecisionMaking = pDecisionMaking;
    }
}

void Car::SeekTo(const Vector2D& target)
{
    m_pSeek->SetTarget(Vemox::TargetData(target));
    SetSteeringBehavior(m_pSeek);
}
