// Angles as the scene objects keep them: radians in single precision.
#pragma once

namespace trv::angles {

constexpr float pi = 3.1415927f;        // π rounded to the nearest float (just above π)
constexpr float belowPi = 3.14159012f;  // the float just below π
constexpr float halfPi = 1.5707964f;    // π/2 rounded to the nearest float
constexpr float fullTurn = 6.28318548f; // 2π rounded to the nearest float

}  // namespace trv::angles
