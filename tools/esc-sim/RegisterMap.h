#pragma once
// Where a V4 controller keeps its profile in its register file: register 1 the frequency code,
// registers 32 + k the Y of entry 31 - k (k = 0..31), registers 64 + k the Y of entry 32 + k
// (k = 0..63). Both halves are stored from the centre outwards.

#include "SpedV4Device.h"

#include <array>
#include <cstdint>

using TRegisterFile = std::array<uint8_t, 256>;

// Puts the forward frequency's code and the 96 output values of `profile` into `regs`.
void ProfileToRegisters(const TSpedV4Device& profile, TRegisterFile& regs);

// Reads the profile out of `regs` the way the editor reads a controller: both frequencies from
// the code (a code that names no frequency gives the first), every entry set as a breakpoint,
// then the curve fitted with tolerance 1.5 and the deadband found from the values.
void RegistersToProfile(const TRegisterFile& regs, TSpedV4Device& profile);
