#!/usr/bin/env python3
# Compares the two driver models (classic and safe) over many headless runs and prints the README's
# table: per model and car count, the traffic figures averaged over the seeds, the worst stand-still.
"""Runs traffic-headless for both driver models, several car counts and seeds, and prints a table.

Every run is one process (`traffic-headless --driver D --cars C --seed S --frames F --json --quiet`);
its JSON summary is kept in the results directory, so an interrupted comparison resumes where it
stopped and the table can be printed again without running anything.
"""

import argparse
import concurrent.futures
import json
import os
import subprocess
import sys

FRAMES_PER_SECOND = 60


def run_one(binary, results, driver, cars, seed, frames):
    """Runs one simulation unless its summary is already in the results directory; returns it."""
    path = os.path.join(results, f"{driver}-{cars}-{seed}-{frames}.json")
    if os.path.exists(path):
        with open(path) as handle:
            return json.load(handle)
    command = [binary, "--driver", driver, "--cars", str(cars), "--seed", str(seed),
               "--frames", str(frames), "--json", "--quiet"]
    completed = subprocess.run(command, capture_output=True, text=True, check=False)
    if completed.returncode != 0:
        raise RuntimeError(f"{' '.join(command)} exited with {completed.returncode}: {completed.stderr}")
    summary = json.loads(completed.stdout)
    with open(path + ".tmp", "w") as handle:
        json.dump(summary, handle)
    os.replace(path + ".tmp", path)
    return summary


def aggregate(runs):
    """The table's figures for the runs of one model and car count."""
    def mean(key):
        return sum(run[key] for run in runs) / len(runs)

    car_minutes = sum(run["simulated_seconds"] * run["cars"] / 60.0 for run in runs)
    car_hours = car_minutes / 60.0
    return {
        "trips_per_car_hour": mean("trips_per_car_hour"),
        "mean_speed": mean("mean_speed"),
        "stopped_red": 100.0 * mean("stopped_red_light_share"),
        "stopped_car": 100.0 * mean("stopped_for_car_share"),
        "contacts": 100.0 * sum(run["car_contacts_begun"] for run in runs) / car_minutes,
        "longest_still": max(run["longest_stand_still_seconds"] for run in runs),
        "stuck_runs": sum(1 for run in runs if run["longest_stand_still_seconds"] > 60.0),
        "resolved": 100.0 * sum(run["deadlocks_resolved"] for run in runs) / car_minutes,
        "red_entries": sum(run["junction_entries_on_red"] for run in runs) / car_hours,
        # Summaries of the classic driver from before the reroute count was reported have none: it has none.
        "reroutes": 100.0 * sum(run.get("reroutes_around_jams", 0) for run in runs) / car_minutes,
        "runs": len(runs),
    }


def print_table(table, out):
    out.write("| driver | cars | trips per car-hour | mean speed | stopped at red | stopped for cars "
              "| contacts per 100 car-min | longest stand-still | runs with a car still > 60 s "
              "| deadlocks resolved per 100 car-min | junction entries on red per car-hour "
              "| reroutes around jams per 100 car-min |\n")
    out.write("|---|---|---|---|---|---|---|---|---|---|---|---|\n")
    for (driver, cars), row in table:
        out.write(f"| {driver} | {cars} | {row['trips_per_car_hour']:.1f} | {row['mean_speed']:.2f} "
                  f"| {row['stopped_red']:.1f} % | {row['stopped_car']:.1f} % | {row['contacts']:.2f} "
                  f"| {row['longest_still']:.1f} s | {row['stuck_runs']} of {row['runs']} "
                  f"| {row['resolved']:.2f} | {row['red_entries']:.2f} | {row['reroutes']:.2f} |\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--binary", default="build/bin/traffic-headless", help="the traffic-headless program")
    parser.add_argument("--results", default="build/driver-comparison", help="directory of run summaries")
    parser.add_argument("--drivers", default="classic,safe")
    parser.add_argument("--cars", default="20,40,64")
    parser.add_argument("--seeds", type=int, default=10, help="seeds 1..N")
    parser.add_argument("--minutes", type=float, default=30.0, help="simulated minutes per run")
    parser.add_argument("--jobs", type=int, default=2, help="runs at the same time")
    parser.add_argument("--json", help="also write the table as JSON to this file")
    arguments = parser.parse_args()

    os.makedirs(arguments.results, exist_ok=True)
    frames = int(round(arguments.minutes * 60.0 * FRAMES_PER_SECOND))
    drivers = arguments.drivers.split(",")
    car_counts = [int(cars) for cars in arguments.cars.split(",")]
    seeds = range(1, arguments.seeds + 1)

    jobs = [(driver, cars, seed) for driver in drivers for cars in car_counts for seed in seeds]
    summaries = {}
    with concurrent.futures.ThreadPoolExecutor(max_workers=arguments.jobs) as pool:
        futures = {pool.submit(run_one, arguments.binary, arguments.results, driver, cars, seed, frames):
                   (driver, cars, seed) for driver, cars, seed in jobs}
        for done, future in enumerate(concurrent.futures.as_completed(futures), start=1):
            summaries[futures[future]] = future.result()
            sys.stderr.write(f"\r{done}/{len(jobs)} runs")
            sys.stderr.flush()
    sys.stderr.write("\n")

    table = [((driver, cars), aggregate([summaries[(driver, cars, seed)] for seed in seeds]))
             for driver in drivers for cars in car_counts]
    print_table(table, sys.stdout)
    if arguments.json:
        with open(arguments.json, "w") as handle:
            json.dump([{"driver": driver, "cars": cars, **row} for (driver, cars), row in table], handle, indent=2)


if __name__ == "__main__":
    main()
