#pragma once

// The window's geometry is kept in twips (1/1440 inch), at 15 twips to a
// logical pixel; Qt scales logical pixels evenly on a high-DPI screen.
namespace Twips {
constexpr int PerPixel = 15;

constexpr int toPixels(int twips)
{
    return twips / PerPixel;
}

constexpr int fromPixels(int pixels)
{
    return pixels * PerPixel;
}
} // namespace Twips
