// The user-visible texts of the model layer, defined once so that the code and the tests
// use the same constants.
#pragma once

namespace velmora {

// Alphabet.
inline constexpr const char* kTextReleaseBeforehand = "Предварительное освобождение памяти!";
inline constexpr const char* kCaptionDebugging = "Отладка";
inline constexpr const char* kTextCannotAllocate = "Не могу выделить память!";

// Series header and synthesis.
inline constexpr const char* kTextNoMemoryHeader = "Нет памяти для newSeriesHeader!";
inline constexpr const char* kTextNoMemoryPureData = "Нет памяти для newSeriesHeader->lpPureData!";
inline constexpr const char* kTextNoMemoryPulsesList =
    "Нет памяти для newSeriesHeader->lpPulsesList!";
inline constexpr const char* kTextNoSeriesHeader = "Не могу выделить память для lpSeriesHeader!";
inline constexpr const char* kTextNoMemoryPartialEnergy = "Нет памяти для PartialEnergy!";
inline constexpr const char* kCaptionGetCutOffSeriesHeader = " getCutOffSeriesHeader ";
inline constexpr const char* kCaptionGetExtSeriesHeader = " getExtSeriesHeader ";
inline constexpr const char* kCaptionGetCutOffSeries = " getCutOffSeries ";
inline constexpr const char* kCaptionMakeExtSeries = " makeExtSeries ";

// The incompatible-parameters text, line by line.
inline constexpr const char* kTextIncompatibleHead = "Несовместимые входные параметры!\n";
inline constexpr const char* kFormatSeriesSizeLine = "dwSeriesSize: %d [%d]\n";
inline constexpr const char* kFormatImpulseSizeLine = "wImpulseSize: %d [%d]\n";
inline constexpr const char* kFormatMinPulsesLine = "wMinPulses: %d [%d]\n";
inline constexpr const char* kFormatMaxPulsesLine = "wMaxPulses: %d [%d]\n";
inline constexpr const char* kFormatQuantityLine = "wImpulseQuantity: %d\n";

// Series geometry that the synthesis cannot honour (positions are 16-bit, distances must
// admit a pulse). The head line is followed by a blank line and one of the detail lines.
inline constexpr const char* kTextBadGeometryHead = "Недопустимые параметры ряда!\n";
inline constexpr const char* kFormatSeriesTooLong =
    "dwSeriesSize: %u (допустимо не более 32767)\n";
inline constexpr const char* kTextZeroTmin = "wTmin: 0 (допустимо не менее 1)\n";
inline constexpr const char* kFormatTminAboveTmax = "wTmin: %u > wTmax: %u\n";
inline constexpr const char* kTextZeroImpulseSize = "wImpulseSize: 0 (допустимо не менее 1)\n";
inline constexpr const char* kFormatPulseLongerThanTmax = "wImpulseSize: %u > wTmax: %u\n";

// A header that was not sized for the requested synthesis.
inline constexpr const char* kTextHeaderTooSmall = "Заголовок ряда не подготовлен для синтеза!\n";
// A pulse whose draw window is empty (kept as a last guard; the checks above exclude it).
inline constexpr const char* kFormatEmptyWindow = "Пустое окно для импульса %d: [%d, %d]!\n";
// An etalon of the alphabet that is missing or shorter than the pulse length.
inline constexpr const char* kFormatBadEtalon = "Эталон %d отсутствует или короче %u отсчётов!\n";

// Required list and subsets.
inline constexpr const char* kTextNoMemoryNewList = "Нет памяти для newList!";
inline constexpr const char* kCaptionGetRequiredList = " getRequiredList ";
inline constexpr const char* kTextNoMemorySubsetSize =
    "Нет памяти для lpSeriesHeader->selectedSubsetSize!";
inline constexpr const char* kTextNoMemorySubsetList =
    "Нет памяти для lpSeriesHeader->selectedSubsetList!";
inline constexpr const char* kCaptionAddSomeSelectedSubset =
    " addSomeSelectedSubsetToSeriesHeader ";

}  // namespace velmora
