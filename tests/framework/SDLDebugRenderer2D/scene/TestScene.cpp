// A test-only application run through the program's own frame loop: known geometry, a text label
// and a small UI panel whose check box adds a marker. Driven from outside by test_scene.sh.
#include "VemoxProgram.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"

#include <imgui.h>

namespace
{
using namespace Vemox;

class App_TestScene final : public IApp
{
public:
    void Start() override {}
    void Update(float) override {}

    void Render(float) override
    {
        SDLDebugRenderer2D& renderer = *SDLDebugRenderer2D::GetInstance();
        DrawSquare(renderer, Vector2D(12.f, 6.f), Color(1.f, 0.f, 0.f, 1.f));
        renderer.DrawSolidCircle(Vector2D(-12.f, -6.f), 2.f, Vector2D(1.f, 0.f), Color(0.f, 1.f, 0.f, 1.f),
                                 0.f);
        renderer.DrawString(Vector2D(-20.f, 10.f), "TEST LABEL %d", 42);
        // Stretches the overlay window over the drag's start point, which must still reach the camera.
        renderer.DrawString(Vector2D(5.f, -5.f), "%s", "OVERLAY EDGE");
        if (m_ShowMarker)
            DrawSquare(renderer, Vector2D(-12.f, 6.f), Color(0.f, 0.f, 1.f, 1.f));

        ImGui::SetNextWindowPos(ImVec2(690.f, 330.f));
        ImGui::SetNextWindowSize(ImVec2(200.f, 110.f));
        ImGui::Begin("Test Panel", nullptr, ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove);
        ImGui::Checkbox("Marker", &m_ShowMarker);
        ImGui::End();
    }

private:
    static void DrawSquare(SDLDebugRenderer2D& renderer, const Vector2D& center, const Color& color)
    {
        const Vector2D corners[4] = {center + Vector2D(-2.f, -2.f), center + Vector2D(2.f, -2.f),
                                     center + Vector2D(2.f, 2.f), center + Vector2D(-2.f, 2.f)};
        renderer.DrawSolidPolygon(corners, 4, color, 0.f);
    }

    bool m_ShowMarker = false;
};
} // namespace

int main(int argc, char* argv[])
{
    return RunVemoxProgram(argc, argv, [] { return new App_TestScene(); });
}
