// SPDX-License-Identifier: MIT
// Display texts for parameter values: the fixed 8-character field every format shows the
// filter's numbers in. Every text is written with its terminator, at most 9 bytes, into the
// caller's buffer; a null buffer is left alone. The functions keep no state, so any thread
// may call them.
#pragma once

#include <cstdint>

constexpr int kValueTextWidth = 8;

// Shown for values that do not fit the field.
inline constexpr char kHugeText[] = " Huge!  ";
// Shown for a value that is not a number.
inline constexpr char kNotANumberText[] = "  NaN   ";

// Fixed-width decimal: sign, integer digits, point, fraction digits, always 8 characters.
// Every digit is truncated from the stored value, none is rounded.
void writeFloatText(float value, char* text);

// Right-aligned decimal integer in a 7-character column ("%7d"), at most 8 characters.
void writeIntegerText(std::int32_t value, char* text);

// The numbers the unit formatters show, each rounded to single precision.
// A gain that is not above zero has no decibel value: each format shows its own text for
// minus infinity decibels instead.
bool gainHasDecibels(float gain);
float gainToDecibels(float gain);
// Frequency in Hz of a period given in samples; a zero period gives 0.
float periodToHertz(float periodInSamples, float sampleRate);
// Duration in milliseconds of a count of samples; at a sample rate of zero no sample has a
// duration, so zero samples give 0 and any other count an infinite duration.
float samplesToMilliseconds(float samples, float sampleRate);
