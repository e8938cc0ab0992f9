#pragma once

#include <cstdint>

// One channel's curve: the black, middle and white points at the depth of the tables built
// from it. A black output of -1 asks for the identity table.
struct CIP_CurveRecord {
    int32_t blackIn = 0;
    int32_t blackOut = 0;
    int32_t midIn = 0;
    int32_t midOut = 0;
    int32_t whiteIn = 0;
    int32_t whiteOut = 0;
};

// Builders of the tone tables (65536 unsigned 16-bit entries, of which a depth of n bits uses
// the first 2^n). Pure functions: callable from any thread.
class CIP_ToneCurve
{
public:
    enum class Kind { ThreePoint, FourPoint };

    // Quadratic through the record's three points up to the white input, the white output
    // from there on, and 0 below a black input whose output is 0.
    static void buildThreePoint(const CIP_CurveRecord& record, int max, bool invert, uint16_t* table);

    // Cubic through (0, 0), the black point, the middle point and (max, max). When two of
    // those share an x value the cubic does not exist: the coinciding black point is dropped
    // first, then the middle point, and the lower-degree curve through the rest is used. A
    // cubic that would swing far outside the output range drops its black point too.
    static void buildFourPoint(const CIP_CurveRecord& record, int max, bool invert, uint16_t* table);

    // Builds red, green and blue tables of a record set (records[3] carries the inversion
    // flag: black input 0 with black output max). A channel whose black output is -1 gets the
    // identity; one whose middle point lies outside (0, max] is left as it was.
    static void buildTables(const CIP_CurveRecord records[4], int bits, Kind kind, uint16_t* const tables[3]);

    static void buildIdentity(int max, uint16_t* table);

    // The rounding of every curve: a half rounds down, below 0 and above max clamp
    // (swapped with inversion).
    static uint16_t curveValue(double v, int max, bool invert);
};
