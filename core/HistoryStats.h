#pragma once

#include <QtGlobal>
#include <array>

class TCodes;

// How each digit has come at each of the seven positions of the draws: the
// figures every reader of a draw history asks for, and a test of whether
// their unevenness is more than a fair draw gives by chance.

struct TDigitFigures
{
    int count = 0;    // draws of the counted window with this digit here
    int omission = 0; // draws since it last came here (0: in the newest draw;
                      // the history's length when it never came)
    int longest = 0;  // longest run of draws without it, the current run included

    bool operator==(const TDigitFigures &) const = default;
};

struct TPositionFigures
{
    int position = 1;                 // 1 to 7, lettered A to G
    std::array<TDigitFigures, 10> digits;
    int counted = 0;                  // digits counted in the window (values 0 to 9)
    double chiSquare = 0;             // of the window's counts against an even spread
    double pValue = 1;                // P(a fair draw spreads at least this unevenly)
};

// Degrees of freedom of the test: ten digits, their total fixed.
constexpr int HistoryTestDegrees = 9;

struct THistoryFigures
{
    int draws = 0;   // draws in the history
    int window = 0;  // the newest draws counted (at most `draws`)
    std::array<TPositionFigures, 7> positions;
};

// The figures of `draws`, counting the newest `window` draws (0 or less, or
// more than there are: all of them). Omissions and the longest runs always
// span the whole history. A value other than a digit (a damaged workspace)
// counts as no digit.
THistoryFigures ComputeHistoryFigures(const TCodes &draws, int window);

// The letter A to G of position 1 to 7.
char PositionLetter(int position);
