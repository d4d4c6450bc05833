#pragma once
// Types shared by the serial port component and its event thread.

#include <cstdint>
#include <stdexcept>
#include <string>

// Raised by the serial port component with a fixed message text.
class EComError : public std::runtime_error {
 public:
  explicit EComError(const std::string& msg) : std::runtime_error(msg) {}
};

enum TParity : uint8_t { ptNONE = 0, ptODD = 1, ptEVEN = 2, ptMARK = 3, ptSPACE = 4 };
enum TStopBit : uint8_t { sbONE = 0, sbONE5 = 1, snTWO = 2 };
enum TReceiveMode : uint8_t { rmRAW = 0, rmTERM = 1 };

// Line event bits handed from the event thread to the dispatch on the GUI thread.
constexpr uint32_t EV_RXCHAR = 0x0001;
constexpr uint32_t EV_CTS = 0x0008;
constexpr uint32_t EV_DSR = 0x0010;
constexpr uint32_t EV_RLSD = 0x0020;
constexpr uint32_t EV_ERR = 0x0080;
constexpr uint32_t EV_RING = 0x0100;

// Modem status bits, as sampled from the device.
constexpr uint32_t MS_CTS_ON = 0x10;
constexpr uint32_t MS_DSR_ON = 0x20;
constexpr uint32_t MS_RING_ON = 0x40;
constexpr uint32_t MS_RLSD_ON = 0x80;
