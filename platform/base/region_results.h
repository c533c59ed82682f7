// What region calls return: the drawing layer's region operations and the window system's window
// regions and update areas answer with the same numbers.
#pragma once

constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;
