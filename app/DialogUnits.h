#pragma once
// The windows keep the proportions of their dialog templates, which are
// measured in dialog units of an 8-point sans-serif font: a horizontal unit
// is a quarter of the average character width (1.5 pixels), a vertical unit
// an eighth of the character height (1.625 pixels).
#include <cmath>

struct CDialogUnits {
    static int X(double units) { return static_cast<int>(std::lround(units * 1.5)); }
    static int Y(double units) { return static_cast<int>(std::lround(units * 1.625)); }
};
