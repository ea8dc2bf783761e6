// Internal access to the identifier tables for the other library parts.
#pragma once
#include <string>

namespace dorlix {
// Path of the identifier-table file (environment item ParamIDPath); empty until the environment is read.
std::string IdTablePath();
// Compound-identifier tests: plain, and extended with a main filter (0 = any).
int IsCompoundId(int id);
int IsCompoundIdEx(int id, int main);
// value rounded half away from zero to decimals places (decimals already clamped).
float RoundToDecimals(float value, int decimals);
} // namespace dorlix
