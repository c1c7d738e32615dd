// The city controls' widgets and the fitted view: pixels of the camera's viewport, world units of the
// city.
#include "CityControls.h"

#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"

#include <imgui.h>

#include <algorithm>

namespace
{
constexpr float FitBorder = 1.05f; // the city fills the view but for a thin border
} // namespace

bool BuildCityControls(const City& running, TrafficScenario& next)
{
    const CityLayout& layout = running.GetLayout();
    ImGui::Text("City: %d x %d blocks (%d x %d cells), %d road cells", layout.blocksX, layout.blocksY,
                running.GetNrOfColumns(), running.GetNrOfRows(), running.GetNrOfRoadCells());
    const bool fit = ImGui::Button("Fit");
    ImGui::SameLine();
    ImGui::TextUnformatted("the whole city into the view");

    ImGui::InputInt("Blocks across", &next.city.blocksX);
    ImGui::InputInt("Blocks up", &next.city.blocksY);
    next.city.blocksX = std::clamp(next.city.blocksX, CityLayout::MinBlocks, CityLayout::MaxBlocks);
    next.city.blocksY = std::clamp(next.city.blocksY, CityLayout::MinBlocks, CityLayout::MaxBlocks);
    next.nrOfCars = std::clamp(next.nrOfCars, RoadNetwork::MinNrOfCars, next.city.GetNrOfRoadCells());
    return fit;
}

void FitViewToCity(Vemox::Camera2D& camera, const City& city, float reservedRightPixels)
{
    const float viewportWidth = static_cast<float>(camera.GetWidth());
    const float viewportHeight = static_cast<float>(camera.GetHeight());
    const float usableWidth = std::max(1.f, viewportWidth - reservedRightPixels);
    const float width = city.GetWorldWidth();
    const float height = city.GetWorldHeight();
    const float pixelsPerUnit = std::min(usableWidth / width, viewportHeight / height) / FitBorder;
    camera.SetZoom(viewportHeight / (2.f * pixelsPerUnit));
    // The city's middle goes to the middle of the usable part, left of the reserved strip.
    camera.SetCenter({width / 2.f + (viewportWidth - usableWidth) / 2.f / pixelsPerUnit, height / 2.f});
}
