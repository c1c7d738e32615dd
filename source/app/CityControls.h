// The city part of the scenario controls: the running city's size, the size the next start builds, and
// "Fit", which zooms the view out to the whole city; and that view itself.
#pragma once

#include "City.h"
#include "TrafficScenario.h"

namespace Vemox
{
class Camera2D;
}

/// Builds the controls into the current UI window: the running city, the blocks across and up of the
/// next scenario (its car count kept within the next city's road cells) and a "Fit" button. Needs a
/// current UI frame and window. Returns whether "Fit" was pressed; changes nothing but `next`.
bool BuildCityControls(const City& running, TrafficScenario& next);

/// Centres the whole city in the camera's viewport with a thin border, leaving out reservedRightPixels
/// on the right (where a panel covers the view).
void FitViewToCity(Vemox::Camera2D& camera, const City& city, float reservedRightPixels);
