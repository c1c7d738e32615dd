// A traffic light guarding one road connection into a junction: red closes the connection (cost 0).
#pragma once

struct TrafficLight
{
    int fromNode = 0;     ///< source node of the guarded connection; the light is drawn here
    int toNode = 0;       ///< target node of the guarded connection (an intersection cell)
    float timer = 0.f;    ///< phase timer in seconds, moves between 0 and duration
    bool isRed = false;   ///< true: the guarded connection is closed
    float duration = 8.f; ///< phase length in seconds
};
