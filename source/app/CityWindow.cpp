// The city window's widgets and the "fit" view: everything in pixels of the camera's viewport and world
// units of the city.
#include "CityWindow.h"

#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"

#include <imgui.h>

#include <algorithm>

namespace
{
constexpr float FitBorder = 1.05f; // the city fills the view but for a thin border
constexpr float WindowMargin = 10.f;
} // namespace

void CityWindow::SetOpen(bool isOpen, const CityLayout& city, int nrOfCars)
{
    if (isOpen && !m_IsOpen)
    {
        m_BlocksX = city.blocksX;
        m_BlocksY = city.blocksY;
        m_NrOfCars = nrOfCars;
    }
    m_IsOpen = isOpen;
}

CityWindow::Request CityWindow::Build(const City& city, int nrOfCars)
{
    Request request;
    if (!m_IsOpen)
        return request;

    ImGui::SetNextWindowPos(ImVec2(WindowMargin, WindowMargin), ImGuiCond_Appearing);
    ImGui::Begin("City", &m_IsOpen,
                 ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoCollapse);
    const CityLayout& layout = city.GetLayout();
    ImGui::Text("%d x %d blocks (%d x %d cells)", layout.blocksX, layout.blocksY, city.GetNrOfColumns(),
                city.GetNrOfRows());
    ImGui::Text("%d cars on %d road cells", nrOfCars, city.GetNrOfRoadCells());
    if (ImGui::Button("Fit"))
        request.fit = true;

    ImGui::Separator();
    ImGui::PushItemWidth(120.f);
    ImGui::InputInt("Blocks across", &m_BlocksX);
    ImGui::InputInt("Blocks up", &m_BlocksY);
    m_BlocksX = std::clamp(m_BlocksX, CityLayout::MinBlocks, CityLayout::MaxBlocks);
    m_BlocksY = std::clamp(m_BlocksY, CityLayout::MinBlocks, CityLayout::MaxBlocks);
    const CityLayout chosen{m_BlocksX, m_BlocksY};
    ImGui::InputInt("Cars", &m_NrOfCars, 1, 100);
    m_NrOfCars = std::clamp(m_NrOfCars, RoadNetwork::MinNrOfCars, chosen.GetNrOfRoadCells());
    ImGui::PopItemWidth();
    if (ImGui::Button("Restart"))
    {
        request.restart = true;
        request.city = chosen;
        request.nrOfCars = m_NrOfCars;
    }
    ImGui::End();
    return request;
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
