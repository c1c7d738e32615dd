// Cost of the physics side of a frame with the simulation's load: twenty seeking cars inside four
// walls. A slow frame is capped at 15 steps, so BM_SlowFrameOfFifteenSteps bounds the worst case.
#include "app/Car.h"
#include "framework/Physics/PhysicsWorld.h"
#include "framework/Physics/StaticBoxCollider.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace
{
using Vemox::Vector2D;

struct Scene
{
    std::vector<std::unique_ptr<Vemox::StaticBoxCollider>> walls;
    std::vector<std::unique_ptr<Car>> cars;

    Scene()
    {
        Vemox::PhysicsWorld::GetInstance();
        walls.push_back(std::make_unique<Vemox::StaticBoxCollider>(Vector2D(150.f, -1.f), 300.f, 2.f));
        walls.push_back(std::make_unique<Vemox::StaticBoxCollider>(Vector2D(150.f, 151.f), 300.f, 2.f));
        walls.push_back(std::make_unique<Vemox::StaticBoxCollider>(Vector2D(-1.f, 75.f), 2.f, 150.f));
        walls.push_back(std::make_unique<Vemox::StaticBoxCollider>(Vector2D(301.f, 75.f), 2.f, 150.f));
        for (int i = 0; i < 20; ++i)
        {
            const Vector2D start(7.5f + 15.f * static_cast<float>(i % 10),
                                 22.5f + 60.f * static_cast<float>(i / 10));
            cars.push_back(std::make_unique<Car>(start, start, Vemox::Color(1.f, 0.f, 0.f, 1.f)));
            cars.back()->SeekTo(Vector2D(300.f - start.x, 150.f - start.y));
        }
    }
    ~Scene()
    {
        cars.clear();
        walls.clear();
        Vemox::PhysicsWorld::DestroyInstance();
        Vemox::SDLDebugRenderer2D::DestroyInstance();
    }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;
};

void BM_FrameOfTwentyCars(benchmark::State& state)
{
    Scene scene;
    Vemox::PhysicsWorld* pPhysics = Vemox::PhysicsWorld::GetInstance();
    Vemox::SDLDebugRenderer2D* pRenderer = Vemox::SDLDebugRenderer2D::GetInstance();
    for (auto _ : state)
    {
        pPhysics->Simulate(1.f / 60.f);
        for (auto& pCar : scene.cars)
        {
            pCar->Update(1.f / 60.f);
        }
        pPhysics->RenderDebug();
        pRenderer->DiscardFrame();
    }
}
BENCHMARK(BM_FrameOfTwentyCars);

void BM_SlowFrameOfFifteenSteps(benchmark::State& state)
{
    Scene scene;
    Vemox::PhysicsWorld* pPhysics = Vemox::PhysicsWorld::GetInstance();
    for (auto _ : state)
    {
        pPhysics->Simulate(1.f);
    }
    state.counters["steps/frame"] = benchmark::Counter(static_cast<double>(pPhysics->GetStepCount()) /
                                                       static_cast<double>(state.iterations()));
}
BENCHMARK(BM_SlowFrameOfFifteenSteps);
} // namespace

BENCHMARK_MAIN();
