// Large cities in the application: the view that fits the whole city, the city controls, drawing only what
// the view shows, and labels that fit one UI draw list at any zoom.
#include "app/Car.h"
#include "app/CityControls.h"
#include "framework/VemoxAI/VemoxGraphs/GraphRenderer.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"
#include "headless/HeadlessSimulation.h"

#include <gtest/gtest.h>
#include <imgui.h>

#include <cstdlib>
#include <set>

using namespace Vemox;

namespace
{
constexpr float PanelPixels = 220.f; // the debug panel and its margins at the right edge

HeadlessSimulation::Options CityOptions(CityLayout city, int nrOfCars)
{
    HeadlessSimulation::Options options;
    options.city = city;
    options.nrOfCars = nrOfCars;
    options.drawEachFrame = false;
    return options;
}

} // namespace

TEST(LargeCity, FitShowsTheWholeCityLeftOfThePanel)
{
    for (const CityLayout layout :
         {CityLayout{1, 1}, CityLayout{4, 2}, CityLayout{40, 20}, CityLayout{3, 20}})
    {
        SCOPED_TRACE(::testing::Message() << layout.blocksX << "x" << layout.blocksY);
        HeadlessSimulation simulation(CityOptions(layout, 1));
        simulation.GetApp().FitView();
        const Camera2D& camera = simulation.GetCamera();
        const City& city = simulation.GetApp().GetCity();
        const Vector2D lowerLeft = camera.WorldToScreen({0.f, 0.f});
        const Vector2D upperRight = camera.WorldToScreen({city.GetWorldWidth(), city.GetWorldHeight()});
        const float width = static_cast<float>(camera.GetWidth());
        const float height = static_cast<float>(camera.GetHeight());
        // Inside the viewport, clear of the panel...
        EXPECT_GE(lowerLeft.x, 0.f);
        EXPECT_LE(upperRight.x, width - PanelPixels + 0.01f);
        EXPECT_GE(upperRight.y, 0.f);
        EXPECT_LE(lowerLeft.y, height);
        // ...centred there, and filling it but for a thin border in one direction.
        EXPECT_NEAR(lowerLeft.x + upperRight.x, width - PanelPixels, 0.5f);
        EXPECT_NEAR(lowerLeft.y + upperRight.y, height, 0.5f);
        const float shownWidth = upperRight.x - lowerLeft.x;
        const float shownHeight = lowerLeft.y - upperRight.y;
        EXPECT_TRUE(shownWidth >= 0.9f * (width - PanelPixels) || shownHeight >= 0.9f * height)
            << shownWidth << " x " << shownHeight;
    }
}

TEST(LargeCity, CityControlsKeepTheNextScenarioWithinItsCity)
{
    HeadlessSimulation simulation(CityOptions(CityLayout{}, 5));
    const City& running = simulation.GetApp().GetCity();
    const auto controls = [&running](TrafficScenario& next)
    {
        ImGui::NewFrame();
        ImGui::Begin("Scenario");
        const bool fit = BuildCityControls(running, next);
        ImGui::End();
        ImGui::EndFrame();
        return fit;
    };
    TrafficScenario next;
    next.city = CityLayout{0, CityLayout::MaxBlocks + 7};
    next.nrOfCars = 500;
    EXPECT_FALSE(controls(next));
    EXPECT_EQ(next.city, (CityLayout{1, CityLayout::MaxBlocks}));
    EXPECT_EQ(next.nrOfCars, 500);
    // A smaller city takes fewer cars: the count follows it down, never below one car.
    next.city = CityLayout{1, 1};
    controls(next);
    EXPECT_EQ(next.nrOfCars, 16);
    next.nrOfCars = 0;
    controls(next);
    EXPECT_EQ(next.nrOfCars, 1);
}

