#pragma once
// The terminator of the chunked receive mode: its text form and the chunking of received data.
// Pure functions; byte strings hold one character per byte.

#include <cstddef>
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

// The same for a buffer that grows between calls: `searched` says how much of the buffer's front
// is known to hold no complete `term`, so that each call reads only what is new and a long run of
// data without a terminator costs linear time. Start it at 0 and set it to 0 again whenever
// `term` changes or the buffer is changed other than by appending; each call keeps it up to date.
bool TakeChunk(std::string& buffer, const std::string& term, std::string& chunk, size_t& searched);

extern const char* const IllegalTerminatorMessage;
extern const char* const EmptyTerminatorMessage;
