// The application as a whole, without a window: start-up, drawing with the default switches, and a
// minute of simulated traffic.
#include "app/Car.h"
#include "app/TrafficMonitor.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"
#include "headless/HeadlessSimulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

using namespace Vemox;

namespace
{
std::vector<int> StartNodesForSeed(unsigned int seed, std::vector<Color>* pColors = nullptr)
{
    srand(seed);
    HeadlessSimulation simulation;
    if (pColors != nullptr)
        for (const Car* pCar : simulation.GetApp().GetCars())
            pColors->push_back(pCar->GetBodyColor());
    return simulation.GetApp().GetTakenStartNodes();
}

// A view of the whole documented city (300 x 150 world units), so that nothing is left out as off screen.
void ShowWholeCity(HeadlessSimulation& simulation)
{
    simulation.GetCamera().SetZoom(80.f);
    simulation.GetCamera().SetCenter({150.f, 75.f});
}
} // namespace

TEST(TrafficSimulationStart, SpawnsTwentyCarsOnDistinctRoadCells)
{
    srand(12345);
    HeadlessSimulation simulation;
    const App_TrafficSimulation& app = simulation.GetApp();
    const TrafficGraph* pGraph = app.GetGraph();

    ASSERT_EQ(app.GetCars().size(), 20u);
    ASSERT_EQ(app.GetTakenStartNodes().size(), 20u);
    EXPECT_EQ(std::set<int>(app.GetTakenStartNodes().begin(), app.GetTakenStartNodes().end()).size(), 20u);
    for (size_t i = 0; i < 20; ++i)
    {
        const int node = app.GetTakenStartNodes()[i];
        const Car* pCar = app.GetCars()[i];
        EXPECT_NE(pGraph->GetNode(node)->GetTerrainType(), TerrainType::Block);
        EXPECT_EQ(pCar->GetPosition(), pGraph->GetNodeWorldPos(node)); // spawn order = list order
        EXPECT_EQ(pCar->GetDestination(), pCar->GetPosition());
        EXPECT_TRUE(pCar->GetPath().empty());
        const Color color = pCar->GetBodyColor();
        for (float channel : {color.r, color.g, color.b})
        {
            EXPECT_GE(channel, 0.f);
            EXPECT_LE(channel, 1.f);
        }
        EXPECT_EQ(color.a, 1.f);
    }
    EXPECT_EQ(app.GetWalls().size(), 4u);
    EXPECT_EQ(app.GetTrafficLights().size(), 12u);
    EXPECT_EQ(app.GetNrOfNodes(), 200);
    EXPECT_EQ(simulation.GetCamera().GetZoom(), 39.f);
    EXPECT_EQ(simulation.GetCamera().GetCenter(), Vector2D(73.f, 35.f));
}

TEST(TrafficSimulationStart, SpawnIsReproducibleForASeedAndCarsLookDifferent)
{
    std::vector<Color> colors;
    const std::vector<int> first = StartNodesForSeed(99, &colors);
    EXPECT_EQ(StartNodesForSeed(99), first);
    EXPECT_NE(StartNodesForSeed(100), first);

    // Visibly different colours: many distinct ones, and not washed out to white.
    std::set<std::tuple<float, float, float>> distinct;
    float brightness = 0.f;
    for (const Color& color : colors)
    {
        distinct.insert({color.r, color.g, color.b});
        brightness += (color.r + color.g + color.b) / 3.f;
    }
    EXPECT_EQ(distinct.size(), colors.size());
    EXPECT_LT(brightness / static_cast<float>(colors.size()), 0.8f);
    EXPECT_GT(brightness / static_cast<float>(colors.size()), 0.2f);
}

TEST(TrafficSimulationStart, AcceptsEveryCarCountUpToTheRoadCells)
{
    srand(5);
    HeadlessSimulation simulation({RoadNetwork::MaxNrOfCars, false});
    const auto& nodes = simulation.GetApp().GetTakenStartNodes();
    EXPECT_EQ(std::set<int>(nodes.begin(), nodes.end()).size(), 128u);
}

