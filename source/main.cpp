// Entry point of the traffic simulation: runs the Vemox program with the traffic application and its
// interactive tools, stepped by the time controls.
#include "VemoxProgram.h"
#include "framework/AppFrame/TimeControl.h"
#include "workbench/TrafficWorkbench.h"

int main(int argc, char* argv[])
{
    Vemox::TimeControl timeControl;
    return Vemox::RunVemoxProgram(
        argc, argv, [&timeControl] { return new TrafficWorkbench(timeControl, Vemox::GetStartSeed()); },
        &timeControl);
}
