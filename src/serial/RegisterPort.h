#pragma once

#include <cstdint>

// What the profile transfer needs of a controller: its register commands and whether the last
// reply came whole. TComPort is the real one; tests give an in-memory controller.
class TRegisterPort {
 public:
  virtual ~TRegisterPort() = default;
  // Writes `value` into register `reg`; false when the controller did not take it.
  virtual bool WriteRegister(uint8_t reg, uint8_t value) = 0;
  // Reads register `reg` into `value`; false when no value came.
  virtual bool ReadRegister(uint8_t reg, uint8_t& value) = 0;
  // True when the last register command received its whole reply.
  virtual bool LastReplyComplete() const = 0;
};
