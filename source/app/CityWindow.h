// The city window: the running city's size, a new size and car count to restart with, and "Fit", which
// zooms the view out to the whole city. A window of its own, hidden until asked for.
#pragma once

#include "City.h"

namespace Vemox
{
class Camera2D;
}

/// Builds the "City" window in the current UI frame while it is open and reports what the user asked
/// for; it changes nothing itself. Self-contained, so that a larger scenario window can take it over.
class CityWindow
{
public:
    /// What the user asked for in this frame.
    struct Request
    {
        bool fit = false;     ///< zoom out to the whole city
        bool restart = false; ///< start again with `city` and `nrOfCars`
        CityLayout city;
        int nrOfCars = 0;
    };

    /// Opening fills the fields from the running city and car count.
    void SetOpen(bool isOpen, const CityLayout& city, int nrOfCars);
    void Toggle(const CityLayout& city, int nrOfCars) { SetOpen(!m_IsOpen, city, nrOfCars); }
    bool IsOpen() const { return m_IsOpen; }

    /// While open: the window, showing the running city and car count. Needs a current UI frame.
    Request Build(const City& city, int nrOfCars);

private:
    bool m_IsOpen = false;
    int m_BlocksX = CityLayout{}.blocksX;
    int m_BlocksY = CityLayout{}.blocksY;
    int m_NrOfCars = 0;
};

/// Centres the whole city in the camera's viewport with a small border, leaving out reservedRightPixels
/// on the right (where a panel covers the view).
void FitViewToCity(Vemox::Camera2D& camera, const City& city, float reservedRightPixels);
