// The application interface that the drivers run: started once; every drawn frame does its UI work,
// any number of simulation steps (one in the usual frame) and its drawing, and hears of the user's
// key presses and clicks in the window.
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

    /// A key the user pressed in the window (an SDL key code): once per press, before the frame's UI
    /// work, and not while a UI text field has the keyboard. Only the window program calls it.
    virtual void OnKeyPressed(int keyCode) { static_cast<void>(keyCode); }
    /// A left click that no UI window took, at window pixel (x, y) from the top left; before the
    /// frame's UI work. Only the window program calls it.
    virtual void OnClick(int x, int y)
    {
        static_cast<void>(x);
        static_cast<void>(y);
    }
};
} // namespace Vemox