TEST(TrafficSimulationRender, DefaultSwitchesDrawGridCarsAndLightsOnly)
{
    srand(1);
    HeadlessSimulation simulation({20, false});
    ShowWholeCity(simulation);
    std::vector<DebugText> texts;
    SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    pRenderer->SetTextRecorder(&texts);
    simulation.GetApp().Render(0.f);
    // Cells: 2 triangles and 4 outline segments each; cars: disc (16 triangles, 17 segments) and
    // arrowhead (1 triangle, 3 segments); lights: disc.
    EXPECT_EQ(pRenderer->GetTriangles().size(), 200u * 6u + 20u * (48u + 3u) + 12u * 48u);
    EXPECT_EQ(pRenderer->GetLines().size(), 200u * 8u + 20u * (34u + 6u) + 12u * 34u);
    EXPECT_TRUE(pRenderer->GetPoints().empty());
    ASSERT_EQ(texts.size(), 200u);
    EXPECT_TRUE(
        std::all_of(texts.begin(), texts.end(), [](const DebugText& text) { return text.text.empty(); }));
    pRenderer->SetTextRecorder(nullptr);
    pRenderer->DiscardFrame();
}

TEST(TrafficSimulationRender, FirstCarSwitchesDrawItsPathAndVision)
{
    srand(1);
    HeadlessSimulation simulation({20, false});
    simulation.Step(1.f / 60.f); // every car plans in its first frame
    App_TrafficSimulation& app = simulation.GetApp();
    auto switches = app.GetDebugSwitches();
    switches.drawGrid = false;
    switches.drawPathOfFirstCar = true;
    switches.drawVisionOfFirstCar = true;
    app.SetDebugSwitches(switches);
    ShowWholeCity(simulation);

    SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    pRenderer->DiscardFrame();
    app.Render(0.f);
    const Car* pFirst = app.GetCars()[0];
    const size_t pathPoints = pFirst->GetPath().size();
    ASSERT_GE(pathPoints, 2u);
    EXPECT_EQ(pRenderer->GetTriangles().size(), pathPoints * 48u + 20u * 51u + 12u * 48u);
    // The first dot sits on the first car's own cell centre, in light green.
    const DebugVertex& dot = pRenderer->GetTriangles()[0];
    EXPECT_EQ(Vector2D(dot.x, dot.y), pFirst->GetPath().front());
    EXPECT_FLOAT_EQ(dot.g, 0.5f);
    EXPECT_FLOAT_EQ(dot.r, 0.25f);
    // The vision circle (green) and two blue rays of length 40 follow the cars.
    const auto& lines = pRenderer->GetLines();
    const size_t visionStart = pathPoints * 34u + 20u * 40u;
    ASSERT_EQ(lines.size(), visionStart + 32u + 4u + 12u * 34u);
    EXPECT_EQ(lines[visionStart].g, 1.f);
    const DebugVertex& rayEnd = lines[visionStart + 33];
    EXPECT_EQ(rayEnd.b, 1.f);
    const Vector2D p = pFirst->GetPosition();
    EXPECT_NEAR(std::hypot(rayEnd.x - p.x, rayEnd.y - p.y), 40.f, 1e-3f);
    pRenderer->DiscardFrame();
}

