#pragma once
// The terminator of the chunked receive mode: its text form and the chunking of received data.
// Pure functions; byte strings hold one character per byte.

#include <string>

enum class TTermParse { tpOK, tpIllegal, tpEmpty };

// Converts the text form "#13#10" into raw bytes. The first character is dropped whatever it is;
// the rest is split at each "#" and every part is read as a decimal integer whose low 8 bits give
// one byte. tpIllegal: a part is not a number (an empty part included), `bytes` is then 13, 10.
// tpEmpty: no byte resulted, `bytes` is then empty.
TTermParse ParseTerminator(const std::string& text, std::string& bytes);

// The text form of a terminator: "#" and the decimal code of each byte.
std::string FormatTerminator(const std::string& bytes);

// Takes the first chunk ending with `term` off the front of `buffer` into `chunk`, terminator
// included. False, with `buffer` untouched, when `term` is empty or does not occur.
bool TakeChunk(std::string& buffer, const std::string& term, std::string& chunk);

extern const char* const IllegalTerminatorMessage;
extern const char* const EmptyTerminatorMessage;
