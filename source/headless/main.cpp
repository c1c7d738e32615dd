// traffic-headless: runs the traffic simulation without a window and reports on the traffic.
#include "HeadlessSimulation.h"
#include "Report.h"
#include "RunLoop.h"
#include "RunOptions.h"
#include "app/TrafficMonitor.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>

namespace
{
constexpr int ExitBadOption = 2;
constexpr int ExitIntegrityFailure = 3;
constexpr int ExitWriteFailure = 4;
constexpr int ExitSignalBase = 128; ///< the shell's convention: 130 after SIGINT, 143 after SIGTERM

volatile std::sig_atomic_t g_StopSignal = 0;

extern "C" void OnStopSignal(int signal)
{
    g_StopSignal = signal;
}

// The first SIGINT or SIGTERM asks the loop to stop after its frame; the handler then resets itself,
// so a second one ends the program at once. A signal ignored on entry stays ignored, as a script's
// background job expects of Ctrl-C.
void InstallStopHandlers()
{
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (const int signal : {SIGINT, SIGTERM})
    {
        struct sigaction previous = {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
}

int ReportWriteFailure(const std::string& message, int error)
{
    std::cerr << "traffic-headless: " << message << ": "
              << (error != 0 ? std::strerror(error) : "write error") << "\n";
    return ExitWriteFailure;
}

// Opens an output file named by an option; nothing to do for an empty path.
bool OpenOutput(std::ofstream& file, const char* option, const std::string& path)
{
    if (path.empty())
        return true;
    file.open(path);
    if (!file)
    {
        std::cerr << "traffic-headless: " << option << ": cannot open '" << path << "' for writing\n";
        return false;
    }
    return true;
}

// Closes an output file (if open) that the run wrote to. False when a write failed during the run
// (writeFailed, with its errno writeError) or at the close; error is then the errno, 0 if unknown.
bool CloseOutput(std::ofstream& file, bool writeFailed, int writeError, int& error)
{
    error = writeError;
    if (!file.is_open() || writeFailed)
        return !writeFailed;
    errno = 0;
    file.close();
    error = errno;
    return !file.fail();
}

// Everything written to standard output has reached the file or pipe, and closing it succeeded.
bool FinishStandardOutput()
{
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout) != 0)
        return false;
    // What is left in stdio's buffer is empty now, so the flush at exit writes nothing.
    return close(STDOUT_FILENO) == 0 || errno == EINTR;
}
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

    // A closed standard output would hand its descriptor to the CSV file, and the summary would land
    // in there (or in the stuck-car log). Hold it with /dev/null, and refuse the run when a summary is
    // wanted.
    if (fcntl(STDOUT_FILENO, F_GETFD) == -1 && errno == EBADF)
    {
        const int placeholder = open("/dev/null", O_WRONLY);
        if (placeholder >= 0 && placeholder != STDOUT_FILENO)
            close(placeholder);
        if (options.json || !options.quiet)
            return ReportWriteFailure("cannot write the summary to standard output", EBADF);
    }

    std::ofstream csv;
    std::ofstream stuckLog;
    std::ofstream trace;
    if (!OpenOutput(csv, "--csv", options.csvPath) ||
        !OpenOutput(stuckLog, "--stuck-log", options.stuckLogPath) ||
        !OpenOutput(trace, "--trace-log", options.traceLogPath))
        return ExitBadOption;
    if (csv.is_open())
        csv << CsvHeader << '\n';

    InstallStopHandlers();
    srand(options.seed);
    // Without drawing there is no one to look at the panel either.
    HeadlessSimulation::Options simulationOptions;
    simulationOptions.nrOfCars = options.nrOfCars;
    simulationOptions.drawEachFrame = options.draw;
    simulationOptions.buildDebugPanel = options.draw;
    simulationOptions.city = options.city;
    simulationOptions.driver = options.driver;
    HeadlessSimulation simulation(simulationOptions);
    TrafficMonitor monitor(simulation.GetApp());
    const RunMeasurements measurements = RunFrames(
        options, simulation, monitor, csv.is_open() ? &csv : nullptr,
        stuckLog.is_open() ? &stuckLog : nullptr, trace.is_open() ? &trace : nullptr, &g_StopSignal);

    int error = 0;
    if (!CloseOutput(csv, measurements.csvWriteFailed, measurements.csvError, error))
        return ReportWriteFailure("--csv: cannot write '" + options.csvPath + "'", error);
    if (!CloseOutput(stuckLog, measurements.stuckLogWriteFailed, measurements.stuckLogError, error))
        return ReportWriteFailure("--stuck-log: cannot write '" + options.stuckLogPath + "'", error);
    if (!CloseOutput(trace, measurements.traceWriteFailed, measurements.traceError, error))
        return ReportWriteFailure("--trace-log: cannot write '" + options.traceLogPath + "'", error);

    if (options.json)
        WriteJsonSummary(std::cout, options, measurements, monitor, simulation.GetApp());
    else if (!options.quiet)
        WriteTextSummary(std::cout, options, measurements, monitor, simulation.GetApp());
    if (!FinishStandardOutput())
        return ReportWriteFailure("cannot write the summary to standard output", errno);

    if (measurements.stopSignal != 0)
        return ExitSignalBase + measurements.stopSignal;
    return monitor.IsIntegrityClean() ? 0 : ExitIntegrityFailure;
}
