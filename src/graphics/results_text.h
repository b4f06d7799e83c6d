// The texts of the results view that others measure: the pretender lines' head and the
// width of a full pretender line. The header and the text block themselves are drawn in
// results_text.cpp.
#pragma once

#include <cstdint>
#include <string>

namespace velmora {

// The text block's pretender lines: the head (rank, etalon letter, measure) at the left
// edge, the pulses this many pixels to its right.
inline constexpr int32_t kPositionsColumn = 100;

// The head of a pretender line: "%2d. ", " %c " with the letter of its first etalon
// (none when `letter` is 0) and "  %7d" with its measure.
std::string chainHead(int32_t rank, char letter, int64_t measure);

// The width a pretender line of the text takes with its full list of pulses at single
// positions (a letter or blank and up to four digits after two blanks, six characters
// each), in a font of average character width `aveCharWidth`.
int32_t resultsPulseLineWidth(int32_t aveCharWidth);

}  // namespace velmora
