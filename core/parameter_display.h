// SPDX-License-Identifier: MIT
// A parameter's display as a value, computed by the filter and written by each format in its
// own encoding: a number or an integer for the fixed-width fields of value_text.h, a name, or
// "no signal" (a gain of zero, minus infinity decibels), which has no number to show.
#pragma once

#include <cstdint>

struct ParameterDisplay {
    enum class Kind { Number, Integer, Name, NoSignal };

    Kind kind = Kind::Number;
    float number = 0.0f;         // Kind::Number
    std::int32_t integer = 0;    // Kind::Integer
    const char* name = nullptr;  // Kind::Name: a constant text of at most 8 characters

    static ParameterDisplay ofNumber(float value) { return {Kind::Number, value, 0, nullptr}; }
    static ParameterDisplay ofInteger(std::int32_t value) { return {Kind::Integer, 0.0f, value, nullptr}; }
    static ParameterDisplay ofName(const char* text) { return {Kind::Name, 0.0f, 0, text}; }
    static ParameterDisplay noSignal() { return {Kind::NoSignal, 0.0f, 0, nullptr}; }
};

// The display in the 8-character field, terminator included, at most 9 bytes: numbers and
// integers as value_text.h writes them, names as they are, and `noSignalText` (a text of at
// most 8 single-byte characters in the caller's encoding) for no signal.
void writeDisplayField(const ParameterDisplay& display, const char* noSignalText, char* text);