TEST(TrafficSimulationRun, AMinuteOfTrafficStaysSound)
{
    srand(2024);
    HeadlessSimulation simulation({20, false});
    const App_TrafficSimulation& app = simulation.GetApp();
    const TrafficGraph* pGraph = app.GetGraph();
    const float dt = 1.f / 60.f;

    std::vector<int> destinationChanges(20, 0);
    std::vector<Vector2D> destinations(20);
    for (size_t i = 0; i < 20; ++i)
        destinations[i] = app.GetCars()[i]->GetDestination();
    std::vector<float> light1Switches;
    bool light1Red = true;
    std::vector<float> heldSince(20, -1.f); // when the car began waiting in front of a red light
    int heldAtRed = 0;

    for (int frame = 1; frame <= 3600; ++frame)
    {
        simulation.Step(dt);
        const float time = static_cast<float>(frame) * dt;
        const auto& lights = app.GetTrafficLights();
        if (lights[0].isRed != light1Red)
        {
            light1Red = lights[0].isRed;
            light1Switches.push_back(time);
        }

        for (size_t i = 0; i < 20; ++i)
        {
            const Car* pCar = app.GetCars()[i];
            const Vector2D position = pCar->GetPosition();
            ASSERT_TRUE(std::isfinite(position.x) && std::isfinite(position.y))
                << "car " << i << " frame " << frame;
            ASSERT_TRUE(position.x >= 0.f && position.x <= 300.f && position.y >= 0.f && position.y <= 150.f)
                << "car " << i << " left the world at frame " << frame;
            if (pCar->GetDestination() != destinations[i])
            {
                destinations[i] = pCar->GetDestination();
                ++destinationChanges[i];
            }
            // A car that has waited a while in front of a red light has come to rest.
            bool waitingAtRed = false;
            if (!pCar->GetPath().empty())
            {
                const int node = pGraph->GetNodeIdxAtWorldPos(position);
                const int next = pGraph->GetNodeIdxAtWorldPos(pCar->GetPath().front());
                for (const TrafficLight& light : lights)
                    waitingAtRed |= light.fromNode == node && light.toNode == next && light.isRed;
            }
            if (!waitingAtRed)
            {
                heldSince[i] = -1.f;
                continue;
            }
            if (heldSince[i] < 0.f)
                heldSince[i] = time;
            if (time - heldSince[i] > 4.f)
            {
                ++heldAtRed;
                EXPECT_LT(pCar->GetLinearVelocity().Magnitude(), 0.5f) << "car " << i << " frame " << frame;
            }
        }
    }

    for (size_t i = 0; i < 20; ++i)
        EXPECT_GE(destinationChanges[i], 2) << "car " << i << " planned fewer than two paths";
    EXPECT_GT(heldAtRed, 0) << "no car met a red light in a minute";
    // Light 1 switches every 8 s (to within a frame): green at 8 s, red at 16 s, ...
    ASSERT_GE(light1Switches.size(), 6u);
    for (size_t s = 0; s < light1Switches.size(); ++s)
        EXPECT_NEAR(light1Switches[s], 8.f * static_cast<float>(s + 1), 2.f * dt) << "switch " << s;
}

namespace
{
// The state after `frames` drawn frames of `stepsPerFrame` steps of 1/60 s each, from seed 7.
std::uint64_t HashAfter(int frames, int stepsPerFrame)
{
    srand(7);
    HeadlessSimulation simulation({RoadNetwork::DefaultNrOfCars, true, true});
    const float step = 1.f / 60.f;
    for (int frame = 0; frame < frames; ++frame)
        simulation.Frame(step * static_cast<float>(stepsPerFrame), stepsPerFrame, step);
    return HashSimulationState(simulation.GetApp());
}
} // namespace

TEST(TrafficSimulationFrame, SeveralStepsInOneDrawnFrameEqualAsManySingleStepFrames)
{
    const std::uint64_t singleSteps = HashAfter(240, 1);
    EXPECT_EQ(HashAfter(60, 4), singleSteps);
    EXPECT_EQ(HashAfter(1, 240), singleSteps);
    EXPECT_NE(HashAfter(1, 239), singleSteps); // the comparison can tell one step apart
}

TEST(TrafficSimulationFrame, APausedFrameChangesNothing)
{
    srand(7);
    HeadlessSimulation simulation({RoadNetwork::DefaultNrOfCars, true, true});
    for (int frame = 0; frame < 30; ++frame)
        simulation.Step(1.f / 60.f);
    const std::uint64_t before = HashSimulationState(simulation.GetApp());
    for (int frame = 0; frame < 30; ++frame)
        simulation.Frame(1.f / 60.f, 0, 1.f / 60.f);
    EXPECT_EQ(HashSimulationState(simulation.GetApp()), before);
}
