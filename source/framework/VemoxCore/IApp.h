// The application interface that main drives: started once, then updated and rendered every frame.
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
    /// deltaTime: the frame timer's elapsed seconds.
    virtual void Update(float deltaTime) = 0;
    /// Adds this frame's drawing to the debug renderer and the UI; deltaTime as for Update.
    virtual void Render(float deltaTime) = 0;
};
} // namespace Vemox
