// traffic-headless: runs the traffic simulation without a window and reports on the traffic.
#include "HeadlessSimulation.h"
#include "Report.h"
#include "RunLoop.h"
#include "RunOptions.h"
#include "app/TrafficMonitor.h"

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>

namespace
{
constexpr int ExitBadOption = 2;
constexpr int ExitIntegrityFailure = 3;
} // namespace

int main(int argc, char* argv[])
{
    RunOptions options;
    switch (ParseRunOptions(argc, argv, options, std::cout, std::cerr))
    {
    case ParseOutcome::ExitOk:
        return 0;
    case ParseOutcome::ExitError:
        return ExitBadOption;
    case ParseOutcome::Run:
        break;
    }
    if (!options.hasSeed)
        options.seed = static_cast<std::uint32_t>(std::time(nullptr));

    std::ofstream csv;
    if (!options.csvPath.empty())
    {
        csv.open(options.csvPath);
        if (!csv)
        {
            std::cerr << "traffic-headless: --csv: cannot open '" << options.csvPath << "' for writing\n";
            return ExitBadOption;
        }
        csv << CsvHeader << '\n';
    }

    srand(options.seed);
    // Without drawing there is no one to look at the panel either.
    HeadlessSimulation simulation({options.nrOfCars, options.draw, options.draw, options.driver});
    TrafficMonitor monitor(simulation.GetApp());
    const RunMeasurements measurements =
        RunFrames(options, simulation, monitor, csv.is_open() ? &csv : nullptr);

    if (options.json)
        WriteJsonSummary(std::cout, options, measurements, monitor, simulation.GetApp());
    else if (!options.quiet)
        WriteTextSummary(std::cout, options, measurements, monitor, simulation.GetApp());
    return monitor.IsIntegrityClean() ? 0 : ExitIntegrityFailure;
}
