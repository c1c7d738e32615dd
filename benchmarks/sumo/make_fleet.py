#!/usr/bin/env python3
# Writes a closed fleet for the side-by-side benchmark: N vehicles, all departing at time 0, each on a
# random edge of the network with a two-edge route (the continuous rerouters then keep it driving).
"""Usage: make_fleet.py NET_FILE NR_OF_VEHICLES SEED OUTPUT_FILE"""
import os
import random
import sys

sys.path.append(os.path.join(os.environ["SUMO_HOME"], "tools"))
import sumolib  # noqa: E402  (found through SUMO_HOME)


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    net_file, count, seed, output = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    net = sumolib.net.readNet(net_file)
    # Sorted by id so that the draw depends on the seed only, not on the parser's order.
    edges = sorted((e for e in net.getEdges() if e.getFunction() != "internal"), key=lambda e: e.getID())
    rng = random.Random(seed)
    with open(output, "w") as out:
        out.write('<routes>\n')
        for i in range(count):
            first = rng.choice(edges)
            successors = sorted(first.getOutgoing().keys(), key=lambda e: e.getID())
            second = rng.choice(successors)
            out.write('    <vehicle id="car%d" depart="0" departLane="best" departPos="random_free"'
                      ' departSpeed="0">\n' % i)
            out.write('        <route edges="%s %s"/>\n' % (first.getID(), second.getID()))
            out.write('    </vehicle>\n')
        out.write('</routes>\n')


if __name__ == "__main__":
    main()
