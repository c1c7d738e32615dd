// The application interface that the drivers run: started once; every drawn frame does its UI work,
// any number of simulation steps (one in the usual frame) and its drawing.
#pragma once

namespace Vemox
{
class IApp
{
public:
    IApp() = default;
    virtual ~IApp() = default;
    IApp(const IApp&) = delete;
    IApp& operator=(const IApp&) = delete;

    virtual void Start() = 0;
    /// Work for the drawn frame itself, such as building panels: once per drawn frame, also while the
    /// simulation is paused, before the frame's first Update. deltaTime: the frame's seconds.
    virtual void UpdateUI(float deltaTime) { static_cast<void>(deltaTime); }
    /// One simulation step of deltaTime seconds (the frame timer's elapsed time in the usual frame).
    virtual void Update(float deltaTime) = 0;
    /// Adds this frame's drawing to the debug renderer and the UI; deltaTime as for Update.
    virtual void Render(float deltaTime) = 0;
};
} // namespace Vemox