TEST(LargeCity, CarsOffScreenAreNotDrawn)
{
    srand(4);
    HeadlessSimulation simulation(CityOptions(CityLayout{40, 20}, 5000));
    App_TrafficSimulation& app = simulation.GetApp();
    auto switches = app.GetDebugSwitches();
    switches.drawGrid = false;
    app.SetDebugSwitches(switches);
    SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    pRenderer->DiscardFrame();
    app.Render(0.f); // the documented view: the bottom left corner of the city

    // Every car disc starts with its centre vertex: collect the centres drawn.
    std::set<std::pair<float, float>> centres;
    const auto& triangles = pRenderer->GetTriangles();
    for (size_t k = 0; k + 48 <= triangles.size(); k += 48)
        centres.insert({triangles[k].x, triangles[k].y});
    const ViewBounds view = simulation.GetCamera().GetViewBounds();
    int visible = 0;
    for (const Car* pCar : app.GetCars())
    {
        const Vector2D p = pCar->GetPosition();
        const bool touchesView = p.x + 3.f >= view.left && p.x - 3.f <= view.right &&
                                 p.y + 3.f >= view.bottom && p.y - 3.f <= view.top;
        const bool farOff = p.x > view.right + 30.f || p.y > view.top + 30.f;
        if (touchesView)
        {
            ++visible;
            EXPECT_TRUE(centres.count({p.x, p.y})) << "car at (" << p.x << ", " << p.y << ") missing";
        }
        if (farOff)
        {
            EXPECT_FALSE(centres.count({p.x, p.y})) << "car at (" << p.x << ", " << p.y << ") drawn";
        }
    }
    EXPECT_GT(visible, 5);
    EXPECT_LT(pRenderer->GetTriangles().size(), 200u * (48u + 3u)); // of 5000 cars and 2,964 lights
    pRenderer->DiscardFrame();
}

TEST(LargeCity, LabelsFitOneUiDrawListAtAnyZoom)
{
    HeadlessSimulation simulation(CityOptions(CityLayout{40, 20}, 0));
    App_TrafficSimulation& app = simulation.GetApp();
    App_TrafficSimulation::DebugSwitches switches;
    switches.drawNodeNumbers = true;
    switches.drawConnections = true;
    switches.drawConnectionCosts = true;
    app.SetDebugSwitches(switches);
    Camera2D& camera = simulation.GetCamera();
    // A cell of 15 units spans 451 * 15 / (2 * zoom) pixels; the largest zoom that still shows labels:
    const float lastLegibleZoom = 451.f * 15.f / (2.f * GraphRenderer::MinLabelCellPixels) * 0.999f;

    for (const float zoom : {39.f, lastLegibleZoom, -1.f})
    {
        SCOPED_TRACE(::testing::Message() << "zoom " << zoom);
        if (zoom > 0.f)
        {
            camera.SetZoom(zoom);
            camera.SetCenter({600.f, 400.f});
        }
        else
        {
            app.FitView();
        }
        std::vector<DebugText> texts;
        SDLDebugRenderer2D::GetInstance()->SetTextRecorder(&texts);
        ImGui::NewFrame();
        SDLDebugRenderer2D::SetUiFrameOpen(true);
        app.Render(0.f);
        SDLDebugRenderer2D::SetUiFrameOpen(false);
        ImGui::Render();
        SDLDebugRenderer2D::GetInstance()->SetTextRecorder(nullptr);
        SDLDebugRenderer2D::GetInstance()->DiscardFrame();

        const ImDrawData* pDrawData = ImGui::GetDrawData();
        ASSERT_NE(pDrawData, nullptr);
        for (int i = 0; i < pDrawData->CmdListsCount; ++i)
            EXPECT_LT(pDrawData->CmdLists[i]->VtxBuffer.Size, 1 << 16) << "draw list " << i;
        if (zoom > 0.f)
        {
            EXPECT_GT(texts.size(), 100u); // labels are drawn wherever they can be read
        }
        else
        {
            EXPECT_TRUE(texts.empty());
        }
    }
}
