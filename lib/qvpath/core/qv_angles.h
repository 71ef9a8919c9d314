// Angles: styles give degrees, GIMP's transforms and the path measurements
// take radians. One constant for π keeps every conversion rounding alike.
#pragma once

constexpr double QV_PI = 3.14159265358979323846;

constexpr double qv_radians(double degrees) { return degrees * QV_PI / 180.0; }
constexpr double qv_degrees(double radians) { return radians * 180.0 / QV_PI; }
