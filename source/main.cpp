// Entry point of the traffic simulation: runs the Vemox program with the traffic application.
#include "VemoxProgram.h"
#include "app/App_TrafficSimulation.h"

int main(int argc, char* argv[])
{
    return Vemox::RunVemoxProgram(argc, argv, [] { return new App_TrafficSimulation(); });
}
