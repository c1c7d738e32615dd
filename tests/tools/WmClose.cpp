// Test tool: asks an X window to close the way a window manager's close button does, by sending it
// the WM_DELETE_WINDOW client message. Usage: vemox-wm-close WINDOW_ID (decimal or 0x hex).
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s WINDOW_ID\n", argv[0]);
        return 2;
    }
    char* pEnd = nullptr;
    const unsigned long window = std::strtoul(argv[1], &pEnd, 0);
    if (pEnd == argv[1] || *pEnd != '\0')
    {
        std::fprintf(stderr, "%s: bad window id \"%s\"\n", argv[0], argv[1]);
        return 2;
    }
    Display* pDisplay = XOpenDisplay(nullptr);
    if (pDisplay == nullptr)
    {
        std::fprintf(stderr, "%s: cannot open the X display\n", argv[0]);
        return 1;
    }

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(pDisplay, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(pDisplay, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(pDisplay, window, False, NoEventMask, &event);
    XSync(pDisplay, False);
    XCloseDisplay(pDisplay);
    return sent != 0 ? 0 : 1;
}
