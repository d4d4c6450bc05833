#pragma once
// Where a V4 controller keeps its profile in its register file: register 1 the frequency code,
// registers 32 + k the Y of entry 31 - k (k = 0..31), registers 64 + k the Y of entry 32 + k
// (k = 0..63). Both halves of the stick travel are stored from the centre outwards. X values,
// breakpoints and the deadband level are not stored: they follow from the layout and the values.

#include <array>
#include <cstdint>

class TSpedV4Device;

namespace Transfer {

constexpr uint8_t FrequencyRegister = 1;
constexpr uint8_t ProbeRegister = 20;
constexpr uint8_t ProbeValue = 170;
constexpr int CurveEntries = 96;

using TRegisterFile = std::array<uint8_t, 256>;

// The register holding the Y of a profile entry: entry 31 (just below the centre) in register 32
// down to entry 0 in register 63, and entry 32 (just above it) in register 64 up to entry 95 in
// register 127.
int CurveRegister(int entry);

// The entries in the order they are transferred: the forward half from the centre out (32..95),
// then the brake half from the centre out (31..0).
std::array<int, CurveEntries> TransferOrder();

// The frequency index whose controller code is `code`; 0 ("1.0k") for a code that names none.
// When several rows had the code, the last would count.
int FrequencyIndexOfCode(uint8_t code);

// Puts the forward frequency's code and the 96 output values of `profile` into `regs`; the other
// registers keep their values.
void ProfileToRegisters(const TSpedV4Device& profile, TRegisterFile& regs);

// Takes the frequency and the curve out of `regs` as a controller holds them: deadband level 0,
// both frequency indices from the code, every entry a breakpoint holding its register's value.
void TakeRegisters(const TRegisterFile& regs, TSpedV4Device& profile);

// What follows a read of the controller: the breakpoints that are not needed are removed
// (tolerance 1.5) and the deadband level is found from the values.
void FitAfterRead(TSpedV4Device& profile);

// TakeRegisters, then FitAfterRead: the profile exactly as the editor's Read gives it.
void RegistersToProfile(const TRegisterFile& regs, TSpedV4Device& profile);

}  // namespace Transfer
